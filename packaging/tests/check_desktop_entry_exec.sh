#!/usr/bin/env bash
# The installed desktop entry names the executable under any prefix, however odd its folder
# names: Exec quotes and escapes it as the desktop entry format requires (and the entry
# validates), TryExec carries it plainly; each undone as the desktop would undo it gives the
# folder back.
#   check_desktop_entry_exec.sh SOURCE_DIR
source "$(dirname "$0")/lib.sh"
source_dir=$1

# The value of KEY in the entry with a string value's escapes undone (\\ to \), in $value;
# any other backslash escape is a fault here.
read_value() {
    local raw
    raw=$(sed -n "s/^$1=//p" "$entry")
    [[ ${raw//\\\\/} != *\\[^sntr]* && ${raw//\\\\/} != *\\ ]] ||
        fail "$1 holds a backslash a string value may not have: $raw"
    value=$(printf '%s' "$raw" | sed 's/\\\\/\\/g')
}
# Undoes the quoting of one Exec argument.
unquote_argument() { sed -e 's/^"\(.*\)"$/\1/' -e 's/\\\(["`$\\]\)/\1/g'; }

for bindir in "/usr/bin" "/opt/my apps/bin" "/opt/a\$b/bin" "/opt/back\\slash/bin" \
    "/opt/\"quoted\" 100%/bin" "/opt/tick\`s/bin"; do
    staging=$work/staging
    rm -rf "$staging" "$work/share"
    cmake -D korvelce_desktop_source="$source_dir/packaging/korvelce.desktop" \
        -D korvelce_desktop_name=test.desktop -D korvelce_bindir="$bindir" \
        -D korvelce_datadir="$work/share" -D korvelce_desktop_staging="$staging" \
        -P "$source_dir/packaging/install_desktop_entry.cmake" >/dev/null ||
        { fail "the install script failed for $bindir"; continue; }
    entry=$work/share/applications/test.desktop
    desktop-file-validate "$entry" >/dev/null || fail "the entry for $bindir does not validate"
    read_value TryExec
    [[ $value == "$bindir/korvelce" ]] || fail "TryExec for $bindir reads back as $value"
    read_value Exec
    exec_line=$value
    [[ $exec_line == *" %f" ]] || fail "Exec for $bindir lost its %f: $exec_line"
    program=$(printf '%s' "${exec_line% %f}" | unquote_argument | sed 's/%%/%/g')
    [[ $program == "$bindir/korvelce" ]] || fail "Exec for $bindir reads back as $program"
done
finish
