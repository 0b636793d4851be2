# Who the project is to the code, the desktop and the package system: the version and the
# application identifier in <korvelce/version.h> (the header-only target korvelce_version), and
# the lower-case name of its documentation folder (share/doc/korvelce, as Debian names it).
set(KORVELCE_APP_ID "org.brannock.Korvelce" CACHE STRING
    "Reverse-domain identifier of the desktop entry and the AppStream component")
if(NOT CMAKE_INSTALL_DOCDIR)
    set(CMAKE_INSTALL_DOCDIR "share/doc/korvelce" CACHE PATH
        "Documentation folder (DATAROOTDIR/doc/korvelce)" FORCE)
endif()

configure_file(${CMAKE_CURRENT_LIST_DIR}/version.h.in
    ${CMAKE_BINARY_DIR}/generated/korvelce/version.h @ONLY)
add_library(korvelce_version INTERFACE)
target_include_directories(korvelce_version INTERFACE ${CMAKE_BINARY_DIR}/generated)
