cmake_minimum_required(VERSION 3.25)
# Fails unless PROGRAM is a 64-bit PE that imports only system DLLs.
# Usage: cmake -DOBJDUMP=... -DPROGRAM=... [-DGUI=ON] -P CheckImports.cmake
execute_process(COMMAND ${OBJDUMP} -p ${PROGRAM} OUTPUT_VARIABLE dump RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "objdump could not read ${PROGRAM}")
endif()

if(NOT dump MATCHES "Magic[ \t]+020b")
    message(FATAL_ERROR "${PROGRAM} is not a 64-bit (PE32+) image")
endif()
if(GUI AND NOT dump MATCHES "Subsystem[ \t]+00000002")
    message(FATAL_ERROR "${PROGRAM} is not a GUI-subsystem program")
endif()

set(system_dlls
    kernel32.dll user32.dll gdi32.dll shell32.dll comctl32.dll ole32.dll oleaut32.dll
    advapi32.dll msvcrt.dll ucrtbase.dll)
string(REGEX MATCHALL "DLL Name: [^\r\n]+" lines "${dump}")
set(found "")
foreach(line IN LISTS lines)
    string(REGEX REPLACE "DLL Name: " "" dll "${line}")
    string(STRIP "${dll}" dll)
    string(TOLOWER "${dll}" dll)
    list(APPEND found ${dll})
    if(NOT dll IN_LIST system_dlls AND NOT dll MATCHES "^api-ms-win-crt-")
        message(FATAL_ERROR "${PROGRAM} imports ${dll}, which is not a system DLL")
    endif()
endforeach()
list(JOIN found ", " found)
message(STATUS "${PROGRAM}: PE32+, imports ${found}")
