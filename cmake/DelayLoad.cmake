# System libraries the program needs only now and then: COM for the crash report's XML writer,
# pictures the engine leaves to WIC and accessibility clients; sockets for mail. Linked through
# DelayLoaded::<name>, each is loaded on the first call into it instead of before the entry
# function, which keeps it out of the start-up. Only libraries that Windows always takes from its
# own folder (its known DLLs) belong here: the delay-load helper searches as LoadLibrary does. The
# others (WinHTTP, the IP helper, the visual styles) go through SystemLibrary::Table, which loads
# from the system folder only and leaves a function the system lacks null.
#
# MinGW builds an import library of the delay-load kind from cmake/delayload/<name>.def, which
# lists the functions the program calls: a function missing there is an undefined reference at
# link time. MSVC needs only the linker's option.
function(gw_delay_loaded name)
    set(target DelayLoaded_${name})
    add_library(${target} INTERFACE)
    add_library(DelayLoaded::${name} ALIAS ${target})
    if(MSVC)
        target_link_libraries(${target} INTERFACE ${name} delayimp)
        target_link_options(${target} INTERFACE /DELAYLOAD:${name}.dll)
        return()
    endif()
    set(definitions ${CMAKE_SOURCE_DIR}/cmake/delayload/${name}.def)
    set(library ${CMAKE_BINARY_DIR}/delayload/lib${name}_delayed.a)
    set_property(DIRECTORY ${CMAKE_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${definitions})
    file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/delayload)
    execute_process(COMMAND ${CMAKE_DLLTOOL} --input-def ${definitions} --dllname ${name}.dll
                            --output-delaylib ${library}
                    RESULT_VARIABLE failed)
    if(failed)
        message(FATAL_ERROR "dlltool could not make the delay-load library of ${name}.dll")
    endif()
    target_link_libraries(${target} INTERFACE ${library})
endfunction()

foreach(name ole32 oleaut32 ws2_32)
    gw_delay_loaded(${name})
endforeach()
