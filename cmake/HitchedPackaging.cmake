# Release packages of the install layout, built by CPack from the install rules:
#   cpack --config <build>/CPackConfig.cmake     (scripts/package.sh does it per preset)
# gives <build>/packages/Hitched-<version>-<arch>.zip and Hitched-<version>-<arch>.exe, an
# NSIS installer that installs per user (packaging/NSIS.template.in says what it does).
# The installer itself has the program's bitness (a 64-bit program on 64-bit Windows).
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(HITCHED_PACKAGE_ARCH win64)
    set(CPACK_HITCHED_NSIS_TARGET amd64-unicode)
else()
    set(HITCHED_PACKAGE_ARCH win32)
    set(CPACK_HITCHED_NSIS_TARGET x86-unicode)
endif()

set(CPACK_GENERATOR ZIP NSIS)
# Packaging needs the install layout, not the tests: scripts/package.sh builds hitched_dist
# first, and CPack then installs without building everything else.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
set(CPACK_PACKAGE_NAME Hitched)
set(CPACK_PACKAGE_VENDOR "Hitched developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Connection assistant and port service of the phone suite")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME Hitched-${PROJECT_VERSION}-${HITCHED_PACKAGE_ARCH})
set(CPACK_PACKAGE_INSTALL_DIRECTORY Hitched)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
set(CPACK_NSIS_COMPRESSOR "/SOLID lzma")
# The build keeps debug information; what users get does not need it.
set(CPACK_STRIP_FILES ON)
# What the installer's script needs beyond CPack's own values.
set(CPACK_HITCHED_ICON ${HITCHED_ART_DIR}/hitched_128.ico)
set(CPACK_HITCHED_HIDE_ARGUMENT msg_kv_ostrapctools_portservice_startserver_showwindow_hide)
# CPack takes NSIS.template.in from the module path before its own.
set(CPACK_MODULE_PATH ${CMAKE_CURRENT_LIST_DIR}/packaging)
list(PREPEND CMAKE_MODULE_PATH ${CMAKE_CURRENT_LIST_DIR}/packaging)
include(CPack)
