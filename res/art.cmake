# The wizard's artwork, the detect-cable clip and the compiled help, all generated at build
# time from the sources in tools/artgen/ and res/help/. Included by res/CMakeLists.txt.
#
# Files in ${HITCHED_ART_DIR} (<build>/res/art); the resource script names them relative to
# ${HITCHED_ART_INCLUDE_DIR} (<build>/res), which goes on its include path:
#
#   128 ICON   "art/hitched_128.ico"          16, 32 and 48 px, 32-bit with alpha
#   129 BITMAP "art/bg_frame_129.bmp"         671 x 508  wizard frame background
#   131 BITMAP "art/btn_normal_131.bmp"        97 x 25   frame button: normal (and disabled)
#   132 BITMAP "art/btn_pressed_132.bmp"       97 x 25   frame button: pressed
#   135 BITMAP "art/btn_hover_135.bmp"         97 x 25   frame button: hovered
#   136 BITMAP "art/separator_136.bmp"        440 x 2    line under page titles, 4 bpp
#   155 BITMAP "art/bg_troubleshoot_155.bmp"  491 x 530  troubleshooting dialog background
#   156 BITMAP "art/btn_ts_hover_156.bmp"      75 x 25   troubleshooting button: hovered
#   157 BITMAP "art/btn_ts_normal_157.bmp"     75 x 25   troubleshooting button: normal
#   158 BITMAP "art/btn_ts_pressed_158.bmp"    75 x 25   troubleshooting button: pressed
#   162 BITMAP "art/bg_welcome_162.bmp"       540 x 299  welcome page background
#   163 BITMAP "art/bg_page_163.bmp"          642 x 349  background of the other pages
#   166 BITMAP "art/btn_bt_grey_166.bmp"      140 x 26   Bluetooth page button: grey (normal)
#   167 BITMAP "art/btn_bt_rim_167.bmp"       140 x 26   blue with a darker rim (pressed)
#   168 BITMAP "art/btn_bt_blue_168.bmp"      140 x 26   plain blue (hovered)
#   169 BITMAP "art/imagelist_169.bmp"        121 x 24   list images: phone, handshake, padlock
#                                                        and their greyed copies, 20 x 24 each
#
# Every bitmap is also drawn at 125, 150 and 200 % into art/125, art/150 and art/200 (same
# names, sizes scaled and rounded), compiled in under the ids of art/scaled_bitmaps.rc: the
# 100 % id plus 1000, 2000 and 3000. The image list keeps six cells and a spare column.
#
# Every bitmap is 24-bit except 136; magenta (0xFF00FF) marks the transparent pixels.
# Beside the program (${HITCHED_DIST_DIR}, Windows builds): detectphone.pgr, the clip, and
# the help file, named by IDS_HELPDOCUMENT of the language file (${HITCHED_HELP_FILE}).

find_program(HITCHED_PYTHON NAMES python3 REQUIRED)
find_program(HITCHED_CHMCMD NAMES chmcmd)
if(NOT HITCHED_CHMCMD)
    message(FATAL_ERROR "chmcmd not found: the help file is compiled with it (Debian package fp-utils)")
endif()

set(HITCHED_ART_INCLUDE_DIR ${CMAKE_BINARY_DIR}/res)
set(HITCHED_ART_DIR ${HITCHED_ART_INCLUDE_DIR}/art)
set(HITCHED_ART_DIR ${HITCHED_ART_DIR} PARENT_SCOPE)
set(HITCHED_ART_INCLUDE_DIR ${HITCHED_ART_INCLUDE_DIR} PARENT_SCOPE)

set(ARTGEN_DIR ${CMAKE_SOURCE_DIR}/tools/artgen)
set(ARTGEN_SOURCES
    ${ARTGEN_DIR}/artgen.py ${ARTGEN_DIR}/artwork.py ${ARTGEN_DIR}/clip.py
    ${ARTGEN_DIR}/fileformats.py ${ARTGEN_DIR}/glyphs.py ${ARTGEN_DIR}/palette.py
    ${ARTGEN_DIR}/raster.py)

set(HITCHED_ART_BITMAPS
    bg_frame_129.bmp btn_normal_131.bmp btn_pressed_132.bmp btn_hover_135.bmp separator_136.bmp
    bg_troubleshoot_155.bmp btn_ts_hover_156.bmp btn_ts_normal_157.bmp btn_ts_pressed_158.bmp
    bg_welcome_162.bmp bg_page_163.bmp btn_bt_grey_166.bmp btn_bt_rim_167.bmp
    btn_bt_blue_168.bmp imagelist_169.bmp)
set(HITCHED_ART_FILES)
foreach(f ${HITCHED_ART_BITMAPS} hitched_128.ico detectphone.pgr scaled_bitmaps.rc)
    list(APPEND HITCHED_ART_FILES ${HITCHED_ART_DIR}/${f})
endforeach()
foreach(scale 125 150 200)
    foreach(f ${HITCHED_ART_BITMAPS})
        list(APPEND HITCHED_ART_FILES ${HITCHED_ART_DIR}/${scale}/${f})
    endforeach()
endforeach()
set(HITCHED_ART_FILES ${HITCHED_ART_FILES} PARENT_SCOPE)

add_custom_command(OUTPUT ${HITCHED_ART_FILES}
    COMMAND ${HITCHED_PYTHON} -B ${ARTGEN_DIR}/artgen.py ${HITCHED_ART_DIR}
    DEPENDS ${ARTGEN_SOURCES}
    COMMENT "Drawing the wizard's bitmaps at every display scale, icon and clip"
    VERBATIM)

# --- help ------------------------------------------------------------------------------
# The help file's name is a text of the language file (IDS_HELPDOCUMENT); read it here so
# that the file built is the file the program opens. The topic paths are texts of the same
# file; the tests check that every one of them is in the compiled help.
set(HITCHED_LANG_FILE ${CMAKE_CURRENT_SOURCE_DIR}/languages/language.lgg)
set(HITCHED_HELP_FILE hitched.chm)
if(EXISTS ${HITCHED_LANG_FILE})
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${HITCHED_LANG_FILE})
    file(READ ${HITCHED_LANG_FILE} lang_bom LIMIT 2 HEX)
    if(lang_bom STREQUAL "fffe")
        set(lang_encoding UTF-16LE)
    else()
        set(lang_encoding UTF-8)
    endif()
    file(STRINGS ${HITCHED_LANG_FILE} lang_line REGEX "^[ \t]*IDS_HELPDOCUMENT[ \t]*="
         ENCODING ${lang_encoding})
    if(lang_line)
        list(GET lang_line 0 lang_line)
        string(REGEX REPLACE "^[^=]*=" "" lang_value "${lang_line}")
        string(STRIP "${lang_value}" lang_value)
        if(lang_value)
            set(HITCHED_HELP_FILE ${lang_value})
        endif()
    endif()
endif()
set(HITCHED_HELP_FILE ${HITCHED_HELP_FILE} PARENT_SCOPE)

set(HELP_SRC ${CMAKE_CURRENT_SOURCE_DIR}/help)
set(HELP_BUILD ${CMAKE_BINARY_DIR}/res/help)
set(HELP_TOPICS welcome.htm connection_type.htm usb_cable.htm infrared.htm bluetooth.htm
                bluetooth_pairing.htm connected_phones.htm)
set(HELP_INPUTS)
foreach(f ${HELP_TOPICS} help.css hitched.hhc hitched.hhk)
    list(APPEND HELP_INPUTS ${HELP_SRC}/${f})
endforeach()
configure_file(${HELP_SRC}/hitched.hhp.in ${HELP_BUILD}/hitched.hhp @ONLY)
file(WRITE ${HELP_BUILD}/require_file.cmake
     "if(NOT EXISTS \"\${FILE}\")\n  message(FATAL_ERROR \"\${FILE} was not written\")\nendif()\n")
set(HITCHED_HELP_PATH ${HELP_BUILD}/${HITCHED_HELP_FILE})
add_custom_command(OUTPUT ${HITCHED_HELP_PATH}
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${HELP_INPUTS} ${HELP_BUILD}
    COMMAND ${CMAKE_COMMAND} -E rm -f ${HITCHED_HELP_PATH}
    COMMAND ${HITCHED_CHMCMD} --no-html-scan --verbosity 0 hitched.hhp
    # chmcmd reports some failures only in its output: no file, no success
    COMMAND ${CMAKE_COMMAND} -DFILE=${HITCHED_HELP_PATH} -P ${HELP_BUILD}/require_file.cmake
    WORKING_DIRECTORY ${HELP_BUILD}
    DEPENDS ${HELP_INPUTS} ${HELP_BUILD}/hitched.hhp
    COMMENT "Compiling the help file ${HITCHED_HELP_FILE}"
    VERBATIM)

set(ART_OUTPUTS ${HITCHED_ART_FILES} ${HITCHED_HELP_PATH})

# --- install layout --------------------------------------------------------------------
if(WIN32)
    foreach(src ${HITCHED_ART_DIR}/detectphone.pgr ${HITCHED_HELP_PATH})
        get_filename_component(name ${src} NAME)
        add_custom_command(OUTPUT ${HITCHED_DIST_DIR}/${name}
            COMMAND ${CMAKE_COMMAND} -E copy_if_different ${src} ${HITCHED_DIST_DIR}/${name}
            DEPENDS ${src}
            VERBATIM)
        list(APPEND ART_OUTPUTS ${HITCHED_DIST_DIR}/${name})
        install(FILES ${HITCHED_DIST_DIR}/${name} DESTINATION .)
    endforeach()
endif()

add_custom_target(hitched_art ALL DEPENDS ${ART_OUTPUTS})

# A contact sheet and mock-ups of the artwork for people to look at (docs/artwork.png is
# one); not part of the build, needs ImageMagick: cmake --build <dir> --target art_preview
add_custom_target(art_preview
    COMMAND ${HITCHED_PYTHON} -B ${ARTGEN_DIR}/preview.py ${HITCHED_ART_DIR}
            ${CMAKE_BINARY_DIR}/artwork.png
    DEPENDS hitched_art ${ARTGEN_DIR}/preview.py
    COMMENT "Rendering ${CMAKE_BINARY_DIR}/artwork.png"
    VERBATIM)

if(WIN32)
    # The resource script (res/hitched.rc) compiles the bitmaps and the icon into the program:
    # it finds them as "art/<file>", must wait for them and be recompiled when they change.
    # Deferred to the end of this folder, so that its target exists and its own
    # OBJECT_DEPENDS are already set.
    function(hitched_art_hook_resources)
        set_property(SOURCE ${CMAKE_CURRENT_SOURCE_DIR}/hitched.rc APPEND PROPERTY
                     OBJECT_DEPENDS ${HITCHED_ART_FILES})
        foreach(t hitched_res hitched)
            if(TARGET ${t})
                target_include_directories(${t} PRIVATE ${HITCHED_ART_INCLUDE_DIR})
                add_dependencies(${t} hitched_art)
            endif()
        endforeach()
    endfunction()
    cmake_language(DEFER CALL hitched_art_hook_resources)
    # hitched_dist is defined after the folders; hook it up once it exists.
    cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL
                   add_dependencies hitched_dist hitched_art)
endif()

include(${ARTGEN_DIR}/tests/art_tests.cmake)
