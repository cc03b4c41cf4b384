# The Windows installer, made with CPack's NSIS generator:
# orvanta-<version>-win64-setup.exe installs the program, the search service,
# its extraction helper and the DLLs and Qt plugins they load into Program
# Files, adds a Start menu entry and an uninstaller, and offers to start the
# service when a user logs on. scripts/windows builds it.

# The folder holding the DLLs and Qt plugins the programs load beside them
# (scripts/windows copies them into build/windows/bin); read when the
# installer is made.
set(ORVANTA_WINDOWS_RUNTIME "" CACHE PATH "Folder of the DLLs and Qt plugins the Windows programs load")
if(ORVANTA_WINDOWS_RUNTIME)
  install(DIRECTORY "${ORVANTA_WINDOWS_RUNTIME}/" DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT orvanta
    FILES_MATCHING PATTERN "*.dll"
    PATTERN "Qt6Test.dll" EXCLUDE PATTERN "qoffscreen.dll" EXCLUDE)
endif()
# Marks the optional part; its presence after the files are copied tells
# the installer to add the logon entry.
install(FILES ${CMAKE_CURRENT_LIST_DIR}/windows/start-service-at-logon.txt
  DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT logon)

set(CPACK_GENERATOR NSIS)
set(CPACK_PACKAGE_NAME Orvanta)
set(CPACK_PACKAGE_VENDOR "The Orvanta authors")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Desktop search from a drop-down panel")
set(CPACK_PACKAGE_FILE_NAME orvanta-${PROJECT_VERSION}-win64-setup)
set(CPACK_PACKAGE_INSTALL_DIRECTORY Orvanta)
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY Orvanta)
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
# A 64-bit installer: Wine without its 32-bit half runs no other, and
# Program Files and the registry are then the 64-bit ones.
set(CPACK_NSIS_EXECUTABLE ${CMAKE_CURRENT_LIST_DIR}/windows/makensis-amd64)
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
set(CPACK_NSIS_PACKAGE_NAME Orvanta)
set(CPACK_NSIS_DISPLAY_NAME Orvanta)
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
# The Start menu entry.
set(CPACK_PACKAGE_EXECUTABLES orvanta Orvanta)
set(CPACK_NSIS_EXECUTABLES_DIRECTORY ${CMAKE_INSTALL_BINDIR})
set(CPACK_COMPONENTS_ALL orvanta logon)
set(CPACK_COMPONENT_ORVANTA_DISPLAY_NAME "Orvanta and its search service")
set(CPACK_COMPONENT_ORVANTA_REQUIRED ON)
set(CPACK_COMPONENT_LOGON_DISPLAY_NAME "Start the search service at logon")
set(CPACK_COMPONENT_LOGON_DESCRIPTION
  "Starts local-search-service.exe for every user who logs on, so that searches are answered from the first click.")
# The logon entry: the machine's Run key, for every user, as the
# installation is the machine's; in the 64-bit view of the registry, which
# the 32-bit installer reaches only when asked.
set(ORVANTA_RUN_KEY "Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Run")
set(CPACK_NSIS_EXTRA_INSTALL_COMMANDS "
  SetRegView 64
  IfFileExists '$INSTDIR\\\\${CMAKE_INSTALL_BINDIR}\\\\start-service-at-logon.txt' 0 +2
  WriteRegStr HKLM '${ORVANTA_RUN_KEY}' 'Orvanta search service' '\\\"$INSTDIR\\\\${CMAKE_INSTALL_BINDIR}\\\\local-search-service.exe\\\"'
")
set(CPACK_NSIS_EXTRA_UNINSTALL_COMMANDS "
  SetRegView 64
  DeleteRegValue HKLM '${ORVANTA_RUN_KEY}' 'Orvanta search service'
")
include(CPack)
