# The release archive for Windows users: the tool, the translator's kit and a
# short read-me. The stand-in service is for tests and demos only and stays
# out.

# Windows users read the texts in Notepad, which before Windows 10 shows a
# file with LF-only line ends as one line and takes UTF-8 without its mark
# for the ANSI code page: `destination` is `source` with CR LF line ends,
# and with the UTF-8 mark when it holds anything beyond ASCII. A guide kept
# as Markdown is written to read as plain text too; what markup slips in
# becomes plain: a link its text, code its letters.
function(qv_notepad_text source destination)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${source})
    file(READ ${source} text)
    if(source MATCHES "[.]md$")
        string(REGEX REPLACE "\\[([^]\n]*)\\]\\([^)\n]*\\)" "\\1" text "${text}")
        string(REPLACE "`" "" text "${text}")
        if(text MATCHES "(^|\n)(#|[|])|[*][*]")
            message(WARNING "${source}: Markdown headings, tables or emphasis read badly in Notepad")
        endif()
    endif()
    string(REPLACE "\r\n" "\n" text "${text}")
    string(REPLACE "\n" "\r\n" text "${text}")
    string(HEX "${text}" hex)
    if(hex MATCHES "^(..)*[89a-f]" AND NOT hex MATCHES "^efbbbf")
        string(ASCII 239 187 191 mark)
        string(PREPEND text "${mark}")
    endif()
    file(WRITE ${destination} "${text}")
endfunction()

set(notepad ${CMAKE_CURRENT_BINARY_DIR}/notepad)
qv_notepad_text(${PROJECT_SOURCE_DIR}/packaging/README.txt ${notepad}/README.txt)
# The guide, one text for the web and for Notepad, with a .txt name.
qv_notepad_text(${PROJECT_SOURCE_DIR}/docs/translating.md ${notepad}/translating.txt)

install(TARGETS QVStatusTool RUNTIME DESTINATION .)
install(FILES ${notepad}/README.txt DESTINATION .)
install(FILES ${notepad}/translating.txt DESTINATION docs)
# The template and the samples are language files: byte for byte as kept,
# each in the encoding and with the line ends it demonstrates.
install(FILES ${PROJECT_SOURCE_DIR}/docs/language-template.txt DESTINATION docs)
install(FILES ${PROJECT_SOURCE_DIR}/docs/languages/German.txt
              ${PROJECT_SOURCE_DIR}/docs/languages/Russian.txt DESTINATION docs/languages)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME QVStatusTool)
set(CPACK_PACKAGE_VENDOR Quorvel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_SYSTEM_NAME win64)
set(CPACK_PACKAGE_FILE_NAME QVStatusTool-${PROJECT_VERSION}-win64)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Voice Chat Service Status Tool")
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
include(CPack)
