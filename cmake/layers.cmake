# The code's folders, one library each, lowest first: a file may include
# headers from its own folder and the folders before it, never from one after
# it (nor from tools/, tests/ or bench/).
set(VX_LAYERS support util gfx ui uninstall app)
# res/ holds no code, only the ids the resource script and the code share:
# every folder may include from it.
set(VX_LAYER_BASE res)

# Run as a script, `cmake -P cmake/layers.cmake` lists the folders each folder
# includes from and fails on an include that points up. The build runs it
# with STAMP set, silent unless it fails, and touches STAMP when all is well.
if(NOT CMAKE_SCRIPT_MODE_FILE)
    return()
endif()
cmake_minimum_required(VERSION 3.25)

get_filename_component(root "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
set(upward "")
foreach(layer IN LISTS VX_LAYERS)
    list(FIND VX_LAYERS ${layer} level)
    file(GLOB files RELATIVE "${root}" "${root}/${layer}/*.h" "${root}/${layer}/*.cpp")
    set(used "")
    foreach(file IN LISTS files)
        file(STRINGS "${root}/${file}" includes
             REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<](\\.\\./)*[^\">/]+/")
        foreach(include IN LISTS includes)
            string(REGEX REPLACE "^[^\"<]*[\"<]((\\.\\./)*([^\">/]+)/[^\">]*)[\">].*" "\\3;\\1"
                                 found "${include}")
            list(GET found 0 folder)
            list(GET found 1 header)
            # Headers from elsewhere (<sys/...>, <gtest/...>) are not the project's.
            if(NOT IS_DIRECTORY "${root}/${folder}")
                continue()
            endif()
            list(FIND VX_LAYERS ${folder} target)
            if(NOT folder IN_LIST VX_LAYER_BASE AND (target EQUAL -1 OR target GREATER level))
                string(APPEND upward "\n  ${file} includes ${header}")
            endif()
            if(NOT folder STREQUAL layer)
                list(APPEND used ${folder})
            endif()
        endforeach()
    endforeach()
    if(NOT STAMP)
        # The folders it includes from, lowest first, with how many includes.
        set(counts "")
        foreach(folder IN LISTS VX_LAYER_BASE VX_LAYERS)
            set(n ${used})
            list(FILTER n INCLUDE REGEX "^${folder}$")
            list(LENGTH n count)
            if(count)
                string(APPEND counts " ${folder} ${count}")
            endif()
        endforeach()
        execute_process(COMMAND "${CMAKE_COMMAND}" -E echo "${layer} includes from:${counts}")
    endif()
endforeach()

if(upward)
    message(FATAL_ERROR "Includes that point up a layer (order: ${VX_LAYERS}):${upward}")
endif()
if(STAMP)
    file(TOUCH "${STAMP}")
endif()
