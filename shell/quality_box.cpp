#include "shell/quality_box.h"

#include "platform/number_box.h"

#include <QLineEdit>

namespace mergola {

namespace {

constexpr int kQualityDigits = 2;

} // namespace

QualityBox::QualityBox(QLineEdit &box, int &jpgQuality, QObject *parent) : QObject(parent), m_quality(jpgQuality)
{
    new NumberBox(box, kQualityDigits, [this] { return m_quality; }, this);
    // An emptied box is 0, as the number it spells.
    connect(&box, &QLineEdit::textChanged, this, [this](const QString &text) { m_quality = text.toInt(); });
}

} // namespace mergola
