cmake_minimum_required(VERSION 3.25)
# Fails when a C++ source is not as clang-format (.clang-format) lays it out.
# Run as: cmake -DSOURCE_DIR=<repo> -P CheckFormat.cmake
find_program(CLANG_FORMAT NAMES clang-format clang-format-14 REQUIRED)
set(files "")
foreach(folder src tests bench fuzz)
    file(GLOB_RECURSE found ${SOURCE_DIR}/${folder}/*.cpp ${SOURCE_DIR}/${folder}/*.h)
    list(APPEND files ${found})
endforeach()
execute_process(COMMAND ${CLANG_FORMAT} --dry-run --Werror ${files}
                WORKING_DIRECTORY ${SOURCE_DIR} RESULT_VARIABLE result ERROR_VARIABLE report)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "Not formatted (run `make format`):\n${report}")
endif()
