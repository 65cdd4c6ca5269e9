#include "shell/lens_cast.h"

#include "platform/portal_screen_reader.h"
#include "shell/artwork.h"
#include "shell/main_window.h"
#include "shell/picture_box.h"

#include <QCoreApplication>
#include <QPushButton>

namespace mergola {

namespace {

// Where and how the lens box says that the screen cannot be read.
constexpr QRgb kLensText = qRgb(128, 128, 128);
constexpr QPoint kLineCorner(6, 36);

} // namespace

QString castFailureText(CastFailure why)
{
    switch (why) {
    case CastFailure::Refused:
        return QCoreApplication::translate("mergola::LensCast", "Screen sharing refused");
    case CastFailure::NoPortal:
        return QCoreApplication::translate("mergola::LensCast", "No screen-cast portal");
    case CastFailure::Broken:
        break;
    }
    // The lens view's own line for a screen it cannot read.
    return QCoreApplication::translate("mergola::LensView", "Screen cannot be read");
}

void runCastWithLens(Main &window, PortalScreenReader &reader)
{
    auto *loepKnop = window.findChild<QPushButton *>(QStringLiteral("LoepKnop"));
    auto *loepPic = window.findChild<PictureBox *>(QStringLiteral("LoepPic"));
    QObject::connect(loepKnop, &QPushButton::clicked, &reader, [&window, &reader] {
        if (window.lensOn() && reader.canRead())
            reader.start();
        else
            reader.stop();
    });
    QObject::connect(&reader, &PortalScreenReader::failed, &window, [&window, loepPic](CastFailure why) {
        if (window.lensOn())
            window.LoepKnop_Click();
        Picture &lens = loepPic->picture();
        lens.clear();
        lens.drawText(kLineCorner.x(), kLineCorner.y(), castFailureText(why), controlFont(), kLensText);
        loepPic->refresh();
    });
}

} // namespace mergola
