# Test plumbing shared by every test folder.
# Native tests run directly; Windows tests run under Wine through the emulator script, with
# one persistent wineserver (and an Xvfb display) per build folder, started and stopped by a
# CTest fixture so that no Wine service keeps CTest's output pipe open.
include(CTest)
include(GoogleTest)

set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
# GoogleTest's own sources are not ours to keep warning-free.
foreach(t gtest gtest_main gmock gmock_main)
    if(TARGET ${t})
        target_compile_options(${t} PRIVATE -w)
    endif()
endforeach()

set(HITCHED_TEST_TIMEOUT 120 CACHE STRING "Default CTest time-out of one test, seconds")

if(WIN32)
    set(HITCHED_WINE_DIR ${CMAKE_BINARY_DIR}/wine)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_SOURCE_DIR}/scripts/wine/run.sh)
    add_test(NAME wine_start COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine/start.sh)
    add_test(NAME wine_stop COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine/stop.sh)
    set_tests_properties(wine_start PROPERTIES FIXTURES_SETUP Wine TIMEOUT 300
        ENVIRONMENT "HITCHED_WINE_DIR=${HITCHED_WINE_DIR}")
    set_tests_properties(wine_stop PROPERTIES FIXTURES_CLEANUP Wine TIMEOUT 60
        ENVIRONMENT "HITCHED_WINE_DIR=${HITCHED_WINE_DIR}")
endif()

# hitched_add_gtests(<target> <sources...>): adds the sources to a test executable and one
# CTest test per TEST() found in them.
function(hitched_add_gtests target)
    target_sources(${target} PRIVATE ${ARGN})
    set(abs)
    foreach(s ${ARGN})
        get_filename_component(a ${s} ABSOLUTE)
        list(APPEND abs ${a})
    endforeach()
    gtest_add_tests(TARGET ${target} SOURCES ${abs} TEST_LIST added)
    set_tests_properties(${added} PROPERTIES TIMEOUT ${HITCHED_TEST_TIMEOUT})
    # Tests that share something process-wide (hitched.exe's named objects, the foreground
    # window, the debug-output monitor) set HITCHED_TEST_RESOURCE_LOCK before calling.
    if(HITCHED_TEST_RESOURCE_LOCK)
        set_tests_properties(${added} PROPERTIES RESOURCE_LOCK "${HITCHED_TEST_RESOURCE_LOCK}")
    endif()
    if(WIN32)
        set_tests_properties(${added} PROPERTIES FIXTURES_REQUIRED Wine
            ENVIRONMENT "HITCHED_WINE_DIR=${HITCHED_WINE_DIR};HITCHED_DIST_DIR=${HITCHED_DIST_DIR}")
    endif()
endfunction()

# hitched_wine_test(<name> <command...>): a test that runs a Linux-side command (a script
# driving hitched.exe, say) inside the Wine fixture.
function(hitched_wine_test name)
    add_test(NAME ${name} COMMAND ${ARGN})
    set_tests_properties(${name} PROPERTIES TIMEOUT ${HITCHED_TEST_TIMEOUT} FIXTURES_REQUIRED Wine
        ENVIRONMENT "HITCHED_WINE_DIR=${HITCHED_WINE_DIR};HITCHED_DIST_DIR=${HITCHED_DIST_DIR}")
endfunction()

# Tests that start hitched.exe in a network namespace of their own (scripts/wine/isolated.sh)
# need no lock on port 9520 or on the fixture's window and run beside the others. Where this
# machine allows no namespace they run in the fixture and take its locks like the rest.
execute_process(COMMAND unshare --net ip link set lo up RESULT_VARIABLE hitched_unshare_status
    OUTPUT_QUIET ERROR_QUIET)
if(hitched_unshare_status EQUAL 0)
    set(HITCHED_ISOLATION ON)
else()
    set(HITCHED_ISOLATION OFF)
endif()

# hitched_isolated_wine_test(<name> OWN_PREFIX|FIXTURE <command...>): OWN_PREFIX for a command
# that makes its Wine prefix itself, FIXTURE for one that runs in a prefix it is given (its own
# when isolated, otherwise the build folder's).
function(hitched_isolated_wine_test name kind)
    set(run ${CMAKE_SOURCE_DIR}/scripts/wine/isolated.sh)
    set(env "HITCHED_DIST_DIR=${HITCHED_DIST_DIR}")
    if(HITCHED_ISOLATION AND kind STREQUAL "FIXTURE")
        add_test(NAME ${name} COMMAND ${run} --wine ${CMAKE_BINARY_DIR}/wine-${name} ${ARGN})
    elseif(HITCHED_ISOLATION)
        add_test(NAME ${name} COMMAND ${run} ${ARGN})
    else()
        add_test(NAME ${name} COMMAND ${ARGN})
        set_tests_properties(${name} PROPERTIES RESOURCE_LOCK "hitched_port_9520;hitched_window")
        if(kind STREQUAL "FIXTURE")
            set(env "${env};HITCHED_WINE_DIR=${HITCHED_WINE_DIR}")
            set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED Wine)
        endif()
    endif()
    set_tests_properties(${name} PROPERTIES TIMEOUT ${HITCHED_TEST_TIMEOUT} ENVIRONMENT "${env}")
endfunction()
