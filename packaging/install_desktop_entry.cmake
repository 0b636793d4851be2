# Installs the desktop entry under its identifier, with Exec and TryExec naming the executable
# under the prefix being installed to, so that the menu starts it even when that prefix's bin
# folder is not on the PATH of the desktop session (~/.local/bin often is not).
# Set before this runs: korvelce_desktop_source, korvelce_desktop_name, korvelce_bindir,
# korvelce_datadir (relative to the prefix, or absolute), korvelce_desktop_staging.
foreach(folder bindir datadir)
    if(IS_ABSOLUTE "${korvelce_${folder}}")
        set(${folder} "${korvelce_${folder}}")
    else()
        set(${folder} "${CMAKE_INSTALL_PREFIX}/${korvelce_${folder}}")
    endif()
endforeach()
set(executable "${bindir}/korvelce")

# The executable as one argument of Exec: quoted when it holds a character the Exec syntax
# reserves, with ", `, $ and \ escaped inside the quotes and % doubled; then, as for any string
# value, every backslash doubled.
set(argument "${executable}")
string(REPLACE "%" "%%" argument "${argument}")
if(argument MATCHES "[] \t\"'\\\\><~|&;$*?#()`[]")
    string(REGEX REPLACE "([\"`$\\\\])" "\\\\\\1" argument "${argument}")
    set(argument "\"${argument}\"")
endif()
string(REPLACE "\\" "\\\\" argument "${argument}")
string(REPLACE "\\" "\\\\" try_exec "${executable}")

file(READ "${korvelce_desktop_source}" entry)
# Literal replacements: a regular expression's replacement would take the backslashes just
# doubled as escapes and halve them again.
string(REPLACE "\nExec=korvelce " "\nExec=${argument} " entry "${entry}")
string(REPLACE "\nTryExec=korvelce\n" "\nTryExec=${try_exec}\n" entry "${entry}")
file(MAKE_DIRECTORY "${korvelce_desktop_staging}")
file(WRITE "${korvelce_desktop_staging}/${korvelce_desktop_name}" "${entry}")
file(INSTALL DESTINATION "${datadir}/applications" TYPE FILE
     FILES "${korvelce_desktop_staging}/${korvelce_desktop_name}")
