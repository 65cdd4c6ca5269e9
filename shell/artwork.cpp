#include "shell/artwork.h"

#include <QPixmap>

// The pictures are XPM text, which is C, so they compile straight in.
#include "resources/decoration.xpm"
#include "resources/icon.xpm"

namespace mergola {

namespace {

// Point sizes as on a 96-dpi screen, given in pixels so the prompts land
// on the same pixels whatever the screen reports.
constexpr int kPromptPixels = 16; // 12 pt
constexpr int kLensPixels = 15;   // 11.25 pt
// The window's boxes were sized for 8 pt captions; a bigger default font
// would cut "Background" and the example caption short.
constexpr int kControlPixels = 11;

QFont boldArial(int pixels)
{
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(pixels);
    font.setBold(true);
    return font;
}

} // namespace

QFont promptFont()
{
    return boldArial(kPromptPixels);
}

QFont lensFont()
{
    return boldArial(kLensPixels);
}

QFont controlFont()
{
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(kControlPixels);
    return font;
}

QIcon windowIcon()
{
    return QIcon(QPixmap(mergola_icon_xpm));
}

QImage decorationPicture()
{
    return QImage(mergola_decoration_xpm);
}

} // namespace mergola
