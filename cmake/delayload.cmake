# Delay-loaded system DLLs: such a DLL is loaded by the MinGW runtime's
# delay-load helper on the first call into it, not at the process start.
#
# vx_delay_load(<target> <dll>...) links <target> with a delay-import library
# for each DLL, made by dlltool from delayload/<dll>.def: the DLL's functions
# the program calls, with their 32-bit stdcall suffixes (dropped for 64-bit).
# Call it before the target's other libraries: each function is forced into
# the link from its delay library (-u), so the system's import library no
# longer supplies it. The i686 link needs that anyway: it drops a delay
# library's call stubs that no object names, and the import address then
# stays 0.
find_program(VX_DLLTOOL ${VX_TRIPLE}-dlltool REQUIRED)

function(vx_delay_load target)
    set(dir ${CMAKE_CURRENT_BINARY_DIR}/delayload)
    file(MAKE_DIRECTORY ${dir})
    foreach(dll ${ARGN})
        set(source ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/delayload/${dll}.def)
        set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${source})
        file(STRINGS ${source} lines)
        list(FILTER lines EXCLUDE REGEX "^(LIBRARY|EXPORTS)")
        set(def ${dir}/${dll}.def)
        set(kill)
        if(VX_TRIPLE MATCHES "^i686")
            # Imported by the plain name, linked by the decorated one.
            set(kill --kill-at)
            list(TRANSFORM lines PREPEND "-Wl,-u,_" OUTPUT_VARIABLE forced)
            configure_file(${source} ${def} COPYONLY)
        else()
            list(TRANSFORM lines REPLACE "@[0-9]+$" "")
            list(TRANSFORM lines PREPEND "-Wl,-u," OUTPUT_VARIABLE forced)
            list(JOIN lines "\n" exports)
            file(WRITE ${def} "LIBRARY ${dll}.dll\nEXPORTS\n${exports}\n")
        endif()
        # Made again only when its list changed: a new library relinks the exe.
        set(lib ${dir}/lib${dll}_delay.a)
        if(NOT EXISTS ${lib} OR ${source} IS_NEWER_THAN ${lib})
            execute_process(COMMAND ${VX_DLLTOOL} ${kill} --input-def ${def} --dllname ${dll}.dll
                                    --output-delaylib ${lib}
                            RESULT_VARIABLE failed)
            if(failed)
                message(FATAL_ERROR "dlltool could not make the delay library of ${dll}")
            endif()
        endif()
        target_link_libraries(${target} PRIVATE ${forced} ${lib})
    endforeach()
endfunction()
