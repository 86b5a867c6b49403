# SPDX-License-Identifier: MIT
# Fails when a C++ file of the project is not as clang-format (the repository's .clang-format)
# writes it. Run as a test: cmake -DSOURCE_DIR=<root> -DCLANG_FORMAT=<program> -P check_format.cmake
set(folders analysis app bench cli curves fuzz import platform results tests tools window)
set(files)
foreach(folder ${folders})
    file(GLOB_RECURSE found "${SOURCE_DIR}/${folder}/*.cpp" "${SOURCE_DIR}/${folder}/*.h")
    list(APPEND files ${found})
endforeach()
execute_process(COMMAND ${CLANG_FORMAT} --dry-run --Werror ${files} RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "clang-format would change the files above; run clang-format -i on them")
endif()
