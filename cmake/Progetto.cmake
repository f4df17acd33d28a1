# The program's names, addresses, versions and releases, read from the two files that hold them:
#   debian/control    the maintainer with the contact e-mail, the homepage and the application ID
#                     (X-Sportello-Id-Applicazione), in the source paragraph;
#   debian/changelog  the release history: the first entry is the version being built.
# Everything else (the about window, the AppStream data, the manual pages, the desktop entry, the package)
# takes them from here, so a release is one new changelog entry and a new address one edit of control.
# Sets:
#   SPORTELLO_VERSIONE           the upstream version of the first entry (4.0 of 4.0-1)
#   SPORTELLO_DATA_VERSIONE      its date, YYYY-MM-DD
#   SPORTELLO_MANUTENTORE        "Name <e-mail>"
#   SPORTELLO_EDITORE            the name alone, as the publisher of the Windows installer
#   SPORTELLO_EMAIL              the e-mail alone
#   SPORTELLO_SITO               the homepage, https://...
#   SPORTELLO_SITO_SENZA_SCHEMA  the homepage without its scheme, as the about window shows it
#   SPORTELLO_ID_APPLICAZIONE    the application ID
#   SPORTELLO_METAINFO_RILASCI   the AppStream <release> elements of every entry, newest first
set(_debian ${CMAKE_CURRENT_LIST_DIR}/../debian)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${_debian}/control ${_debian}/changelog)

function(_sportello_campo_control campo variabile)
    file(STRINGS ${_debian}/control righe REGEX "^${campo}:" ENCODING UTF-8)
    list(LENGTH righe quante)
    if(NOT quante EQUAL 1)
        message(FATAL_ERROR "debian/control: the source paragraph needs exactly one ${campo} field")
    endif()
    string(REGEX REPLACE "^${campo}:[ \t]*" "" valore "${righe}")
    string(STRIP "${valore}" valore)
    set(${variabile} "${valore}" PARENT_SCOPE)
endfunction()

_sportello_campo_control(Maintainer SPORTELLO_MANUTENTORE)
_sportello_campo_control(Homepage SPORTELLO_SITO)
_sportello_campo_control(X-Sportello-Id-Applicazione SPORTELLO_ID_APPLICAZIONE)
if(NOT SPORTELLO_MANUTENTORE MATCHES "^([^<>]+) <([^<>@ ]+@[^<>@ ]+)>$")
    message(FATAL_ERROR "debian/control: Maintainer is not \"Name <e-mail>\": ${SPORTELLO_MANUTENTORE}")
endif()
set(SPORTELLO_EDITORE ${CMAKE_MATCH_1})
set(SPORTELLO_EMAIL ${CMAKE_MATCH_2})
if(NOT SPORTELLO_SITO MATCHES "^https://([^ ]+[^/ ])/?$")
    message(FATAL_ERROR "debian/control: Homepage is not an https:// address: ${SPORTELLO_SITO}")
endif()
set(SPORTELLO_SITO_SENZA_SCHEMA ${CMAKE_MATCH_1})
if(NOT SPORTELLO_ID_APPLICAZIONE MATCHES "^[a-z][a-z0-9_]*(\\.[a-z][a-z0-9_]*)+$")
    message(FATAL_ERROR "debian/control: X-Sportello-Id-Applicazione is not a reverse-DNS ID: "
                        "${SPORTELLO_ID_APPLICAZIONE}")
endif()

# The changelog: an entry opens with "sportello (VERSION-REVISION) ...", lists its changes as "  * ..."
# items (continued on lines indented further) and closes with " -- Name <e-mail>  Day, DD Mon YYYY ...".
# The semicolons, which CMake would take for list separators, and the brackets, which would hold them, stand
# in as control characters until the releases are written; each item is escaped for XML as it is added.
file(READ ${_debian}/changelog _testo)
string(ASCII 1 _pv)
string(ASCII 2 _qa)
string(ASCII 3 _qc)
string(REPLACE ";" "${_pv}" _testo "${_testo}")
string(REPLACE "[" "${_qa}" _testo "${_testo}")
string(REPLACE "]" "${_qc}" _testo "${_testo}")
string(REPLACE "\n" ";" _righe "${_testo}")
macro(_sportello_aggiungi_voce)
    if(_voce)
        string(REPLACE "&" "&amp;" _voce "${_voce}")
        string(REPLACE "<" "&lt;" _voce "${_voce}")
        string(REPLACE ">" "&gt;" _voce "${_voce}")
        string(APPEND _voci "          <li>${_voce}</li>\n")
    endif()
endmacro()
set(_mesi Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
set(SPORTELLO_METAINFO_RILASCI "")
set(SPORTELLO_VERSIONE "")
set(_versione "")
set(_voci "")
set(_voce "")
foreach(_riga IN LISTS _righe)
    if(_riga MATCHES "^sportello \\(([0-9][0-9.]*)-[0-9][^)]*\\) ")
        set(_versione ${CMAKE_MATCH_1})
        set(_voci "")
        set(_voce "")
    elseif(_riga MATCHES "^  \\* (.*)$")
        _sportello_aggiungi_voce()
        set(_voce "${CMAKE_MATCH_1}")
    elseif(_riga MATCHES "^    +([^ ].*)$" AND _voce)
        string(APPEND _voce " ${CMAKE_MATCH_1}")
    elseif(_riga MATCHES "^ -- .*>  [A-Z][a-z][a-z], ([0-9][0-9]?) ([A-Z][a-z][a-z]) ([0-9][0-9][0-9][0-9]) ")
        if(NOT _versione)
            message(FATAL_ERROR "debian/changelog: an entry's closing line without its heading")
        endif()
        set(_giorno ${CMAKE_MATCH_1})
        set(_anno ${CMAKE_MATCH_3})
        list(FIND _mesi ${CMAKE_MATCH_2} _mese)
        if(_mese LESS 0)
            message(FATAL_ERROR "debian/changelog: not a month: ${_riga}")
        endif()
        math(EXPR _mese "${_mese} + 1")
        if(_mese LESS 10)
            set(_mese 0${_mese})
        endif()
        if(_giorno MATCHES "^[0-9]$")
            set(_giorno 0${_giorno})
        endif()
        _sportello_aggiungi_voce()
        string(APPEND SPORTELLO_METAINFO_RILASCI
            "    <release version=\"${_versione}\" date=\"${_anno}-${_mese}-${_giorno}\">\n"
            "      <description>\n"
            "        <ul>\n"
            "${_voci}"
            "        </ul>\n"
            "      </description>\n"
            "    </release>\n")
        if(NOT SPORTELLO_VERSIONE)
            set(SPORTELLO_VERSIONE ${_versione})
            set(SPORTELLO_DATA_VERSIONE ${_anno}-${_mese}-${_giorno})
        endif()
        set(_versione "")
        set(_voce "")
    endif()
endforeach()
if(NOT SPORTELLO_VERSIONE)
    message(FATAL_ERROR "debian/changelog: no entry \"sportello (VERSION-REVISION) ...\" with its closing line")
endif()
string(REGEX REPLACE "\n$" "" SPORTELLO_METAINFO_RILASCI "${SPORTELLO_METAINFO_RILASCI}")
string(REPLACE "${_pv}" ";" SPORTELLO_METAINFO_RILASCI "${SPORTELLO_METAINFO_RILASCI}")
string(REPLACE "${_qa}" "[" SPORTELLO_METAINFO_RILASCI "${SPORTELLO_METAINFO_RILASCI}")
string(REPLACE "${_qc}" "]" SPORTELLO_METAINFO_RILASCI "${SPORTELLO_METAINFO_RILASCI}")
