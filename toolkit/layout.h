#pragma once
// The layout arithmetic of the toolkit: character cells to pixels, the screen
// in cells, the application window's size and place, and colour values. Plain
// functions over numbers, so that they build and are tested everywhere.
#include <cstdint>

// A rectangle as the platform takes it: origin and extent in pixels.
struct pixelrect {
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    bool operator==(const pixelrect&) const = default;
};

// Rounds to the nearest integer, halves away from zero.
std::int32_t roundhalfaway(const double& value);

// The cell width from the width of the four-character sample "AaMm".
std::int32_t cellwidthfromsample(const std::int32_t& samplewidth);
// How many whole cells of the given size fit into a screen extent, rounded;
// 0 for a cell of size 0.
std::int32_t cellsonscreen(const std::int32_t& screenextent, const std::int32_t& cellextent);

// One fine-cell edge or extent: cell × (cells + hundredths × 0.01), with 0.01
// the single-precision constant widened to double, then rounded.
std::int32_t finepixels(const std::int32_t& cell, const std::int32_t& cells,
                        const std::int32_t& hundredths);

// The rectangle of the whole cells (row1, col1) to (row2, col2), the second
// point exclusive, with cells of width w and height h.
pixelrect wholecellrect(const std::int32_t& w, const std::int32_t& h, const std::int32_t& row1,
                        const std::int32_t& col1, const std::int32_t& row2,
                        const std::int32_t& col2);
// The same with offsets in hundredths of a cell: left, top, right, bottom.
pixelrect finecellrect(const std::int32_t& w, const std::int32_t& h, const std::int32_t& row1,
                       const std::int32_t& col1, const std::int32_t& row2, const std::int32_t& col2,
                       const std::int32_t& left, const std::int32_t& top, const std::int32_t& right,
                       const std::int32_t& bottom);
// Pixel edges to a rectangle, unchecked.
pixelrect pixeledgerect(const std::int32_t& left, const std::int32_t& top,
                        const std::int32_t& right, const std::int32_t& bottom);

// The application window: its outer size adjusted to the frame is centred
// horizontally and stands a quarter of the spare height below the top of a
// full-screen client area of screenwidth × screenheight.
pixelrect mainwinplace(const std::int32_t& screenwidth, const std::int32_t& screenheight,
                       const std::int32_t& outerwidth, const std::int32_t& outerheight);

// The platform colour value red + green × 256 + blue × 65536 of three fractions
// from 0 to 1, each times 255 truncated; fractions outside 0 to 1 are clamped.
std::int32_t colourvalue(const float& red, const float& green, const float& blue);
