# Pictures decoded at build time (see ui/immaginidecodificate.h).
#
#   sportello_immagini_decodificate(<target> PREFIX <prefix> BASE <dir> FILES <png>...)
#
# For each PNG, which <target> already holds as the resource <prefix>/<path from BASE>, adds its decoded
# rows as the resource /decodificate<prefix>/<path from BASE>, uncompressed so that they are read in place.
if(CMAKE_CROSSCOMPILING)
    # The tool runs where the build runs: built for the build machine, with its own Qt, in a project of its
    # own (tools/immagini/). The rows it writes are the same on both sides (both little-endian).
    include(ExternalProject)
    set(strumento_host ${CMAKE_BINARY_DIR}/strumenti-host/decodifica_immagine)
    ExternalProject_Add(decodifica_immagine_host
        SOURCE_DIR ${CMAKE_SOURCE_DIR}/tools/immagini
        BINARY_DIR ${CMAKE_BINARY_DIR}/strumenti-host
        CMAKE_ARGS -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_COMPILER_LAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER}
        INSTALL_COMMAND ""
        BUILD_BYPRODUCTS ${strumento_host})
    add_executable(decodifica_immagine IMPORTED)
    set_target_properties(decodifica_immagine PROPERTIES IMPORTED_LOCATION ${strumento_host})
    add_dependencies(decodifica_immagine decodifica_immagine_host)
else()
    add_executable(decodifica_immagine ${CMAKE_SOURCE_DIR}/tools/immagini/decodifica_immagine.cpp)
    target_include_directories(decodifica_immagine PRIVATE ${CMAKE_SOURCE_DIR}/ui)
    target_link_libraries(decodifica_immagine PRIVATE Qt6::Gui)
    set_target_properties(decodifica_immagine PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tools)
endif()

function(sportello_immagini_decodificate target)
    cmake_parse_arguments(I "" "PREFIX;BASE" "FILES" ${ARGN})
    set(uscite)
    foreach(png IN LISTS I_FILES)
        file(RELATIVE_PATH nome ${I_BASE} ${png})
        set(uscita ${CMAKE_CURRENT_BINARY_DIR}/decodificate${I_PREFIX}/${nome}.righe)
        get_filename_component(cartella ${uscita} DIRECTORY)
        # The tool is a build step: a leak report of a sanitizer build must not fail the build.
        add_custom_command(OUTPUT ${uscita}
            COMMAND ${CMAKE_COMMAND} -E make_directory ${cartella}
            COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0 QT_QPA_PLATFORM=offscreen
                    $<TARGET_FILE:decodifica_immagine> ${png} ${uscita}
            DEPENDS decodifica_immagine ${png}
            COMMENT "Decodifica ${nome}"
            VERBATIM)
        set_source_files_properties(${uscita} PROPERTIES QT_RESOURCE_ALIAS ${nome})
        list(APPEND uscite ${uscita})
    endforeach()
    qt_add_resources(${target} "${target}_decodificate"
        PREFIX "/decodificate${I_PREFIX}"
        FILES ${uscite}
        OPTIONS -no-compress ${SPORTELLO_OPZIONI_RCC})
endfunction()
