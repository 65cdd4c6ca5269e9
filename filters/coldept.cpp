// ColdeptFilter: Stucki error diffusion, three rows at a time.
//
// The error chains from pixel to pixel along a row, two dependent table
// lookups a pixel, and that chain alone sets the pace of a plain row by row
// pass. Pixel x of a row needs only what the row above spread up to column
// x + 2 (the shares reach two columns left and right on the next two rows),
// so three rows run side by side, each a few columns behind the one above
// it, and the processor works on three independent chains at once. Every
// pixel sees exactly the sums it would see row by row.
#include "filters/contrast.h"
#include "filters/vector_clones.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace mergola {

namespace {

constexpr int kMaxLevel = 255;
constexpr int kMaxChannelSum = 3 * kMaxLevel;

// Progress marks: tables ready, mean measured, the share of the bar the
// rows stand for, the end.
constexpr int kTablesReady = 3;
constexpr int kMeasured = 10;
constexpr int kRowShare = 90;
constexpr int kDone = 100;

// Coldept scales the accumulated error by 10 / p before adding it.
constexpr std::int32_t kDampingScale = 10;

// Rows diffused side by side, and how many columns each runs behind the
// one above it. Three error rows serve the three rows in flight and are
// reused in place: a row spreads into the rows one and two below it, and
// those are the rows that the rows in flight above it are still reading.
// Its stores reach five columns beyond the pixel (see ShareWindow), so a
// lag of six keeps them clear of every column a row above has yet to read;
// the row below needs only columns up to x + 2 of the row above finished.
constexpr int kRowsInFlight = 3;
constexpr int kLag = 6;

// The shares of a pixel for one row below, columns x - 2 .. x + 2, in the
// first five of eight 16-bit lanes. A share is at most 8 * 255 / 42 = 48
// and a column collects five of them, so 16 bits hold every sum.
constexpr int kWindowLanes = 8;
constexpr int kReachLeft = 2;
// An error row has room for the window stores, which start two columns
// left of the first pixel and, once the row is finished, end six columns
// right of its last pixel.
constexpr int kMarginLeft = kReachLeft;
constexpr int kMarginRight = kWindowLanes - kReachLeft;

struct alignas(2 * kWindowLanes * sizeof(std::int16_t)) WindowShares {
    std::int16_t below[kWindowLanes];
    std::int16_t twoBelow[kWindowLanes];
};

// What the chain needs of a pixel's outcome: its shares for the next two
// pixels of its row, and black or white.
struct alignas(8) ChainShares {
    std::int16_t next;
    std::int16_t secondNext;
    std::int16_t out;
    std::int16_t unused;
};

// The shares a pixel's row gathers for one row below, over the columns
// x - 2 .. x + 5. Each pixel adds its five shares, stores all eight lanes
// into the error row and moves on by a column: a column is written for
// the last time (complete) by the pixel two to its right, later stores
// start past it, and the lanes beyond are stored afresh as the row goes on.
#if defined(__SSE2__)
class ShareWindow {
public:
    [[gnu::always_inline]] void add(const std::int16_t *shares)
    {
        m_lanes = _mm_add_epi16(m_lanes, _mm_load_si128(reinterpret_cast<const __m128i *>(shares)));
    }
    [[gnu::always_inline]] void storeAt(std::int16_t *column) const
    {
        _mm_storeu_si128(reinterpret_cast<__m128i *>(column), m_lanes);
    }
    [[gnu::always_inline]] void advance() { m_lanes = _mm_srli_si128(m_lanes, sizeof(std::int16_t)); }

private:
    __m128i m_lanes = _mm_setzero_si128();
};
#else
class ShareWindow {
public:
    void add(const std::int16_t *shares)
    {
        for (int i = 0; i < kWindowLanes; ++i)
            m_lanes[i] = std::int16_t(m_lanes[i] + shares[i]);
    }
    void storeAt(std::int16_t *column) const { std::copy(m_lanes.begin(), m_lanes.end(), column); }
    void advance()
    {
        std::copy(m_lanes.begin() + 1, m_lanes.end(), m_lanes.begin());
        m_lanes.back() = 0;
    }

private:
    std::array<std::int16_t, kWindowLanes> m_lanes{};
};
#endif

struct Tables {
    const std::ptrdiff_t *damped; // (E * 10) \ p, indexed by E itself
    const ChainShares *chain;     // by level, counted from the first level
    const WindowShares *windows;  // likewise
};

// The rows of a group. Row k (from 0) reads the error rows k (shares from
// the row above) and kRowsInFlight + k (from the row above that) and
// writes those of the two rows below it, which for the group's last rows
// are the first ones again, ready for the next group. Its level row holds
// each pixel's grey level, counted from the level table's first row, and
// takes the pixel's outcome in its place.
struct GroupRows {
    std::array<std::int16_t *, kRowsInFlight> fromAbove;
    std::array<std::int16_t *, kRowsInFlight> fromTwoAbove;
    std::array<std::int32_t *, kRowsInFlight> levels;
};

// What a row carries from pixel to pixel: its shares for the pixel at hand
// and the one after, and for the rows below.
struct RowChain {
    std::ptrdiff_t toNext = 0;
    std::ptrdiff_t toSecondNext = 0;
    ShareWindow below;
    ShareWindow twoBelow;
};

template <int K>
[[gnu::always_inline]] inline void diffusePixel(RowChain &row, const GroupRows &rows, const Tables &tables, int x)
{
    // E cannot leave -255..255 (see dampedError), so no clamp here; and the
    // level table has a row for every level a pixel can reach, so none there.
    const std::ptrdiff_t error =
        row.toNext + (std::ptrdiff_t(rows.fromAbove[K][x]) + rows.fromTwoAbove[K][x]);
    std::int32_t &level = rows.levels[K][x];
    const std::ptrdiff_t entry = tables.damped[error] + level;
    const ChainShares &chain = tables.chain[entry];
    row.toNext = row.toSecondNext + chain.next;
    row.toSecondNext = chain.secondNext;
    level = chain.out;

    const WindowShares &window = tables.windows[entry];
    row.below.add(window.below);
    row.twoBelow.add(window.twoBelow);
    row.below.storeAt(rows.fromAbove[(K + 1) % kRowsInFlight] + x - kReachLeft);
    row.twoBelow.storeAt(rows.fromTwoAbove[(K + 2) % kRowsInFlight] + x - kReachLeft);
    row.below.advance();
    row.twoBelow.advance();
}

// After the last pixel: the last two columns are complete.
template <int K>
[[gnu::always_inline]] inline void finishRow(RowChain &row, const GroupRows &rows, int width)
{
    row.below.storeAt(rows.fromAbove[(K + 1) % kRowsInFlight] + width - kReachLeft);
    row.twoBelow.storeAt(rows.fromTwoAbove[(K + 2) % kRowsInFlight] + width - kReachLeft);
}

// Row K of the group works on column step - K * kLag; the column after its
// last finishes it.
template <int K>
[[gnu::always_inline]] inline void advanceAtEdge(RowChain &row, const GroupRows &rows, const Tables &tables,
                                                 int width, int step)
{
    const int x = step - K * kLag;
    if (x >= 0 && x < width)
        diffusePixel<K>(row, rows, tables, x);
    else if (x == width)
        finishRow<K>(row, rows, width);
}

// Each row's step outside the stretch where all rows are inside the picture.
template <int Rows>
[[gnu::always_inline]] inline void advanceAllAtEdge(RowChain &first, RowChain &second, RowChain &third,
                                                    const GroupRows &rows, const Tables &tables, int width, int step)
{
    advanceAtEdge<0>(first, rows, tables, width, step);
    if constexpr (Rows > 1)
        advanceAtEdge<1>(second, rows, tables, width, step);
    if constexpr (Rows > 2)
        advanceAtEdge<2>(third, rows, tables, width, step);
}

template <int Rows>
void diffuseRows(const GroupRows &group, const Tables &tables, int width)
{
    static_assert(Rows >= 1 && Rows <= kRowsInFlight);
    // Plain locals, so that the compiler keeps the chains in registers.
    const GroupRows rows = group;
    RowChain first, second, third;
    const int steps = width + 1 + (Rows - 1) * kLag;
    const int allInside = (Rows - 1) * kLag; // from here to width every row is inside the picture
    int step = 0;
    for (; step < std::min(allInside, steps); ++step)
        advanceAllAtEdge<Rows>(first, second, third, rows, tables, width, step);
    for (; step < width; ++step) {
        diffusePixel<0>(first, rows, tables, step);
        if constexpr (Rows > 1)
            diffusePixel<1>(second, rows, tables, step - kLag);
        if constexpr (Rows > 2)
            diffusePixel<2>(third, rows, tables, step - 2 * kLag);
    }
    for (; step < steps; ++step)
        advanceAllAtEdge<Rows>(first, second, third, rows, tables, width, step);
}

// Each pixel's grey level, counted from the level table's first row.
MERGOLA_VECTOR_CLONES
void levelRowsOf(const std::uint8_t *pixels, int width, std::int32_t firstLevel, std::int32_t *levels)
{
    for (int x = 0; x < width; ++x)
        levels[x] = std::int32_t(contrast_detail::greyLevelAt(pixels + x * kBytesPerPixel)) - firstLevel;
}

// Black or white into blue, green and red; the fourth byte stays.
MERGOLA_VECTOR_CLONES
void writeOutcomes(const std::int32_t *outcomes, int width, std::uint8_t *pixels)
{
    constexpr std::uint32_t kFourthByteBits = 0xFFu << (8 * kFourthByte);
    constexpr std::uint32_t kEveryColour = 0x010101; // the outcome in blue, green and red alike
    for (int x = 0; x < width; ++x) {
        std::uint32_t word;
        std::memcpy(&word, pixels + x * kBytesPerPixel, sizeof word);
        word = (word & kFourthByteBits) | (std::uint32_t(outcomes[x]) * kEveryColour);
        std::memcpy(pixels + x * kBytesPerPixel, &word, sizeof word);
    }
}

int progressAfterRow(int y, int height)
{
    return kMeasured + static_cast<int>((std::int64_t(y) * kRowShare) / height);
}

} // namespace

void ColdeptFilter(FilterContext &context, std::int32_t parameter)
{
    FilterProgressSink &progress = context.progress;
    LevelTable &grey = context.levelTable;
    for (int i = 0; i <= kMaxChannelSum; ++i)
        grey[std::size_t(i)] = i / 3;

    // What reaches a pixel of its accumulated error, (E * 10) \ p, for
    // every E that can occur: each of the twelve shares that make up E is
    // at most its weight times 255, over 42, and the weights sum to 42, so
    // E stays within -255..255. A damping of 0 would divide by zero; such a
    // parameter lets no error through, leaving a plain threshold.
    std::array<std::ptrdiff_t, 2 * kMaxLevel + 1> dampedError{};
    if (parameter != 0)
        for (int e = -kMaxLevel; e <= kMaxLevel; ++e)
            dampedError[std::size_t(e + kMaxLevel)] = (e * kDampingScale) / parameter;

    const int width = context.dest.width;
    const int height = context.dest.height;
    // The error rows, and the level rows of the rows in flight.
    const std::size_t paddedWidth = std::size_t(width) + kMarginLeft + kMarginRight;
    std::vector<std::int16_t> errorRows(2 * kRowsInFlight * paddedWidth, 0);
    std::vector<std::int32_t> levelRows(kRowsInFlight * std::size_t(width));
    progress.report(kTablesReady);

    const std::int32_t mean = contrast_detail::meanGreyLevel(context.source);
    // With the mean known, a pixel's level alone decides its output and its
    // error: one row for each level, holding the output and the twelve
    // shares of the error, so that spreading an error costs lookups and
    // additions only.
    //
    // A level is clamped to 0..255 before its outcome is looked up. Here the
    // table instead has a row for every level a pixel can reach (its grey
    // level plus the damped error), those beyond the ends repeating the
    // ends: the clamp then costs nothing on the chain.
    const auto [fewest, most] = std::minmax_element(dampedError.begin(), dampedError.end());
    const std::int32_t firstLevel = std::int32_t(*fewest);
    const std::int32_t lastLevel = kMaxLevel + std::int32_t(*most);
    std::vector<ChainShares> chain(std::size_t(lastLevel - firstLevel + 1));
    std::vector<WindowShares> windows(chain.size());
    for (std::int32_t level = firstLevel; level <= lastLevel; ++level) {
        const std::int32_t clamped = std::clamp(level, 0, kMaxLevel);
        const std::int32_t out = clamped >= mean ? kMaxLevel : 0;
        const contrast_detail::StuckiRow shares = contrast_detail::stuckiShares(clamped - out);
        const std::size_t row = std::size_t(level - firstLevel);
        chain[row] = {std::int16_t(shares[0]), std::int16_t(shares[1]), std::int16_t(out), 0};
        WindowShares &window = windows[row];
        std::fill(std::begin(window.below), std::end(window.below), std::int16_t(0));
        std::fill(std::begin(window.twoBelow), std::end(window.twoBelow), std::int16_t(0));
        std::copy(shares.begin() + 2, shares.begin() + 7, window.below);
        std::copy(shares.begin() + 7, shares.end(), window.twoBelow);
    }
    const Tables tables{dampedError.data() + kMaxLevel, chain.data(), windows.data()};
    progress.report(kMeasured);

    GroupRows group;
    for (int k = 0; k < kRowsInFlight; ++k) {
        group.fromAbove[std::size_t(k)] = errorRows.data() + std::size_t(k) * paddedWidth + kMarginLeft;
        group.fromTwoAbove[std::size_t(k)] = group.fromAbove[std::size_t(k)] + kRowsInFlight * paddedWidth;
        group.levels[std::size_t(k)] = levelRows.data() + std::size_t(k) * std::size_t(width);
    }
    static_assert(kRowsInFlight == 3);
    for (int top = 0; top < height; top += kRowsInFlight) {
        const int rows = std::min(kRowsInFlight, height - top);
        for (int k = 0; k < rows; ++k)
            levelRowsOf(context.source.row(top + k), width, firstLevel, group.levels[std::size_t(k)]);
        if (rows == 3)
            diffuseRows<3>(group, tables, width);
        else if (rows == 2)
            diffuseRows<2>(group, tables, width);
        else
            diffuseRows<1>(group, tables, width);
        // Each row is reported once it is in DestBuffer, in order.
        for (int k = 0; k < rows; ++k) {
            writeOutcomes(group.levels[std::size_t(k)], width, context.dest.row(top + k));
            progress.report(progressAfterRow(top + k + 1, height));
        }
    }
    progress.report(kDone);
}

} // namespace mergola
