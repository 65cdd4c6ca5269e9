// The pixel buffer every filter reads and writes: W x H pixels of four bytes
// (blue, green, red, a fourth byte without colour), rows from the top, a
// row being 4 * W bytes with no gap. PixelView is a non-owning view of one.
//
// Code indexes rows and columns from 0; where a rule counts them from 1
// (row y = 1 is the top row), the code says so.
#pragma once

#include <cstddef>
#include <cstdint>

namespace mergola {

constexpr int kBytesPerPixel = 4;
constexpr int kBlue = 0;   // channel 1
constexpr int kGreen = 1;  // channel 2
constexpr int kRed = 2;    // channel 3
                           // channel 4 (byte 3) carries no colour; no filter touches it

struct PixelView {
    std::uint8_t *bytes = nullptr;
    int width = 0;
    int height = 0;

    std::ptrdiff_t stride() const { return std::ptrdiff_t(width) * kBytesPerPixel; }
    std::uint8_t *row(int y) const { return bytes + stride() * y; }
    std::uint8_t *at(int x, int y) const { return row(y) + std::ptrdiff_t(x) * kBytesPerPixel; }
};

} // namespace mergola
