# Tests of the generated artwork, clip and help. Included by res/art.cmake, which defines
# HITCHED_ART_DIR, HITCHED_HELP_PATH and the hitched_art target.

set(ART_TEST_DIR ${CMAKE_SOURCE_DIR}/tools/artgen/tests)
find_program(HITCHED_CHMLS NAMES chmls REQUIRED)

# Linux side: the files parsed by readers of their own, in every build but the
# ThreadSanitizer one (which would only repeat them: nothing here is threaded).
if(NOT HITCHED_SANITIZE STREQUAL "thread")
    set(ART_TEST_ENV
        "ART_DIR=${HITCHED_ART_DIR}" "HELP_FILE=${HITCHED_HELP_PATH}" "HELP_SRC=${HELP_SRC}"
        "ARTGEN=${ARTGEN_DIR}/artgen.py" "CHMLS=${HITCHED_CHMLS}" "LANG_FILE=${HITCHED_LANG_FILE}"
        "PYTHONDONTWRITEBYTECODE=1")
    foreach(suite BitmapHeaders ButtonFaces ImageStrip Backgrounds Icon Clip Help Determinism)
        add_test(NAME art.${suite}
                 COMMAND ${HITCHED_PYTHON} -B -m unittest -v test_artfiles.${suite}
                 WORKING_DIRECTORY ${ART_TEST_DIR})
        set_tests_properties(art.${suite} PROPERTIES TIMEOUT ${HITCHED_TEST_TIMEOUT}
                             ENVIRONMENT "${ART_TEST_ENV}")
    endforeach()
endif()

# Windows side, under Wine: loading by file and by resource id, the image list, the clip in
# a real animation control, the help through HTML Help and its storage reader.
if(WIN32)
    add_executable(art_win_tests ${ART_TEST_DIR}/art_test.rc)
    add_dependencies(art_win_tests hitched_art)
    target_include_directories(art_win_tests PRIVATE ${HITCHED_ART_INCLUDE_DIR})
    set_source_files_properties(${ART_TEST_DIR}/art_test.rc PROPERTIES
                                OBJECT_DEPENDS "${HITCHED_ART_FILES}")
    target_compile_definitions(art_win_tests PRIVATE
        HITCHED_ART_DIR="${HITCHED_ART_DIR}" HITCHED_HELP_PATH="${HITCHED_HELP_PATH}"
        HITCHED_HELP_SRC="${HELP_SRC}")
    target_link_libraries(art_win_tests PRIVATE GTest::gtest_main comctl32 ole32 uuid gdi32)
    hitched_add_gtests(art_win_tests ${ART_TEST_DIR}/art_win_test.cpp)
endif()
