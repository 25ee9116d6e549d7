#pragma once

// How the wizard follows the display's scale, without a window: which of the artwork's scales
// a window of some DPI draws with, the resource id of a bitmap at that scale, and pixel
// lengths of the 96 DPI design at another DPI.
namespace hitched {

// The scales the artwork is drawn at, in percent of 96 DPI, smallest first.
constexpr int kArtScales[] = {100, 125, 150, 200};
// Resource ids of the bitmaps of the i-th scale: the 100 % id plus i times this step.
constexpr unsigned kArtScaleIdStep = 1000;

// The nearest art scale at or above the DPI's scale, so that bitmaps are only ever drawn
// smaller than they were made; beyond 200 % the 200 % art (drawn larger). A DPI of 0 (not
// known) counts as 96.
int ArtScaleForDpi(unsigned dpi);

// The resource id of bitmap nBaseId (its 100 % id) at an art scale; an unknown scale gives
// the 100 % id.
unsigned ScaledBitmapId(unsigned nBaseId, int artScale);

// A length of the 96 DPI design at a DPI, rounded to the nearest pixel (signed: offsets
// and font heights given negative keep their sign).
int ScaleToDpi(int pixelsAt96, unsigned dpi);

// Sizes in pixels.
struct PixelSize {
    int cx = 0;
    int cy = 0;
};

// The DPI to lay out a window at so that it fits a work area (the screen less the task bar):
// its own DPI when it fits, else the largest lower one at which it does. The client area
// scales with the layout DPI, the frame and title bar (the window less its client area) do
// not. Never less than 1.
unsigned FitDpi(unsigned dpi, PixelSize client, PixelSize frame, PixelSize workArea);

} // namespace hitched
