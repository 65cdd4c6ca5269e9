// Tools for the filters' wide pixel loops.
//
// MERGOLA_VECTOR_CLONES marks a function whose loops the compiler
// vectorises: it is compiled once for each instruction set named here and
// the widest one the processor has is chosen once, when the program loads.
// The program itself stays built for the plain x86-64 baseline, so it runs
// everywhere, while filters over many-megapixel pictures get 256- and
// 512-bit vectors where the processor has them (measured 2 to 4 times
// faster than the baseline's 128-bit vectors). Every clone computes the
// same integers, so the pixels do not depend on the processor.
// Put it on plain (non-template) functions that do a whole row or more per
// call: the choice costs an indirect call. A helper they call must be
// always inlined to be compiled for the clone's instruction set.
//
// Chunks: a pixel is four interleaved bytes of which the fourth must keep
// its value. The compiler vectorises a loop over the bytes of a fixed-size
// chunk well when every byte is computed alike and the fourth byte's old
// value is then put back by a constant mask; a loop over whole pixels that
// skips that byte turns into shuffles instead (measured 3 times slower).
#pragma once

#include "filters/pixel_buffer.h"

#include <cstdint>

#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__) && defined(__linux__)
#define MERGOLA_VECTOR_CLONES __attribute__((target_clones("arch=x86-64-v4", "avx2", "default")))
#else
#define MERGOLA_VECTOR_CLONES
#endif

namespace mergola {

// 16 pixels: one 512-bit vector of bytes.
constexpr int kChunkBytes = 64;
constexpr int kChunkPixels = kChunkBytes / kBytesPerPixel;
constexpr int kFourthByte = 3;

// 0xFF on the fourth byte of every pixel of a chunk, 0 on the colour bytes:
// byte = (old & keep) | (computed & ~keep).
struct FourthByteMask {
    alignas(kChunkBytes) std::uint8_t keep[kChunkBytes];
    constexpr FourthByteMask() : keep{}
    {
        for (int j = 0; j < kChunkBytes; ++j)
            keep[j] = j % kBytesPerPixel == kFourthByte ? 0xFF : 0;
    }
};
inline constexpr FourthByteMask kFourthByteMask{};

} // namespace mergola
