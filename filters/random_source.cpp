#include "filters/random_source.h"

#include "filters/vector_clones.h"

namespace mergola {

namespace {

MERGOLA_VECTOR_CLONES
void scaledDrawsFrom(std::uint64_t state, std::int32_t *out, std::size_t count, std::int64_t span,
                     std::int64_t offset)
{
    for (std::size_t i = 0; i < count; ++i) {
        const auto steps = static_cast<std::uint32_t>(
            RandomSource::mixBits(state + (i + 1) * RandomSource::kGolden) >> (64 - RandomSource::kStepBits));
        out[i] = static_cast<std::int32_t>(scaledDraw(steps, span, offset));
    }
}

} // namespace

void RandomSource::scaledDraws(std::int32_t *out, std::size_t count, std::int64_t span, std::int64_t offset)
{
    scaledDrawsFrom(m_state, out, count, span, offset);
    m_state += count * kGolden;
}

} // namespace mergola
