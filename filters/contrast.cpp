#include "filters/contrast.h"
#include "filters/vector_clones.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <vector>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace mergola {

namespace {

constexpr int kMaxLevel = 255;
constexpr double kPercent = 100.0;

// Progress marks: after the preparation, the share of the row pass that
// the rest of the bar stands for, and the end.
constexpr int kContrastPrepared = 5;
constexpr int kContrastRowShare = 95;
constexpr int kDone = 100;

// Contrast levels lie between -26 and 281 for the menu's parameters; a
// parameter far beyond those could push f * (i - m) past 32 bits. Holding
// the levels within +-2^24 keeps every sum of the balancing within range.
constexpr double kLevelLimit = double(1 << 24);

// Coldept's Stucki weights over 42, in the order the shares are spread: two
// to the right on this row, five on the next row, five on the row after.
constexpr std::array<std::int32_t, contrast_detail::kStuckiShares> kStuckiWeights{8, 4, 2, 4, 8, 4, 2, 1, 2, 4, 2, 1};
constexpr std::int32_t kStuckiDivisor = 42;

// Pixels summed in 32 bits at a time, wide lanes of the vector unit each
// taking a share: 2^20 grey levels of at most 255 stay below 2^32.
constexpr int kGreyBlock = 1 << 20;

MERGOLA_VECTOR_CLONES
std::uint32_t greySum(const std::uint8_t *pixels, int count)
{
    std::uint32_t sum = 0;
    for (int i = 0; i < count; ++i)
        sum += contrast_detail::greyLevelAt(pixels + std::ptrdiff_t(i) * kBytesPerPixel);
    return sum;
}

[[gnu::always_inline]] inline bool levelsInRange(std::int32_t blue, std::int32_t green, std::int32_t red)
{
    // A level below 0 turns into a huge unsigned value.
    return (std::uint32_t(blue) | std::uint32_t(green) | std::uint32_t(red)) <= std::uint32_t(kMaxLevel);
}

// A channel outside 0..255 is set to the nearer end and hands half of what
// lay beyond it (h \ 2, truncated toward zero) on to the other two; inside,
// it hands on nothing.
[[gnu::always_inline]] inline void handOn(std::int32_t &channel, std::int32_t &other1, std::int32_t &other2)
{
    const std::int32_t kept = std::clamp(channel, 0, kMaxLevel);
    const std::int32_t half = (channel - kept) / 2;
    channel = kept;
    other1 += half;
    other2 += half;
}

// One round of the balancing, without branches, so that it runs in vector
// lanes: levels all at or below 0 become 0, all at or above 255 become 255,
// and otherwise blue, green and red hand on in turn, each seeing what the
// ones before it left. Levels already in range come out unchanged.
[[gnu::always_inline]] inline void balanceOnce(std::int32_t &blue, std::int32_t &green, std::int32_t &red)
{
    // Masks rather than bools: the compiler vectorises a select by mask.
    const std::int32_t allLow = -std::int32_t(std::max(blue, std::max(green, red)) <= 0);
    const std::int32_t allHigh = -std::int32_t(std::min(blue, std::min(green, red)) >= kMaxLevel);
    handOn(blue, green, red);
    handOn(green, blue, red);
    handOn(red, green, blue);
    const auto settle = [&](std::int32_t &level) { level = ((level & ~allHigh) | (kMaxLevel & allHigh)) & ~allLow; };
    settle(blue);
    settle(green);
    settle(red);
}

// The level map ready for whole pixels: for each channel and level, the
// mapped level's low byte at the channel's place in a pixel's word, and
// kOutsideFlag where the mapped level lies outside 0..255. Or-ing the
// three entries of a pixel gives its word, right for every pixel whose
// levels all lie in range, and tells whether they do.
constexpr std::uint64_t kOutsideFlag = std::uint64_t(1) << 32;
struct PlacedLevels {
    std::array<std::uint64_t, kMaxLevel + 1> blue, green, red;
    // The same map as bytes, and the levels it keeps in range, those from
    // `first` to first + span: the map is monotone (rounding and holding
    // within bounds keep it so), so those it keeps in range form one run,
    // and the run is never empty, since the mean maps to itself.
    alignas(64) std::array<std::uint8_t, kMaxLevel + 1> bytes;
    std::uint8_t first = 0;
    std::uint8_t span = 0;

    explicit PlacedLevels(const LevelTable &levels)
    {
        const auto inRange = [&](int i) { return levels[std::size_t(i)] >= 0 && levels[std::size_t(i)] <= kMaxLevel; };
        const auto place = [&](std::array<std::uint64_t, kMaxLevel + 1> &entries, int channel) {
            for (int i = 0; i <= kMaxLevel; ++i)
                entries[std::size_t(i)] = (std::uint64_t(levels[std::size_t(i)] & kMaxLevel) << (8 * channel)) |
                                          (inRange(i) ? 0 : kOutsideFlag);
        };
        place(blue, kBlue);
        place(green, kGreen);
        place(red, kRed);
        int last = 0;
        for (int i = kMaxLevel; i >= 0; --i) {
            bytes[std::size_t(i)] = std::uint8_t(levels[std::size_t(i)] & kMaxLevel);
            if (inRange(i)) {
                first = std::uint8_t(i);
                last = std::max(last, i);
            }
        }
        span = std::uint8_t(last - first);
    }
};

// The first pass over a row from column x on: every pixel through the
// placed levels, without a branch, as if its levels were in range. The
// columns of the pixels whose levels are not are added to the `count` in
// `outside` (each column is written, and the count moves on only for
// those); returns the new count.
int mapPixels(const std::uint8_t *from, std::uint8_t *to, int x, int width, const PlacedLevels &placed,
              std::int32_t *outside, int count)
{
    constexpr std::uint32_t kByte = 0xFF;
    constexpr std::uint32_t kFourthByteBits = kByte << (8 * kFourthByte);
    for (; x < width; ++x) {
        std::uint32_t word;
        std::memcpy(&word, from + x * kBytesPerPixel, sizeof word);
        const std::uint64_t mapped = placed.blue[(word >> (8 * kBlue)) & kByte] |
                                     placed.green[(word >> (8 * kGreen)) & kByte] |
                                     placed.red[(word >> (8 * kRed)) & kByte];
        std::uint32_t pixel;
        std::memcpy(&pixel, to + x * kBytesPerPixel, sizeof pixel);
        pixel = (pixel & kFourthByteBits) | std::uint32_t(mapped);
        std::memcpy(to + x * kBytesPerPixel, &pixel, sizeof pixel);
        outside[count] = x;
        count += int(mapped / kOutsideFlag);
    }
    return count;
}

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define MERGOLA_BYTE_PERMUTES 1
// The same first pass where the processor can look up 64 bytes at once in
// a table of 128 (AVX-512 VBMI): the map as bytes through two such lookups,
// the pixels out of range told by their levels lying outside the run kept
// in range, and their columns packed together. Several times faster than
// three lookups a pixel one at a time. The pixels left over at the row's
// end go the plain way. `outside` has room for kChunkPixels more columns.
__attribute__((target("avx512f,avx512bw,avx512vbmi"))) int mapRowByBytes(const std::uint8_t *from,
                                                                          std::uint8_t *to, int width,
                                                                          const PlacedLevels &placed,
                                                                          std::int32_t *outside)
{
    constexpr int kQuarter = 64;
    const __m512i lowHalfA = _mm512_load_si512(placed.bytes.data());
    const __m512i lowHalfB = _mm512_load_si512(placed.bytes.data() + kQuarter);
    const __m512i highHalfA = _mm512_load_si512(placed.bytes.data() + 2 * kQuarter);
    const __m512i highHalfB = _mm512_load_si512(placed.bytes.data() + 3 * kQuarter);
    const __m512i first = _mm512_set1_epi8(char(placed.first));
    const __m512i span = _mm512_set1_epi8(char(placed.span));
    const __m512i columnInChunk = _mm512_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
    constexpr __mmask64 kFourthBytes = 0x8888888888888888;
    int count = 0;
    int x = 0;
    for (; x + kChunkPixels <= width; x += kChunkPixels) {
        const __m512i levels = _mm512_loadu_si512(from + x * kBytesPerPixel);
        const __m512i low = _mm512_permutex2var_epi8(lowHalfA, levels, lowHalfB);
        const __m512i high = _mm512_permutex2var_epi8(highHalfA, levels, highHalfB);
        const __m512i mapped = _mm512_mask_blend_epi8(_mm512_movepi8_mask(levels), low, high);
        const __m512i old = _mm512_loadu_si512(to + x * kBytesPerPixel);
        _mm512_storeu_si512(to + x * kBytesPerPixel, _mm512_mask_blend_epi8(kFourthBytes, mapped, old));
        const __mmask64 outsideBytes =
            _mm512_cmpgt_epu8_mask(_mm512_sub_epi8(levels, first), span) & ~kFourthBytes;
        const __m512i outsideMarks = _mm512_movm_epi8(outsideBytes);
        const __mmask16 outsidePixels = _mm512_test_epi32_mask(outsideMarks, outsideMarks);
        const __m512i columns = _mm512_add_epi32(_mm512_set1_epi32(x), columnInChunk);
        _mm512_storeu_si512(outside + count, _mm512_maskz_compress_epi32(outsidePixels, columns));
        count += __builtin_popcount(outsidePixels);
    }
    return mapPixels(from, to, x, width, placed, outside, count);
}

bool canPermuteBytes()
{
    static const bool can = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
                            __builtin_cpu_supports("avx512vbmi");
    return can;
}
#endif

// The first pass over a row; returns the count of columns in `outside`.
int mapRow(const std::uint8_t *from, std::uint8_t *to, int width, const PlacedLevels &placed, std::int32_t *outside)
{
#ifdef MERGOLA_BYTE_PERMUTES
    if (canPermuteBytes())
        return mapRowByBytes(from, to, width, placed, outside);
#endif
    return mapPixels(from, to, 0, width, placed, outside, 0);
}

// Blue, green and red of levels in range as a pixel's word, its fourth
// byte 0.
[[gnu::always_inline]] inline std::uint32_t colourWord(std::int32_t blue, std::int32_t green, std::int32_t red)
{
    constexpr std::uint32_t kByte = 0xFF;
    return ((std::uint32_t(blue) & kByte) << (8 * kBlue)) | ((std::uint32_t(green) & kByte) << (8 * kGreen)) |
           ((std::uint32_t(red) & kByte) << (8 * kRed));
}

// In the fourth byte of a word from balanceAllOnce: one round did not
// settle the pixel.
constexpr std::uint32_t kUnsettled = std::uint32_t(1) << (8 * kFourthByte);

// One round of the balancing for each of `count` pixels, in vector lanes:
// the levels it leaves, and each pixel's colour word, marked kUnsettled
// where a level is still out of range.
MERGOLA_VECTOR_CLONES
void balanceAllOnce(std::int32_t *blue, std::int32_t *green, std::int32_t *red, std::uint32_t *words, int count)
{
    for (int i = 0; i < count; ++i) {
        std::int32_t b = blue[i], g = green[i], r = red[i];
        balanceOnce(b, g, r);
        blue[i] = b;
        green[i] = g;
        red[i] = r;
        const std::uint32_t outside = std::uint32_t(b) | std::uint32_t(g) | std::uint32_t(r);
        words[i] = colourWord(b, g, r) | (outside > std::uint32_t(kMaxLevel) ? kUnsettled : 0);
    }
}

// Row arrays for the pixels of a row whose levels need balancing.
struct OutsidePixels {
    std::vector<std::int32_t> columns, blue, green, red;
    std::vector<std::uint32_t> words;
    explicit OutsidePixels(int width) : columns(std::size_t(width) + kChunkPixels), blue(width), green(width), red(width), words(width) {}
};

// The second pass: the pixels of a row whose levels left the range, their
// levels gathered into arrays, one round of the balancing for all of them
// in vector lanes (it settles all but a few in a hundred: two channels
// beyond the same end hand each other their excess back and forth), the
// rounds those few still need one pixel at a time, and each written back.
void balanceOutside(const std::uint8_t *from, std::uint8_t *to, const LevelTable &levels, OutsidePixels &pixels,
                    int count)
{
    const std::int32_t *columns = pixels.columns.data();
    std::int32_t *blue = pixels.blue.data();
    std::int32_t *green = pixels.green.data();
    std::int32_t *red = pixels.red.data();
    std::uint32_t *words = pixels.words.data();
    for (int i = 0; i < count; ++i) {
        const std::uint8_t *pixel = from + columns[i] * kBytesPerPixel;
        blue[i] = levels[pixel[kBlue]];
        green[i] = levels[pixel[kGreen]];
        red[i] = levels[pixel[kRed]];
    }
    balanceAllOnce(blue, green, red, words, count);
    constexpr std::uint32_t kFourthByteBits = 0xFFu << (8 * kFourthByte);
    for (int i = 0; i < count; ++i) {
        std::uint32_t word = words[i];
        if (word & kUnsettled) {
            contrast_detail::balanceLevels(blue[i], green[i], red[i]);
            word = colourWord(blue[i], green[i], red[i]);
        }
        std::uint8_t *pixel = to + columns[i] * kBytesPerPixel;
        std::uint32_t old;
        std::memcpy(&old, pixel, sizeof old);
        word |= old & kFourthByteBits;
        std::memcpy(pixel, &word, sizeof word);
    }
}

int progressAfterRow(int base, int share, int y, int height)
{
    return base + static_cast<int>((std::int64_t(y) * share) / height);
}

} // namespace

namespace contrast_detail {

std::int32_t meanGreyLevel(const PixelView &view)
{
    const std::int64_t count = std::int64_t(view.width) * view.height;
    if (count == 0)
        return 0;
    // 64 bits: 255 for each of 50 million pixels overflows 32.
    std::int64_t sum = 0;
    // The rows lie one after the other without gaps: one run over all.
    const std::uint8_t *pixels = view.bytes;
    for (std::int64_t left = count; left > 0;) {
        const int block = int(std::min<std::int64_t>(left, kGreyBlock));
        sum += greySum(pixels, block);
        pixels += std::ptrdiff_t(block) * kBytesPerPixel;
        left -= block;
    }
    return static_cast<std::int32_t>(sum / count);
}

void balanceLevels(std::int32_t &blue, std::int32_t &green, std::int32_t &red)
{
    while (!levelsInRange(blue, green, red))
        balanceOnce(blue, green, red);
}

StuckiRow stuckiShares(std::int32_t error)
{
    StuckiRow shares{};
    for (std::size_t i = 0; i < shares.size(); ++i)
        shares[i] = (kStuckiWeights[i] * error) / kStuckiDivisor;
    return shares;
}

} // namespace contrast_detail

void ContrastFilter(FilterContext &context, std::int32_t parameter)
{
    FilterProgressSink &progress = context.progress;
    progress.store(0);

    const std::int32_t mean = contrast_detail::meanGreyLevel(context.source);
    const auto factor = static_cast<float>((parameter + kPercent) / kPercent);
    LevelTable &levels = context.levelTable;
    for (int i = 0; i <= kMaxLevel; ++i) {
        const double level = std::nearbyint(double(factor) * (i - mean) + mean);
        levels[std::size_t(i)] = static_cast<std::int32_t>(std::clamp(level, -kLevelLimit, kLevelLimit));
    }
    progress.report(kContrastPrepared);

    const int width = context.dest.width;
    const int height = context.dest.height;
    const PlacedLevels placed(levels);
    OutsidePixels outside(width);
    for (int y = 0; y < height; ++y) {
        const std::uint8_t *from = context.source.row(y);
        std::uint8_t *to = context.dest.row(y);
        const int count = mapRow(from, to, width, placed, outside.columns.data());
        balanceOutside(from, to, levels, outside, count);
        progress.report(progressAfterRow(kContrastPrepared, kContrastRowShare, y + 1, height));
    }
    progress.report(kDone);
}

} // namespace mergola
