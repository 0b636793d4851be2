#!/usr/bin/env bash
# The desktop entry, the MIME types and the AppStream metadata: each passes its validator, and
# they name one another consistently (types, desktop id, the type the window registers itself).
#   check_desktop_files.sh SOURCE_DIR BUILD_PACKAGING_DIR APP_ID
source "$(dirname "$0")/lib.sh"
src=$1 out=$2 id=$3
desktop=$src/packaging/korvelce.desktop
mime=$src/packaging/korvelce-mime.xml
metainfo=$out/$id.metainfo.xml
make_home "$work/home"

# Validators, as installed: the desktop entry under its id.
cp "$desktop" "$work/$id.desktop"
desktop-file-validate "$work/$id.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$metainfo" || fail "appstreamcli validate --no-net"

# The MIME database built from the package alone (which also reads its XML).
database=$XDG_DATA_HOME/mime
mkdir -p "$database/packages"
cp "$mime" "$database/packages/$id.xml"
update-mime-database "$database" || fail "update-mime-database"
grep -qx '50:application/x-korvel-program:\*\.kv' "$database/globs2" || fail "*.kv is not application/x-korvel-program"
grep -qx '50:text/x-korvel-source:\*\.kvs' "$database/globs2" || fail "*.kvs is not text/x-korvel-source"
grep -qx 'text/x-korvel-source text/plain' "$database/subclasses" || fail "program source is not a kind of plain text"

# The types the entry opens are the types the package defines, and the window's own.
defined=$(grep -o '<mime-type type="[^"]*"' "$mime" | sed 's/.*type="//; s/"$//' | sort | tr '\n' ';')
opened=$(sed -n 's/^MimeType=//p' "$desktop" | tr ';' '\n' | sed '/^$/d' | sort | tr '\n' ';')
[[ $defined == "$opened" ]] || fail "the desktop entry opens '$opened' but the package defines '$defined'"
provided=$(grep -o '<mediatype>[^<]*' "$metainfo" | sed 's/<mediatype>//' | sort | tr '\n' ';')
[[ $provided == "$defined" ]] || fail "the metadata provides '$provided', the package defines '$defined'"
own=$(sed -n 's/.*kProgramMimeType = "\([^"]*\)".*/\1/p' "$src/shell/file_association.h")
[[ -n $own && $defined == *"$own;"* ]] || fail "the window registers '$own', which the package does not define"

# The metadata launches the installed entry and names the licences.
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" || fail "launchable is not $id.desktop"
grep -q '<project_license>MIT</project_license>' "$metainfo" || fail "project licence"
grep -q '<metadata_license>CC0-1.0</metadata_license>' "$metainfo" || fail "metadata licence"
grep -q '<image[^>]*>https://' "$metainfo" || fail "no screenshot"
grep -q '^Icon=korvelce$' "$desktop" || fail "the entry's icon is not korvelce"
finish
