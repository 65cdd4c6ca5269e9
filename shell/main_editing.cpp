// What every editor offers from the keyboard: undo and redo of the result,
// Esc to stop a running filter, copy and paste through the clipboard, and
// a sensible Tab order over every control. Nothing here changes what the
// window does when the keyboard is not used.
#include "shell/main_window.h"

#include "shell/slots.h"

#include <QClipboard>
#include <QCursor>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMimeData>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QTextBrowser>
#include <QUrl>

namespace mergola {

namespace {

// A picture from the clipboard as the loader would have decoded it from a
// file: 32-bit, with whatever is transparent laid over white.
QImage flattened(const QImage &image)
{
    if (!image.hasAlphaChannel())
        return image.convertToFormat(QImage::Format_RGB32);
    QImage flat(image.size(), QImage::Format_RGB32);
    if (flat.isNull())
        return flat;
    flat.fill(Qt::white);
    QPainter painter(&flat);
    painter.drawImage(0, 0, image);
    return flat;
}

} // namespace

void Main::buildShortcuts()
{
    const struct {
        QKeySequence keys;
        void (Main::*handler)();
    } shortcuts[] = {
        {QKeySequence::Undo, &Main::EditUndo},
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), &Main::EditRedo},
        {QKeySequence(Qt::CTRL | Qt::Key_Y), &Main::EditRedo},
        {QKeySequence(Qt::Key_Escape), &Main::StopFilter},
        {QKeySequence::Copy, &Main::EditCopy},
        {QKeySequence::Paste, &Main::EditPaste},
    };
    for (const auto &shortcut : shortcuts)
        connect(new QShortcut(shortcut.keys, this), &QShortcut::activated, this, shortcut.handler);
    m_bar->setToolTip(tr(" Esc stops the filter "));
    setTabOrder();
}

void Main::setTabOrder()
{
    // Reading order: the slots, the middle column, the result's tools, the
    // lens, then the quality box, "Example" and "Exit".
    const QList<QWidget *> order{m_foto0[0],   m_webBrowser, m_foto0[1],     m_softwareKnop, m_filterKnop,
                                 m_newKnop1,   m_newKnop2,   m_rscroll,      m_gscroll,      m_bscroll,
                                 m_saveKnop,   m_sizeKnop,   m_borderKnop,   m_printKnop,    m_helpKnop,
                                 m_combineKnop, m_loepKnop,  m_slider1,      m_text1,        m_exampleKnop,
                                 m_exitKnop};
    for (QWidget *control : order) {
        if (control->focusPolicy() == Qt::NoFocus)
            control->setFocusPolicy(Qt::TabFocus);
    }
    for (qsizetype i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);

    // Buttons are named by their captions; the rest by what they show.
    const std::pair<QWidget *, const char *> names[] = {
        {m_foto0[0], QT_TR_NOOP("Slot 1 picture")},
        {m_foto0[1], QT_TR_NOOP("Slot 2 picture")},
        {m_pict0, QT_TR_NOOP("Result picture")},
        {m_webBrowser, QT_TR_NOOP("Help page")},
        {m_rscroll, QT_TR_NOOP("Background red")},
        {m_gscroll, QT_TR_NOOP("Background green")},
        {m_bscroll, QT_TR_NOOP("Background blue")},
        {m_loepPic, QT_TR_NOOP("Lens")},
        {m_slider1, QT_TR_NOOP("Lens magnification")},
        {m_bar, QT_TR_NOOP("Filter progress")},
        {m_text1, QT_TR_NOOP("% Kwaliteit JPG")},
        {m_maatLabel, QT_TR_NOOP("Working size")},
    };
    for (const auto &[control, name] : names)
        control->setAccessibleName(tr(name));
}

void Main::EditUndo()
{
    // A running filter's result is written over the picture it started
    // from; undoing under it would only be overwritten.
    if (m_filters.FilterBusy() || !m_history.undo(m_work.Pict))
        return;
    redrawPict0();
}

void Main::EditRedo()
{
    if (m_filters.FilterBusy() || !m_history.redo(m_work.Pict))
        return;
    redrawPict0();
}

void Main::StopFilter()
{
    if (m_filters.FilterBusy())
        m_stopFilter = true;
}

void Main::EditCopy()
{
    if (m_work.Pict.hasPixels())
        QGuiApplication::clipboard()->setImage(m_work.Pict.image());
}

void Main::EditPaste()
{
    for (int slot : {1, 2}) {
        PictureBox &display = Foto0(slot);
        if (display.hasFocus() || display.rect().contains(display.mapFromGlobal(QCursor::pos()))) {
            Foto0_Paste(slot);
            return;
        }
    }
}

void Main::Foto0_Paste(int slot)
{
    const QMimeData *mime = QGuiApplication::clipboard()->mimeData();
    if (!mime)
        return;
    if (mime->hasImage()) {
        const QImage image = flattened(qvariant_cast<QImage>(mime->imageData()));
        if (image.isNull())
            return;
        if (loadSlotImage(m_work, slot, Foto0(slot).picture(), image, *m_services.pointer) ==
            LoadOutcome::OutOfMemory)
            reportOutOfMemory(m_work.ResultWidth, m_work.ResultHeight);
        Foto0(slot).refresh();
        resultChanged();
        return;
    }
    // A picture file copied in a file manager arrives as its address.
    const QList<QUrl> urls = mime->urls();
    if (urls.size() == 1 && urls.front().isLocalFile())
        Foto0_Drop(slot, urls.front().toLocalFile());
}

} // namespace mergola
