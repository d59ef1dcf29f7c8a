# cmake -DOBJDUMP=<objdump> -DBINARY=<exe> -P CheckWideImports.cmake: fails when
# the program imports an 8-bit ("A") function of the system other than the few
# that the MinGW runtime and the socket library call with no text of ours. The program's texts
# are UTF-8 and reach the system only through the wide ("W") functions.
cmake_minimum_required(VERSION 3.25)
execute_process(COMMAND ${OBJDUMP} -p ${BINARY} OUTPUT_VARIABLE dump RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "cannot read the imports of ${BINARY}")
endif()
set(runtime CreateEventA CreateSemaphoreA FormatMessageA GetModuleHandleA GetStartupInfoA
    OutputDebugStringA
    # the DevTools socket (standalone Asio): an unnamed timer, the system's
    # version check, numeric addresses; no text of ours
    CreateWaitableTimerA VerifyVersionInfoA WSAAddressToStringA)
string(REPLACE "\n" ";" lines "${dump}")
set(found)
foreach(line IN LISTS lines)
    # An import line: "<tab><address><tab> <hint>  <name>".
    if(line MATCHES "^\t[0-9a-f]+\t +[0-9]+  ([A-Za-z0-9_]+A)$")
        if(NOT CMAKE_MATCH_1 IN_LIST runtime)
            list(APPEND found ${CMAKE_MATCH_1})
        endif()
    endif()
endforeach()
string(FIND "${dump}" "RegQueryValueExW" wide)
if(wide EQUAL -1)
    message(FATAL_ERROR "${BINARY} does not look like the program (no RegQueryValueExW import)")
endif()
if(found)
    message(FATAL_ERROR "the program imports 8-bit text functions: ${found}")
endif()
message(STATUS "no 8-bit text function imported by ${BINARY}")
