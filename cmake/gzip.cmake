# Compresses a file as Debian wants it: best compression, no name or time stamp.
# Usage: cmake -DInput=<file> -DOutput=<file.gz> -P gzip.cmake
execute_process(COMMAND gzip -9n -c "${Input}" OUTPUT_FILE "${Output}" RESULT_VARIABLE Result)
if(NOT Result EQUAL 0)
  file(REMOVE "${Output}")
  message(FATAL_ERROR "gzip ${Input}: ${Result}")
endif()
