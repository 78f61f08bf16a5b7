# SPDX-License-Identifier: MIT
# Runs `pelmora-cli search ARGS --format=tsv DIR` and compares the paths it
# lists (in its order) and its exit status with the expected ones.
# -DCLI= -DDIR= -DARGS=a|b|c -DEXPECTED=p1|p2 -DSTATUS=0
string(REPLACE "|" ";" args "${ARGS}")
string(REPLACE "|" ";" expected "${EXPECTED}")
execute_process(COMMAND ${CLI} search ${args} --format=tsv ${DIR}
                OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE status)
if(NOT status EQUAL STATUS)
  message(FATAL_ERROR "exit status ${status}, expected ${STATUS}\n${err}")
endif()
string(REGEX REPLACE "\n$" "" out "${out}")
string(REPLACE "\n" ";" lines "${out}")
set(paths "")
foreach(line IN LISTS lines)
  string(REGEX REPLACE "\t.*" "" path "${line}")
  list(APPEND paths "${path}")
endforeach()
if(paths)
  list(REMOVE_AT paths 0)  # the header line
endif()
if(NOT "${paths}" STREQUAL "${expected}")
  message(FATAL_ERROR "listed [${paths}], expected [${expected}]")
endif()
