# STEP=prepare (environment): empties FOLDER. Otherwise: the native WRITER
# writes FOLDER/linux, and every file there must equal FOLDER/windows's.
if("$ENV{STEP}" STREQUAL "prepare")
    file(REMOVE_RECURSE ${FOLDER})
    file(MAKE_DIRECTORY ${FOLDER}/windows ${FOLDER}/linux)
    return()
endif()

execute_process(COMMAND ${WRITER} ${FOLDER}/linux RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "the Linux writer failed: ${rc}")
endif()

file(GLOB linux RELATIVE ${FOLDER}/linux ${FOLDER}/linux/*.dc6)
file(GLOB windows RELATIVE ${FOLDER}/windows ${FOLDER}/windows/*.dc6)
list(SORT linux)
list(SORT windows)
if(NOT linux STREQUAL windows OR linux STREQUAL "")
    message(FATAL_ERROR "different documents: Linux '${linux}', Windows '${windows}'")
endif()
foreach(name IN LISTS linux)
    execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${FOLDER}/linux/${name}
                            ${FOLDER}/windows/${name} RESULT_VARIABLE differ)
    if(differ)
        message(FATAL_ERROR "${name}: the Windows build wrote other bytes")
    endif()
    file(SIZE ${FOLDER}/linux/${name} size)
    message(STATUS "${name}: ${size} bytes, identical")
endforeach()
