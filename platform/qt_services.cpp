#include "platform/qt_services.h"

#include <QApplication>
#include <QCursor>
#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QPixmap>
#include <QScreen>
#include <QMessageBox>
#include <QStringList>

namespace mergola {

QString toQtFilter(const QString &filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    if (parts.size() < 2)
        return filter;
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns;
        for (const QString &pattern : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            patterns << pattern;
            if (pattern.toUpper() != pattern)
                patterns << pattern.toUpper();
        }
        entries << parts[i] + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
    }
    return entries.join(QStringLiteral(";;"));
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

void QtModalWindows::exec(QDialog &dialog)
{
    dialog.exec();
}

void QtWebPages::open(const QUrl &address)
{
    QDesktopServices::openUrl(address);
}

QtScreenReader::QtScreenReader()
    : m_canRead(!QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
{
}

QPoint QtScreenReader::pointerPosition() const
{
    return QCursor::pos();
}

QRect QtScreenReader::grab(const QRect &area, QImage &pixels)
{
    // The screen is looked up at each grab rather than held: a monitor may
    // be unplugged while the program runs, and the lookup costs nothing.
    QScreen *screen = QGuiApplication::screenAt(area.center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!m_canRead || !screen)
        return {};
    const QRect screenArea = screen->geometry();
    // Asking the platform for pixels off the screen fails the whole grab,
    // so only the part on it is asked for.
    const QRect onScreen = area.intersected(screenArea);
    if (onScreen.isEmpty())
        return {};
    const QPixmap grabbed = screen->grabWindow(0, onScreen.x() - screenArea.x(), onScreen.y() - screenArea.y(),
                                               onScreen.width(), onScreen.height());
    if (grabbed.isNull())
        return {};
    pixels = grabbed.toImage();
    if (pixels.format() != QImage::Format_RGB32 && pixels.format() != QImage::Format_ARGB32)
        pixels.convertTo(QImage::Format_RGB32);
    if (pixels.size() != onScreen.size())
        return {};
    return onScreen;
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
