#include "shell/quality_box.h"

#include "platform/defaults.h"
#include "shell/number_box.h"

#include <QLineEdit>

namespace mergola {

QualityBox::QualityBox(QLineEdit &box, int &jpgQuality, QObject *parent) : QObject(parent), m_quality(jpgQuality)
{
    new NumberBox(box, kJpgQualityDigits, [this] { return m_quality; }, this);
    // An emptied box is 0, as the number it spells.
    connect(&box, &QLineEdit::textChanged, this, [this](const QString &text) { m_quality = text.toInt(); });
}

} // namespace mergola
