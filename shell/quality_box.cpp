#include "shell/quality_box.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QRegularExpressionValidator>

namespace mergola {

namespace {

// The number the box's text spells; an empty box is 0.
int numberIn(const QString &text)
{
    return text.toInt();
}

// Keys that type a character, as opposed to moving the cursor or deleting
// forward, which never reach a key filter.
bool typesACharacter(const QKeyEvent &key)
{
    if (key.key() == Qt::Key_Delete || key.key() == Qt::Key_Tab || key.key() == Qt::Key_Backtab)
        return false;
    return !key.text().isEmpty();
}

} // namespace

QualityBox::QualityBox(QLineEdit &box, int &jpgQuality, QObject *parent)
    : QObject(parent), m_box(box), m_quality(jpgQuality)
{
    // Only typed digits may reach the box: no pasting or dropping text in.
    m_box.setContextMenuPolicy(Qt::NoContextMenu);
    m_box.setAcceptDrops(false);
    m_box.setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,2}")), &m_box));
    m_box.installEventFilter(this);
    connect(&m_box, &QLineEdit::textChanged, this, &QualityBox::textChanged);
}

bool QualityBox::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != &m_box || event->type() != QEvent::KeyPress)
        return false;
    const auto *key = static_cast<QKeyEvent *>(event);
    if (!typesACharacter(*key))
        return false;
    const QChar typed = key->text().front();
    const bool digit = key->text().size() == 1 && typed >= QLatin1Char('0') && typed <= QLatin1Char('9');
    if (!digit)
        m_box.setText(QString::number(m_quality));
    // The box as it stands before a kept digit goes in.
    m_quality = numberIn(m_box.text());
    return !digit;
}

void QualityBox::textChanged(const QString &text)
{
    m_quality = numberIn(text);
}

} // namespace mergola
