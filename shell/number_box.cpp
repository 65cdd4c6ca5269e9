#include "shell/number_box.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QRegularExpressionValidator>

namespace mergola {

namespace {

// Keys that type a character, as opposed to moving the cursor, moving the
// focus or deleting forward, which never reach a key filter.
bool typesACharacter(const QKeyEvent &key)
{
    if (key.key() == Qt::Key_Delete || key.key() == Qt::Key_Tab || key.key() == Qt::Key_Backtab)
        return false;
    return !key.text().isEmpty();
}

bool isDigit(const QKeyEvent &key)
{
    return key.text().size() == 1 && key.text().front() >= QLatin1Char('0') && key.text().front() <= QLatin1Char('9');
}

} // namespace

NumberBox::NumberBox(QLineEdit &box, int maxDigits, std::function<int()> storedValue, QObject *parent)
    : QObject(parent), m_box(box), m_storedValue(std::move(storedValue))
{
    m_box.setMaxLength(maxDigits);
    // Only typed digits may reach the box: no pasting or dropping text in.
    m_box.setContextMenuPolicy(Qt::NoContextMenu);
    m_box.setAcceptDrops(false);
    m_box.setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[0-9]{0,%1}").arg(maxDigits)), &m_box));
    m_box.installEventFilter(this);
}

bool NumberBox::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != &m_box)
        return false;
    if (event->type() == QEvent::ShortcutOverride) {
        // Keys that type something are the box's own, even where the window
        // has a shortcut on them (Esc, Ctrl+Y): the rule above takes them.
        if (typesACharacter(*static_cast<QKeyEvent *>(event)))
            event->accept();
        return false;
    }
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto *key = static_cast<QKeyEvent *>(event);
    if (!typesACharacter(*key) || isDigit(*key))
        return false;
    m_box.setText(QString::number(m_storedValue()));
    return true;
}

} // namespace mergola
