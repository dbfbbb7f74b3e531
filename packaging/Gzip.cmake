# cmake -DINPUT=<file> -DOUTPUT=<file.gz> -P Gzip.cmake
# Compressed as Debian wants documentation: best compression, no name or time stamp
# inside, so the package is the same on every rebuild.
get_filename_component(_folder ${OUTPUT} DIRECTORY)
file(MAKE_DIRECTORY ${_folder})
execute_process(COMMAND gzip -9 -n -c ${INPUT} OUTPUT_FILE ${OUTPUT} RESULT_VARIABLE _rc)
if(NOT _rc EQUAL 0)
  file(REMOVE ${OUTPUT})
  message(FATAL_ERROR "gzip ${INPUT} failed: ${_rc}")
endif()
