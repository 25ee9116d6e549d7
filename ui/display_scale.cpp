#include "ui/display_scale.h"

namespace hitched {

namespace {
constexpr unsigned kBaseDpi = 96;
}

int ArtScaleForDpi(unsigned dpi) {
    if (dpi == 0) {
        dpi = kBaseDpi;
    }
    for (int scale : kArtScales) {
        // scale / 100 >= dpi / 96, in integers
        if (static_cast<unsigned>(scale) * kBaseDpi >= dpi * 100u) {
            return scale;
        }
    }
    return kArtScales[sizeof kArtScales / sizeof kArtScales[0] - 1];
}

unsigned ScaledBitmapId(unsigned nBaseId, int artScale) {
    for (unsigned i = 0; i < sizeof kArtScales / sizeof kArtScales[0]; ++i) {
        if (kArtScales[i] == artScale) {
            return nBaseId + i * kArtScaleIdStep;
        }
    }
    return nBaseId;
}

int ScaleToDpi(int pixelsAt96, unsigned dpi) {
    const long long scaled = static_cast<long long>(pixelsAt96) * (dpi == 0 ? kBaseDpi : dpi);
    const long long half = kBaseDpi / 2;
    return static_cast<int>(scaled >= 0 ? (scaled + half) / kBaseDpi
                                        : -((-scaled + half) / kBaseDpi));
}

unsigned FitDpi(unsigned dpi, PixelSize client, PixelSize frame, PixelSize workArea) {
    unsigned fit = dpi;
    const auto shrink = [&fit, dpi](int clientLength, int room) {
        if (clientLength > 0 && clientLength > room) {
            const long long d = room > 0 ? static_cast<long long>(dpi) * room / clientLength : 1;
            fit = d < fit ? static_cast<unsigned>(d < 1 ? 1 : d) : fit;
        }
    };
    shrink(client.cx, workArea.cx - frame.cx);
    shrink(client.cy, workArea.cy - frame.cy);
    return fit;
}

} // namespace hitched
