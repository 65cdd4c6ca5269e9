// The filter of each id. One line per filter; ids not listed run nothing.
#include "filters/colour.h"
#include "filters/contrast.h"
#include "filters/engine.h"
#include "filters/filter_menu.h"
#include "filters/scatter.h"

namespace mergola {

FilterFunction filterForId(std::int32_t filterId)
{
    switch (filterId) {
    case filter_ids::Negative: return NegativeFilter;
    case filter_ids::Greyscale: return GreyscaleFilter;
    case filter_ids::LightDark: return LightDarkFilter;
    case filter_ids::SwapColors: return SwapColorsFilter;
    case filter_ids::Addnoise: return AddnoiseFilter;
    case filter_ids::Gamma: return GammaFilter;
    case filter_ids::Contrast: return ContrastFilter;
    case filter_ids::Coldept: return ColdeptFilter;
    case filter_ids::Deffuse: return DeffuseFilter;
    case filter_ids::Pixelize: return PixelizeFilter;
    default: return nullptr;
    }
}

} // namespace mergola
