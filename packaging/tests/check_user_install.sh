#!/usr/bin/env bash
# A per-user install without root: `cmake --install BUILD --prefix ~/.local` in a temporary
# home. The desktop menu has the calculator (its entry validates, names the installed
# executable, and the desktop's caches know it for both file types); started as the menu starts
# it, with a .kv or a .kvs file, it opens that file; it registers no per-user association of its
# own beside the installed one; and the install manifest removes everything again.
#   check_user_install.sh BUILD_DIR APP_ID
source "$(dirname "$0")/lib.sh"
build=$1 id=$2
make_home "$work/home"
prefix=$HOME/.local
share=$prefix/share

cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 || {
    cat "$work/install.log" >&2
    fail "cmake --install"
    finish
}

for file in bin/korvelce bin/korvelce-cli share/korvelce/FondVGA.png share/korvelce/FondDownVGA.png \
    share/korvelce/FondWVGA.png share/korvelce/FondDownWVGA.png share/doc/korvelce/library.md \
    share/doc/korvelce/copyright share/doc/korvelce/changelog.gz "share/applications/$id.desktop" \
    "share/mime/packages/$id.xml" "share/metainfo/$id.metainfo.xml" share/man/man1/korvelce.1.gz \
    share/man/man1/korvelce-cli.1.gz share/bash-completion/completions/korvelce-cli \
    share/icons/hicolor/16x16/apps/korvelce.png share/icons/hicolor/512x512/apps/korvelce.png; do
    [[ -f $prefix/$file ]] || fail "not installed: $file"
done
[[ -z $(find "$prefix/bin" -name '*.png') ]] || fail "pictures installed beside the executables"

# The menu entry runs the installed executable, wherever the prefix is.
entry=$share/applications/$id.desktop
desktop-file-validate "$entry" || fail "the installed entry does not validate"
grep -qx "Exec=$prefix/bin/korvelce %f" "$entry" || fail "Exec is $(grep ^Exec= "$entry")"
grep -qx "TryExec=$prefix/bin/korvelce" "$entry" || fail "TryExec is $(grep ^TryExec= "$entry")"

# The caches were brought up to date by the install: both types, opened by the entry.
grep -q ':application/x-korvel-program:\*\.kv$' "$share/mime/globs2" || fail "the MIME database lacks *.kv"
grep -q ':text/x-korvel-source:\*\.kvs$' "$share/mime/globs2" || fail "the MIME database lacks *.kvs"
for type in application/x-korvel-program text/x-korvel-source; do
    grep -q "^$type=.*$id.desktop" "$share/applications/mimeinfo.cache" ||
        fail "the desktop cache does not open $type with $id.desktop"
done
man -w "$share/man/man1/korvelce-cli.1.gz" >/dev/null 2>&1 || fail "man cannot find the installed page"

# Started as the menu starts it, with a memory image: the image is what it saves at the end.
"$build/korvelce-cli" 7 STO 05 --save "$work/seven.kv" >/dev/null || fail "korvelce-cli --save"
exec_line=$(sed -n 's/^Exec=//p' "$entry")
read -r -a command <<<"${exec_line/\%f/$work/seven.kv}"
mime_package_before=$(md5sum <"$share/mime/packages/$id.xml")
run_window 240x320 "${command[@]}"
[[ $window_status -eq 0 ]] || fail "the window with a .kv file exits $window_status: $(cat "$work/window.out")"
state=$XDG_DATA_HOME/Korvelce/Korvelce.kv
cmp -s "$state" "$work/seven.kv" || fail "the window did not open the .kv file it was given"

# With program source text: the program is keyed in over the saved registers, which stay (no
# question was asked about them).
printf 'LBL A 2 * 3 = R/S\n' >"$work/double.kvs"
read -r -a command <<<"${exec_line/\%f/$work/double.kvs}"
run_window 240x320 "${command[@]}"
[[ $window_status -eq 0 ]] || fail "the window with a .kvs file exits $window_status: $(cat "$work/window.out")"
[[ $("$build/korvelce-cli" --load "$state" A) == "6." ]] || fail "the program source was not keyed in"
[[ $("$build/korvelce-cli" --load "$state" RCL 05) == "7." ]] || fail "the saved registers were not kept"
[[ $("$build/korvelce-cli" --load "$state" A) == "6." ]] || fail "the program of the .kvs file was not keyed in"

# Installed, the window leaves the association to the installed files: it writes no per-user
# entry of its own (which would show it twice among the programs that open a file), and the
# installed entry and MIME package stay as they were.
[[ ! -e $share/applications/korvelce.desktop ]] || fail "the installed window registered a per-user association"
[[ ! -e $share/mime/packages/korvelce.xml ]] || fail "the installed window wrote a per-user MIME package"
grep -q '^NoDisplay' "$entry" && fail "the installed entry was made invisible"
[[ $(md5sum <"$share/mime/packages/$id.xml") == "$mime_package_before" ]] || fail "the MIME package was rewritten"

# Uninstalling by the manifest leaves only the desktop's caches and the user's saved state.
xargs -d '\n' rm -f <"$build/install_manifest.txt"
left=$(find "$prefix" -type f ! -path "$share/mime/*" ! -name mimeinfo.cache ! -path "$share/Korvelce/*" |
    head -5)
[[ -z $left ]] || fail "left after removing the manifest's files: $left"
finish
