#include "filters/engine.h"

namespace mergola {

SplitRgb SplitColor(std::int32_t colour)
{
    // Mod and \ as the packing defines them: truncating, sign of the dividend.
    return {colour % 256, (colour / 256) % 256, (colour / 65536) % 256};
}

} // namespace mergola
