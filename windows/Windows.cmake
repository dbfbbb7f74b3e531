# The Windows build (MSVC or MinGW with Qt 6): version resource, GUI subsystem, the
# per-user launcher of the installer, and the runtime copied beside the installed program.
enable_language(RC)
include(${CMAKE_CURRENT_LIST_DIR}/VersionResource.cmake)

quendal_add_version_resource(quendal ${QUENDAL_VERSION} "Quendal for FlexRadio S-meter")
quendal_add_version_resource(quendal-radiosim ${QUENDAL_VERSION} "Quendal radio simulator")
quendal_add_version_resource(quendal-tcisim ${QUENDAL_VERSION} "Quendal TCI server simulator")
# No console window beside the meter.
set_target_properties(quendal PROPERTIES WIN32_EXECUTABLE ON)

# The installer's Start-menu entry runs the meter in the user's own folder; the portable
# folder (the default install component) has no use for it.
add_executable(quendal-launcher WIN32 ${CMAKE_CURRENT_LIST_DIR}/Launcher.cpp)
set_target_properties(quendal-launcher PROPERTIES AUTOMOC OFF AUTORCC OFF AUTOUIC OFF)
target_compile_definitions(quendal-launcher PRIVATE UNICODE _UNICODE)
target_link_libraries(quendal-launcher PRIVATE shell32 ole32)
if(MINGW)
  target_link_options(quendal-launcher PRIVATE -municode)
endif()
quendal_add_version_resource(quendal-launcher ${QUENDAL_VERSION} "Quendal for FlexRadio S-meter")
install(TARGETS quendal-launcher RUNTIME DESTINATION . COMPONENT installer)

install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION . RENAME LICENSE.txt)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/README.txt DESTINATION .)

option(QUENDAL_WINDEPLOYQT "Copy the Qt runtime beside the installed program" ON)
set(_qt_bin)
if(TARGET Qt6::qmake)
  get_target_property(_qmake Qt6::qmake IMPORTED_LOCATION)
  get_filename_component(_qt_bin "${_qmake}" DIRECTORY)
endif()
if(QUENDAL_WINDEPLOYQT AND NOT CMAKE_CROSSCOMPILING)
  find_program(QUENDAL_WINDEPLOYQT_EXECUTABLE windeployqt HINTS "${_qt_bin}")
endif()
if(QUENDAL_WINDEPLOYQT_EXECUTABLE)
  install(CODE "execute_process(COMMAND \"${QUENDAL_WINDEPLOYQT_EXECUTABLE}\"
                  --no-translations
                  \"\${CMAKE_INSTALL_PREFIX}/quendal.exe\"
                  \"\${CMAKE_INSTALL_PREFIX}/quendal-radiosim.exe\"
                  \"\${CMAKE_INSTALL_PREFIX}/quendal-tcisim.exe\"
                COMMAND_ERROR_IS_FATAL ANY)")
elseif(QUENDAL_WINDEPLOYQT)
  # windeployqt cannot run in a cross build: the runtime the programs load, by name.
  foreach(module Core Gui Network WebSockets Widgets)
    install(FILES $<TARGET_FILE:Qt6::${module}> DESTINATION .)
  endforeach()
  install(FILES $<TARGET_FILE:Qt6::QWindowsIntegrationPlugin> DESTINATION platforms)
  # The native look of menus and message boxes.
  install(FILES $<TARGET_FILE:Qt6::QWindowsVistaStylePlugin> DESTINATION styles)
  if(MINGW)
    foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
      execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                      OUTPUT_VARIABLE _path OUTPUT_STRIP_TRAILING_WHITESPACE)
      if(NOT IS_ABSOLUTE "${_path}" OR NOT EXISTS "${_path}")
        message(FATAL_ERROR "The compiler's runtime ${dll} was not found")
      endif()
      install(FILES ${_path} DESTINATION .)
    endforeach()
  endif()
  # install(FILES) copies as is: the runtime is stripped with the programs (under half the size).
  install(CODE "if(CMAKE_INSTALL_DO_STRIP)
    file(GLOB_RECURSE _dlls \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/*.dll\")
    foreach(_dll IN LISTS _dlls)
      execute_process(COMMAND \"${CMAKE_STRIP}\" --strip-unneeded \"\${_dll}\"
                      COMMAND_ERROR_IS_FATAL ANY)
    endforeach()
  endif()")
endif()
