# Install layout, desktop integration, the Windows version resource and the packages.
# Included once from the top-level CMakeLists.txt, after all programs are defined.

# Who publishes the package and where the project lives: the one place to change them.
# A distribution sets its own, e.g. -DQUENDAL_MAINTAINER="Jane Doe <jane@example.org>".
set(QUENDAL_MAINTAINER "Quendal developers <developers@quendal.org>"
    CACHE STRING "Maintainer of the packages: Name <address>")
set(QUENDAL_HOMEPAGE "https://quendal.org" CACHE STRING "The project's web site")
set(QUENDAL_SCREENSHOT_URL "${QUENDAL_HOMEPAGE}/docs/screenshot.png"
    CACHE STRING "Where software centres fetch docs/screenshot.png from")
# The AppStream id names the program in software centres: it never changes.
set(QUENDAL_APP_ID org.quendal.quendal)
# The Debian revision: the packaging's own changes to one upstream version.
set(QUENDAL_DEBIAN_RELEASE 1)
if(WIN32)
  include(${PROJECT_SOURCE_DIR}/windows/Windows.cmake)
endif()
add_subdirectory(${CMAKE_CURRENT_LIST_DIR} ${PROJECT_BINARY_DIR}/packaging)

set(CPACK_PACKAGE_NAME quendal)
set(CPACK_PACKAGE_VENDOR "Quendal")
set(CPACK_PACKAGE_CONTACT "${QUENDAL_MAINTAINER}")
set(CPACK_PACKAGE_VERSION ${QUENDAL_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Analog S-meter for FlexRadio radios")
# Lines of at most 79 characters: the package's description lines get a leading space
# and lintian wants 80 at most.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "Quendal shows the receive level of a FlexRadio radio as a needle over a meter\n"
  "face, a PNG picture whose pure-black parts are see-through. It finds the radio\n"
  "on the local network, subscribes to its meter stream and can follow the\n"
  "SmartSDR window. Hamlib rigs and TCI servers can feed it too. Includes\n"
  "quendal-radiosim, a simulated radio, and quendal-tcisim, a TCI server.")
set(CPACK_PACKAGE_INSTALL_DIRECTORY Quendal)
set(CPACK_STRIP_FILES ON)

if(WIN32)
  # The installer; scripts/package-windows zips the portable folder itself.
  set(CPACK_GENERATOR NSIS)
  set(CPACK_PACKAGE_FILE_NAME quendal-${QUENDAL_VERSION}-windows-x64-setup)
  set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY Quendal)
  set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
  # A 64-bit installer for a 64-bit program: no 32-bit layer needed to run it.
  set(CPACK_NSIS_DEFINES "Target amd64-unicode")
  set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
  set(CPACK_NSIS_PACKAGE_NAME "Quendal for FlexRadio")
  set(CPACK_NSIS_DISPLAY_NAME "Quendal for FlexRadio ${QUENDAL_VERSION}")
  set(CPACK_NSIS_EXECUTABLES_DIRECTORY .)
  set(CPACK_PACKAGE_EXECUTABLES quendal-launcher "Quendal for FlexRadio")
  set(CPACK_NSIS_INSTALLED_ICON_NAME quendal.exe)
  set(CPACK_NSIS_URL_INFO_ABOUT ${QUENDAL_HOMEPAGE})
  set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
  # Everything, the Start-menu entry's launcher included, in one piece.
  set(CPACK_MONOLITHIC_INSTALL ON)
else()
  set(CPACK_GENERATOR TGZ)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION hamradio)
  set(CPACK_DEBIAN_PACKAGE_RELEASE ${QUENDAL_DEBIAN_RELEASE})
  set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${QUENDAL_HOMEPAGE})
  # Libraries come from dpkg-shlibdeps; Qt's platform plugins are loaded at run time.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
  # The Hamlib family opens libhamlib only when it is chosen, out of dpkg-shlibdeps' sight:
  # recommend the package that holds it.
  find_program(QUENDAL_DPKG_QUERY dpkg-query)
  if(QUENDAL_HAMLIB_RUNTIME_FILE AND QUENDAL_DPKG_QUERY)
    execute_process(COMMAND ${QUENDAL_DPKG_QUERY} -S ${QUENDAL_HAMLIB_RUNTIME_FILE}
                    OUTPUT_VARIABLE _owner ERROR_QUIET)
    string(REGEX MATCH "^[^:,]+" _package "${_owner}")
    if(_package)
      set(CPACK_DEBIAN_PACKAGE_RECOMMENDS ${_package})
    endif()
  endif()
endif()

include(CPack)
