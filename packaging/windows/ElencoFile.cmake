# Writes the uninstaller's list of what the installer puts in place: one Delete a file and one RMDir a
# folder (deepest first) of the tree ALBERO, into USCITA. The uninstaller removes these and nothing else,
# so that a folder chosen by the user with files of its own loses none of them.
#   cmake -DALBERO=<tree> -DUSCITA=<file.nsh> -P ElencoFile.cmake
file(GLOB_RECURSE file RELATIVE ${ALBERO} LIST_DIRECTORIES false ${ALBERO}/*)
file(GLOB_RECURSE cartelle RELATIVE ${ALBERO} LIST_DIRECTORIES true ${ALBERO}/*)
list(REMOVE_ITEM cartelle ${file})
list(SORT file)
list(SORT cartelle ORDER DESCENDING)
set(testo "; Written by ElencoFile.cmake: what the installer puts in place.\n")
foreach(f IN LISTS file)
    string(REPLACE "/" "\\" f "${f}")
    string(APPEND testo "Delete \"$INSTDIR\\${f}\"\n")
endforeach()
foreach(c IN LISTS cartelle)
    string(REPLACE "/" "\\" c "${c}")
    string(APPEND testo "RMDir \"$INSTDIR\\${c}\"\n")
endforeach()
file(WRITE ${USCITA} "${testo}")
