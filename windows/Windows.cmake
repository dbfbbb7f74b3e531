# The Windows build (MSVC or MinGW with Qt 6): version resource, GUI subsystem and,
# when Qt's deployment tool is found, the Qt runtime copied beside the installed program.
enable_language(RC)
include(${CMAKE_CURRENT_LIST_DIR}/VersionResource.cmake)

quendal_add_version_resource(quendal ${QUENDAL_VERSION} "Quendal for FlexRadio S-meter")
quendal_add_version_resource(quendal-radiosim ${QUENDAL_VERSION} "Quendal radio simulator")
quendal_add_version_resource(quendal-tcisim ${QUENDAL_VERSION} "Quendal TCI server simulator")
# No console window beside the meter.
set_target_properties(quendal PROPERTIES WIN32_EXECUTABLE ON)

option(QUENDAL_WINDEPLOYQT "Copy the Qt runtime beside the installed program" ON)
if(QUENDAL_WINDEPLOYQT)
  set(_qt_bin)
  if(TARGET Qt6::qmake)
    get_target_property(_qmake Qt6::qmake IMPORTED_LOCATION)
    get_filename_component(_qt_bin "${_qmake}" DIRECTORY)
  endif()
  find_program(QUENDAL_WINDEPLOYQT_EXECUTABLE windeployqt HINTS "${_qt_bin}")
  if(QUENDAL_WINDEPLOYQT_EXECUTABLE)
    install(CODE "execute_process(COMMAND \"${QUENDAL_WINDEPLOYQT_EXECUTABLE}\"
                    --no-translations
                    \"\${CMAKE_INSTALL_PREFIX}/quendal.exe\"
                    \"\${CMAKE_INSTALL_PREFIX}/quendal-radiosim.exe\"
                    \"\${CMAKE_INSTALL_PREFIX}/quendal-tcisim.exe\"
                  COMMAND_ERROR_IS_FATAL ANY)")
  else()
    message(WARNING "windeployqt not found: the installed folder will lack the Qt runtime")
  endif()
endif()
