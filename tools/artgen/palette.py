"""The colours of the skin, in one place so every bitmap agrees."""

MAGENTA = (255, 0, 255)  # the transparent colour of every masked bitmap

NAVY = (20, 42, 78)
BLUE_DEEP = (23, 68, 136)
BLUE = (37, 106, 186)
BLUE_BRIGHT = (64, 146, 226)
TEAL = (30, 168, 196)
TEAL_LIGHT = (126, 208, 228)
# The clip's background and the lower part of every full-size page: the detect-cable page
# paints the clip's background pixels with exactly this colour (COLORREF 0xF2DDCC).
SKY = (204, 221, 242)
SKY_LIGHT = (226, 236, 249)
PAPER = (246, 249, 253)
WHITE = (255, 255, 255)
FOOTER = (228, 235, 244)
LINE = (196, 209, 226)
INK = (34, 44, 60)
GRAPHITE = (52, 62, 80)
GRAPHITE_DARK = (30, 36, 48)
SCREEN_OFF = (40, 52, 72)
GREEN = (38, 150, 96)
AMBER = (214, 148, 38)
AMBER_DARK = (150, 96, 18)
