# Read by cpack once per generator: the ZIP holds the Windows folder, the
# Debian package the Linux install under /usr.
if(CPACK_GENERATOR STREQUAL "ZIP")
  set(CPACK_COMPONENTS_ALL windows)
  set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
  set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
  set(CPACK_PACKAGE_FILE_NAME "wkivari-${CPACK_PACKAGE_VERSION}-windows")
elseif(CPACK_GENERATOR STREQUAL "DEB")
  set(CPACK_COMPONENTS_ALL desktop)
  set(CPACK_DEB_COMPONENT_INSTALL OFF)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
endif()
