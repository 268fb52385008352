#include "toolkit/layout.h"

#include <algorithm>
#include <cmath>

namespace {
// The hundredth as the single-precision constant it is stored as.
constexpr float hundredth = 0.01F;

std::int32_t colourbyte(const float& fraction) {
    const double clamped = std::clamp(static_cast<double>(fraction), 0.0, 1.0);
    return static_cast<std::int32_t>(clamped * 255.0);
}
} // namespace

std::int32_t roundhalfaway(const double& value) {
    return static_cast<std::int32_t>(std::round(value));
}

std::int32_t cellwidthfromsample(const std::int32_t& samplewidth) {
    return roundhalfaway(samplewidth * 0.25);
}

std::int32_t cellsonscreen(const std::int32_t& screenextent, const std::int32_t& cellextent) {
    if (cellextent == 0) {
        return 0;
    }
    return roundhalfaway(static_cast<double>(screenextent) / cellextent);
}

std::int32_t finepixels(const std::int32_t& cell, const std::int32_t& cells,
                        const std::int32_t& hundredths) {
    const double fraction = hundredths * static_cast<double>(hundredth);
    return roundhalfaway(cell * (cells + fraction));
}

pixelrect wholecellrect(const std::int32_t& w, const std::int32_t& h, const std::int32_t& row1,
                        const std::int32_t& col1, const std::int32_t& row2,
                        const std::int32_t& col2) {
    return {w * (col1 - 1), h * (row1 - 1), w * (col2 - col1), h * (row2 - row1)};
}

pixelrect finecellrect(const std::int32_t& w, const std::int32_t& h, const std::int32_t& row1,
                       const std::int32_t& col1, const std::int32_t& row2, const std::int32_t& col2,
                       const std::int32_t& left, const std::int32_t& top, const std::int32_t& right,
                       const std::int32_t& bottom) {
    return {finepixels(w, col1 - 1, left), finepixels(h, row1 - 1, top),
            finepixels(w, col2 - col1, right - left), finepixels(h, row2 - row1, bottom - top)};
}

pixelrect pixeledgerect(const std::int32_t& left, const std::int32_t& top,
                        const std::int32_t& right, const std::int32_t& bottom) {
    return {left, top, right - left, bottom - top};
}

pixelrect mainwinplace(const std::int32_t& screenwidth, const std::int32_t& screenheight,
                       const std::int32_t& outerwidth, const std::int32_t& outerheight) {
    const std::int32_t mx = roundhalfaway((screenwidth - outerwidth) * 0.5);
    const std::int32_t my = roundhalfaway((screenheight - outerheight) * 0.5);
    return {mx, my / 2, screenwidth - 2 * mx, screenheight - 2 * my};
}

std::int32_t colourvalue(const float& red, const float& green, const float& blue) {
    return colourbyte(red) + colourbyte(green) * 256 + colourbyte(blue) * 65536;
}
