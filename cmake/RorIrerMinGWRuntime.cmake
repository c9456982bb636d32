# Puts RORIRER.dll, the programs built beside it and the compiler's runtime
# DLLs in one directory, the one Windows searches first, so the library and
# its host share one C++ runtime and one unwinder and the tests run from the
# build tree without a PATH.
set(RORIRER_RUNTIME_DIR "${PROJECT_BINARY_DIR}/bin")
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY "${RORIRER_RUNTIME_DIR}")
set_target_properties(RorIrer PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${RORIRER_RUNTIME_DIR}")

set(RORIRER_RUNTIME_DLLS "")
foreach(dll libgcc_s_dw2-1.dll libgcc_s_seh-1.dll libstdc++-6.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                    OUTPUT_VARIABLE _rorirer_dll OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(IS_ABSOLUTE "${_rorirer_dll}" AND EXISTS "${_rorirer_dll}")
        list(APPEND RORIRER_RUNTIME_DLLS "${_rorirer_dll}")
    endif()
endforeach()
if(NOT RORIRER_RUNTIME_DLLS MATCHES "libstdc\\+\\+-6.dll")
    message(FATAL_ERROR "${CMAKE_CXX_COMPILER} names no libstdc++-6.dll to ship")
endif()
file(COPY ${RORIRER_RUNTIME_DLLS} DESTINATION "${RORIRER_RUNTIME_DIR}")
if(RORIRER_IS_TOP_LEVEL)
    install(FILES ${RORIRER_RUNTIME_DLLS} DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
