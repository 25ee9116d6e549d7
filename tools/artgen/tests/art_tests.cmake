# Tests of the generated artwork, clip and help. Included by res/art.cmake, which defines
# HITCHED_ART_DIR, HITCHED_HELP_PATH and the hitched_art target. The files are parsed by
# readers of their own on the Linux side; how the program's windows show them is tested with
# the pages and the skinned button under Wine.

set(ART_TEST_DIR ${CMAKE_SOURCE_DIR}/tools/artgen/tests)
find_program(HITCHED_CHMLS NAMES chmls REQUIRED)

# In every build but the ThreadSanitizer one (which would only repeat them: nothing here is
# threaded).
if(NOT HITCHED_SANITIZE STREQUAL "thread")
    set(ART_TEST_ENV
        "ART_DIR=${HITCHED_ART_DIR}" "HELP_FILE=${HITCHED_HELP_PATH}" "HELP_SRC=${HELP_SRC}"
        "ARTGEN=${ARTGEN_DIR}/artgen.py" "CHMLS=${HITCHED_CHMLS}" "LANG_FILE=${HITCHED_LANG_FILE}"
        "PYTHONDONTWRITEBYTECODE=1")
    foreach(suite BitmapHeaders ButtonFaces ImageStrip Backgrounds Scales Icon Clip Help Determinism)
        add_test(NAME art.${suite}
                 COMMAND ${HITCHED_PYTHON} -B -m unittest -v test_artfiles.${suite}
                 WORKING_DIRECTORY ${ART_TEST_DIR})
        set_tests_properties(art.${suite} PROPERTIES TIMEOUT ${HITCHED_TEST_TIMEOUT}
                             ENVIRONMENT "${ART_TEST_ENV}")
    endforeach()
endif()
