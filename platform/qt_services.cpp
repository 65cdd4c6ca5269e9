#include "platform/qt_services.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>

namespace mergola {

QString toQtFilter(const QString &filter)
{
    const qsizetype bar = filter.indexOf(QLatin1Char('|'));
    if (bar < 0)
        return filter;
    const QString description = filter.left(bar);
    QStringList patterns;
    for (const QString &pattern : filter.mid(bar + 1).split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        patterns << pattern;
        if (pattern.toUpper() != pattern)
            patterns << pattern.toUpper();
    }
    return description + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
}

QString QtFileDialogs::openFile(const QString &filter)
{
    return QFileDialog::getOpenFileName(m_parent, QString(), QString(), toQtFilter(filter));
}

QString QtFileDialogs::saveFile(const QString &filter)
{
    // QFileDialog asks before overwriting by default and never adds a suffix
    // unless told to, so the file gets exactly the name the user typed.
    return QFileDialog::getSaveFileName(m_parent, QString(), QString(), toQtFilter(filter));
}

void QtMessageBox::show(const QString &text)
{
    QMessageBox::information(m_parent, QApplication::applicationName(), text, QMessageBox::Ok);
}

void QtBusyPointer::setBusy()
{
    if (!QApplication::overrideCursor())
        QApplication::setOverrideCursor(Qt::WaitCursor);
}

void QtBusyPointer::setArrow()
{
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
}

void QtEventLoopTurn::turn()
{
    QCoreApplication::processEvents();
}

} // namespace mergola
