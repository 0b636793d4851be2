# Writes the site's service worker (OUTPUT) from TEMPLATE: its version is a digest of every
# file of the site (SITE_DIR), and its list of files to keep offline is all of them. Run once
# the rest of the site is complete, so a new build of any file makes a new worker.
file(GLOB_RECURSE files RELATIVE ${SITE_DIR} ${SITE_DIR}/*)
list(REMOVE_ITEM files sw.js)
list(SORT files)
set(digests "")
set(listed "  './',")
foreach(name IN LISTS files)
    file(SHA256 ${SITE_DIR}/${name} digest)
    string(APPEND digests "${name} ${digest}\n")
    string(APPEND listed "\n  './${name}',")
endforeach()
string(SHA256 version "${digests}")
string(SUBSTRING ${version} 0 16 SITE_VERSION)
set(SITE_FILES "${listed}")
configure_file(${TEMPLATE} ${OUTPUT} @ONLY)
