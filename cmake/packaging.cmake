# What cmake --install puts where, and the packages cpack makes of it: a
# Debian package of cell natively, a zip of the Windows programs (install.exe
# and cell.exe side by side) from a MinGW build.
include(GNUInstallDirs)
if(WIN32)
  set(CELL_INSTALL_BINDIR .)
else()
  set(CELL_INSTALL_BINDIR ${CMAKE_INSTALL_BINDIR})
endif()

set(CPACK_PACKAGE_NAME cell)
set(CPACK_PACKAGE_VENDOR "cellinstall")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "builds and reads disk-spanning distributions and their floppy images")
set(CPACK_PACKAGE_CONTACT "cellinstall maintainers <maintainers@example.invalid>")
set(CPACK_STRIP_FILES ON)
if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME "cellinstall-${PROJECT_VERSION}-windows-${CMAKE_SYSTEM_PROCESSOR}")
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
      "cell pack writes a distribution of a directory tree as volumes or as FAT12\n floppy images; cell list, test and extract read it from either.")
endif()
include(CPack)
