# Configures SOURCE into a fresh BINARY directory (no cache left from an
# earlier run) with the extra cache settings in ARGS (separated by |), prints the
# output and fails when configuring fails.
cmake_minimum_required(VERSION 3.16)
string(REPLACE "|" ";" ARGS "${ARGS}")
file(REMOVE_RECURSE ${BINARY})
execute_process(COMMAND ${CMAKE_COMMAND} -S ${SOURCE} -B ${BINARY} -G ${GENERATOR} ${ARGS}
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
message("${out}${err}")
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "configure failed (${rc})")
endif()
