# SPDX-License-Identifier: MIT
# Runs the command that follows "--" and fails unless it ends with exit status STATUS and its
# output and error output match the regular expressions STDOUT and STDERR ("^$" for nothing):
#   cmake -DSTATUS=0 -DSTDOUT=<regex> -DSTDERR=<regex> -P expect_run.cmake -- <command> <args...>
set(command)
set(after_separator FALSE)
math(EXPR last "${CMAKE_ARGC} - 1")
foreach(i RANGE ${last})
    if(after_separator)
        list(APPEND command "${CMAKE_ARGV${i}}")
    elseif("${CMAKE_ARGV${i}}" STREQUAL "--")
        set(after_separator TRUE)
    endif()
endforeach()
execute_process(COMMAND ${command} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT status STREQUAL STATUS OR NOT out MATCHES "${STDOUT}" OR NOT err MATCHES "${STDERR}")
    message(FATAL_ERROR "exit status ${status} (expected ${STATUS})\n"
                        "output (expected to match ${STDOUT}):\n${out}\n"
                        "error output (expected to match ${STDERR}):\n${err}")
endif()
