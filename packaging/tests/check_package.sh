#!/usr/bin/env bash
# The Debian package: CPack builds it from the build folder into a temporary folder; its control
# fields and contents are checked, lintian finds no error in it, and unpacked into a temporary
# root its korvelce-cli computes and its window starts offscreen on the screen WxH, in a
# temporary home, finds its skins, and on SIGTERM ends cleanly and writes its state.
#   check_package.sh BUILD_DIR VERSION WxH
source "$(dirname "$0")/lib.sh"
build=$1 version=$2 screen=$3
arch=$(dpkg --print-architecture)
deb=$work/package/korvelce_${version}_${arch}.deb
make_home "$work/home"

started=$SECONDS
cpack --config "$build/CPackConfig.cmake" -B "$work/package" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log" >&2; fail "cpack"; finish; }
echo "cpack: $((SECONDS - started)) s"
[[ -f $deb ]] || { fail "no $(basename "$deb"): $(ls "$work/package")"; finish; }

# Control fields.
dpkg-deb -I "$deb" >"$work/info.txt" || fail "dpkg-deb -I"
field() { dpkg-deb -f "$deb" "$1"; }
[[ $(field Package) == korvelce ]] || fail "Package is $(field Package)"
[[ $(field Version) == "$version" ]] || fail "Version is $(field Version)"
[[ $(field Architecture) == "$arch" ]] || fail "Architecture is $(field Architecture)"
[[ $(field Section) == math && $(field Priority) == optional ]] || fail "Section/Priority"
[[ $(field Maintainer) =~ ^[^\<]+\ \<[^@\>]+@[^\>]+\>$ ]] || fail "Maintainer is '$(field Maintainer)'"
[[ $(field Description) == "keystroke-programmable scientific calculator"$'\n'* ]] ||
    fail "Description: $(field Description | head -2)"
depends=$(field Depends)
for library in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 libqt6network6; do
    [[ ", $depends," == *", $library "* || ", $depends," == *", $library,"* ]] ||
        fail "Depends lacks $library: $depends"
done

# Contents: everything under /usr, owned by root, executables and data with their modes.
dpkg-deb -c "$deb" >"$work/contents.txt" || fail "dpkg-deb -c"
for file in usr/bin/korvelce usr/bin/korvelce-cli usr/share/korvelce/FondVGA.png \
    usr/share/korvelce/FondDownVGA.png usr/share/korvelce/FondWVGA.png \
    usr/share/korvelce/FondDownWVGA.png usr/share/doc/korvelce/library.md \
    usr/share/doc/korvelce/copyright usr/share/doc/korvelce/changelog.gz \
    usr/share/man/man1/korvelce.1.gz usr/share/man/man1/korvelce-cli.1.gz \
    usr/share/bash-completion/completions/korvelce-cli usr/share/mime/packages/ \
    usr/share/applications/ usr/share/metainfo/; do
    grep -q " \./$file" "$work/contents.txt" || fail "the package lacks /$file"
done
for size in 16 24 32 48 64 128 256 512; do
    grep -q " \./usr/share/icons/hicolor/${size}x${size}/apps/korvelce.png$" "$work/contents.txt" ||
        fail "the package lacks the ${size}px icon"
done
awk '{print $6}' "$work/contents.txt" | grep -v '^\./$' | grep -v '^\./usr/' | head -3 |
    while read -r path; do fail "outside /usr: $path"; done
awk '$2 != "root/root" {print $6}' "$work/contents.txt" | head -3 |
    while read -r path; do fail "not owned by root: $path"; done
grep -E ' \./usr/bin/.*\.png$' "$work/contents.txt" && fail "pictures in /usr/bin"
grep -qE '^-rwxr-xr-x .* \./usr/bin/korvelce$' "$work/contents.txt" || fail "korvelce is not 0755"
grep -E '^-' "$work/contents.txt" | grep -v ' \./usr/bin/' | grep -vE '^-rw-r--r-- ' | head -3 |
    while read -r line; do fail "data file not 0644: $line"; done

# lintian: no error. Its whole report is shown.
if command -v lintian >/dev/null; then
    started=$SECONDS
    lintian --tag-display-limit 0 "$deb" >"$work/lintian.txt" 2>&1
    echo "lintian: $((SECONDS - started)) s"
    sed 's/^/lintian: /' "$work/lintian.txt"
    grep -q '^E: ' "$work/lintian.txt" && fail "lintian reports errors"
else
    fail "lintian is not installed"
fi

# Unpacked: the headless calculator computes.
root=$work/root
dpkg-deb -x "$deb" "$root" || fail "dpkg-deb -x"
[[ $("$root/usr/bin/korvelce-cli" 2 + 3 =) == "5." ]] ||
    fail "korvelce-cli 2 + 3 = prints '$("$root/usr/bin/korvelce-cli" 2 + 3 =)'"
MANWIDTH=80 man -l "$root/usr/share/man/man1/korvelce-cli.1.gz" 2>&1 | grep -q 'korvelce-cli - the Korvel' ||
    fail "man cannot read the packaged korvelce-cli(1)"

# Unpacked: the window starts, reads its skins (traced on the screens that need the files),
# ends on SIGTERM and writes its state.
window_trace=
[[ $screen != 240x* ]] && window_trace=$work/trace.txt
run_window "$screen" "$root/usr/bin/korvelce"
[[ $window_status -eq 0 ]] || fail "the window exits $window_status: $(cat "$work/window.out")"
# The offscreen platform's note about size hints is Qt's, not the calculator's.
said=$(grep -v 'does not support propagateSizeHints' "$work/window.out")
[[ -z $said ]] || fail "the window says: $said"
state=$XDG_DATA_HOME/Korvelce/Korvelce.kv
[[ $(stat -c %s "$state" 2>/dev/null) == 2600 ]] || fail "no saved state after SIGTERM"
if [[ -n $window_trace ]]; then
    skin=FondWVGA.png
    [[ $screen == 480x640 ]] && skin=FondVGA.png
    grep -qE "openat\(.*\"$root/usr/(bin/\.\./)?share/korvelce/$skin\", O_RDONLY[^)]*\) = [0-9]+" "$window_trace" ||
        fail "the window did not read $root/usr/share/korvelce/$skin: $(grep Fond "$window_trace" | head -3)"
fi
finish
