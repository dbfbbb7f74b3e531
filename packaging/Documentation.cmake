# Compressed documents and manual pages for the install tree.
include(GNUInstallDirs)
find_program(QUENDAL_HELP2MAN help2man REQUIRED)

set(_quendal_packaging_dir ${CMAKE_CURRENT_LIST_DIR})

# quendal_gzip(<input> <output>): <output> is <input> compressed as Debian wants.
function(quendal_gzip input output)
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -DINPUT=${input} -DOUTPUT=${output}
            -P ${_quendal_packaging_dir}/Gzip.cmake
    DEPENDS ${input} ${_quendal_packaging_dir}/Gzip.cmake
    VERBATIM)
endfunction()

# quendal_manual_page(<program target>): builds <program>.1.gz and installs it in man1.
# help2man writes it from the program's own --help, so a new option shows up without
# anyone editing the page; man/<program>.h2m adds the name, the files and the rest.
function(quendal_manual_page program)
  set(include ${CMAKE_CURRENT_BINARY_DIR}/man/${program}.h2m)
  set(page ${CMAKE_CURRENT_BINARY_DIR}/man/${program}.1)
  configure_file(${_quendal_packaging_dir}/man/${program}.h2m ${include} @ONLY)
  add_custom_command(
    OUTPUT ${page}
    COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${QUENDAL_SOURCE_DATE_EPOCH}
            ${QUENDAL_HELP2MAN} --no-info --version-string=${QUENDAL_VERSION}
            --include=${include} --output=${page} $<TARGET_FILE:${program}>
    DEPENDS ${program} ${include}
    COMMENT "Writing the manual page of ${program}"
    VERBATIM)
  quendal_gzip(${page} ${page}.gz)
  add_custom_target(${program}_manual_page ALL DEPENDS ${page}.gz)
  install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endfunction()
