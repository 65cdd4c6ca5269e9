// The filter of each id. One line per filter; ids not listed run nothing.
#include "filters/aqua.h"
#include "filters/colour.h"
#include "filters/contrast.h"
#include "filters/convolution.h"
#include "filters/engine.h"
#include "filters/filter_menu.h"
#include "filters/relief.h"
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
    case filter_ids::Sharpen: return SharpenFilter;
    case filter_ids::Blur: return BlurFilter;
    case filter_ids::Edge: return EdgeFilter;
    case filter_ids::Contour: return ContourFilter;
    case filter_ids::Emboss: return EmbossFilter;
    case filter_ids::Engrave: return EngraveFilter;
    case filter_ids::Relief: return ReliefFilter;
    case filter_ids::Aqua: return AquaFilter;
    default: return nullptr;
    }
}

} // namespace mergola
