# The release archive for Windows users: the tool, the translator's kit and a
# short read-me. The stand-in service is for tests and demos only and stays
# out.
install(TARGETS QVStatusTool RUNTIME DESTINATION .)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/README.txt DESTINATION .)
install(FILES ${PROJECT_SOURCE_DIR}/docs/language-template.txt DESTINATION docs)
install(FILES ${PROJECT_SOURCE_DIR}/docs/languages/German.txt
              ${PROJECT_SOURCE_DIR}/docs/languages/Russian.txt DESTINATION docs/languages)
# Windows users read the guide in Notepad: plain text with a .txt name.
install(FILES ${PROJECT_SOURCE_DIR}/docs/translating.md DESTINATION docs RENAME translating.txt)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME QVStatusTool)
set(CPACK_PACKAGE_VENDOR Quorvel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_SYSTEM_NAME win64)
set(CPACK_PACKAGE_FILE_NAME QVStatusTool-${PROJECT_VERSION}-win64)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Voice Chat Service Status Tool")
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
include(CPack)
