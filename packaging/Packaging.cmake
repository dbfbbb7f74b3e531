# Install layout, desktop integration, the Windows version resource and the packages.
# Included once from the top-level CMakeLists.txt, after all programs are defined.
if(WIN32)
  include(${PROJECT_SOURCE_DIR}/windows/Windows.cmake)
endif()
add_subdirectory(${CMAKE_CURRENT_LIST_DIR} ${PROJECT_BINARY_DIR}/packaging)

set(CPACK_PACKAGE_NAME quendal)
set(CPACK_PACKAGE_VENDOR "Quendal")
set(CPACK_PACKAGE_CONTACT "Quendal developers <quendal@localhost>")
set(CPACK_PACKAGE_VERSION ${QUENDAL_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Analog S-meter for FlexRadio radios")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "Quendal shows the receive level of a FlexRadio radio as a needle over a meter face.\n"
  "It finds the radio on the local network, subscribes to its meter stream and\n"
  "follows the SmartSDR window. Includes quendal-radiosim, a radio simulator.")
set(CPACK_PACKAGE_INSTALL_DIRECTORY Quendal)
set(CPACK_STRIP_FILES ON)

if(WIN32)
  set(CPACK_GENERATOR ZIP)
else()
  set(CPACK_GENERATOR TGZ)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION hamradio)
  # Libraries come from dpkg-shlibdeps; Qt's platform plugins are loaded at run time.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
endif()

include(CPack)
