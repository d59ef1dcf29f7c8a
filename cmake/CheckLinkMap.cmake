# cmake -DMAP=<link map> -P CheckLinkMap.cmake: fails when the program's link
# map names an archive or object of the test doubles (testing/).
file(READ ${MAP} map)
string(REGEX MATCHALL "[^ \t\r\n(]*(libqm_testing[^ \t\r\n(]*|testing/[^ \t\r\n(]*\\.obj)" found "${map}")
if(found)
    list(REMOVE_DUPLICATES found)
    message(FATAL_ERROR "the program links test doubles: ${found}")
endif()
string(FIND "${map}" "libqm_app_win.a" app)
if(app EQUAL -1)
    message(FATAL_ERROR "${MAP} is not the program's link map")
endif()
message(STATUS "no test double in ${MAP}")
