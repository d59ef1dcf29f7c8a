# Shared build rules: warnings, test registration and the Windows test emulator.

# Our own code builds with warnings as errors in both builds.
function(qm_defaults target)
    target_compile_features(${target} PUBLIC cxx_std_20)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
        # GCC 12 reports false -Wrestrict overlaps inside std::string's operator+
        # when optimising (GCC bug 105329); the check is sound again from GCC 13.
        target_compile_options(${target} PRIVATE -Wno-restrict)
    endif()
    if(WIN32)
        target_compile_definitions(${target} PRIVATE WIN32_LEAN_AND_MEAN NOMINMAX
                                   _WIN32_WINNT=0x0601 WINVER=0x0601)
    endif()
endfunction()

# A portable library of the core: never includes platform headers.
function(qm_core_library name)
    add_library(${name} STATIC ${ARGN})
    qm_defaults(${name})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
endfunction()

# qm_add_test(<name> SOURCES <files...> LIBS <libs...> [TIMEOUT <s>] [LABELS <l...>] [SERIAL])
# SERIAL: its cases run alone (they measure timing against a loaded machine).
# Native build: every GoogleTest case is its own ctest test.
# Windows build: one ctest test per executable, run under Wine via the emulator,
# so that a test binary starts Wine once.
function(qm_add_test name)
    cmake_parse_arguments(T "SERIAL" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 300)
    endif()
    add_executable(${name} ${T_SOURCES})
    qm_defaults(${name})
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
    if(TARGET qm_testing)
        list(APPEND T_LIBS qm_testing)
    endif()
    target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
    if(CMAKE_CROSSCOMPILING)
        add_test(NAME ${name} COMMAND ${name} --gtest_color=no)
        set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT} LABELS "wine;${T_LABELS}")
    else()
        include(GoogleTest)
        gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
                             PROPERTIES TIMEOUT ${T_TIMEOUT} LABELS "native;${T_LABELS}"
                                        RUN_SERIAL ${T_SERIAL})
    endif()
endfunction()
