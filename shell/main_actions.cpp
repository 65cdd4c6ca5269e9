// The handlers of `Main` that work on the result picture: combining, the
// filter menu and the mirrors. Each hands the work to the folder that owns
// it and then shows the result.
#include "shell/main_window.h"

#include "combine/combine.h"
#include "filters/filter_menu.h"
#include "output/print.h"
#include "output/save.h"
#include "shell/window_progress.h"
#include "tools/border.h"

#include <algorithm>

namespace mergola {

namespace {

const FilterMenuEntry *findEntry(const auto &table, int index)
{
    const auto found = std::find_if(table.begin(), table.end(),
                                    [index](const FilterMenuEntry &entry) { return entry.index == index; });
    return found == table.end() ? nullptr : &*found;
}

} // namespace

void Main::redrawPict0()
{
    Pict0().picture().drawStretched(m_work.Pict, QRect(0, 0, kDisplayWidth, kDisplayHeight));
    Pict0().refresh();
}

void Main::reportOutOfMemory(int width, int height)
{
    m_services.pointer->setArrow();
    m_services.messages->show(tr("Te weinig geheugen voor %1 x %2 pixels!").arg(width).arg(height));
}

void Main::reportLoadOutOfMemory(const QSize &picture)
{
    // The file's own size where it told it; else the working pictures were what did not fit.
    const QSize size = picture.isValid() ? picture : QSize(m_work.ResultWidth, m_work.ResultHeight);
    reportOutOfMemory(size.width(), size.height());
}

void Main::CombineResult(int index)
{
    BusyScope busy(*m_services.pointer);
    if (!mergola::CombineResult(static_cast<std::int16_t>(index), m_work.Foto[0], m_work.Foto[1], m_work.Pict,
                                m_work.ResultWidth, m_work.ResultHeight)) {
        reportOutOfMemory(m_work.ResultWidth, m_work.ResultHeight);
        return;
    }
    redrawPict0();
    resultChanged();
}

void Main::fil_Click(int index)
{
    runFilterMenuEntry(findEntry(kFilMenu, index));
}

void Main::fils_Click(int index)
{
    runFilterMenuEntry(findEntry(kFilsMenu, index));
}

void Main::runFilterMenuEntry(const FilterMenuEntry *entry)
{
    m_services.pointer->setBusy();
    m_progress->start();
    if (entry) {
        switch (entry->action) {
        case MenuAction::Filter: {
            if (!m_filters.FilterBusy())
                m_stopFilter = false;
            WindowFilterProgress sink(m_filterProgress, *m_progress, *m_services.eventLoop, *m_services.pointer, m_ending,
                                      m_stopFilter);
            const FilterOutcome outcome = m_filters.ApplyFilter(entry->filterId, m_work.Pict, entry->parameter, sink);
            if (outcome == FilterOutcome::OutOfMemory)
                reportOutOfMemory(m_work.Pict.width(), m_work.Pict.height());
            if (outcome == FilterOutcome::Dropped && m_stopFilter) {
                m_stopFilter = false;
                m_filterProgress = 0;
                m_progress->reset();
            }
            break;
        }
        case MenuAction::FlipHorizontal:
            m_work.Pict.mirrorHorizontal();
            break;
        case MenuAction::FlipVertical:
            m_work.Pict.mirrorVertical();
            break;
        case MenuAction::Submenu:
            break;
        }
    }
    redrawPict0();
    resultChanged();
    m_services.pointer->setArrow();
}

void Main::resultChanged()
{
    m_history.changed(m_work.Pict);
    if (m_filters.FilterBusy() || m_ending)
        return;
    // A filter takes two buffers of the result's size and a new result.
    constexpr std::size_t kBlocksAFilterTakes = 3;
    constexpr std::size_t kBytesPerPixel = 4;
    m_memoryPreparation.start(std::size_t(m_work.Pict.width()) * std::size_t(m_work.Pict.height()) * kBytesPerPixel,
                              kBlocksAFilterTakes);
    m_spareMemoryRelease.start();
}

void Main::MenuSaveBmp_Click()
{
    saveResultAsBmp(m_work.Pict, *m_services.dialogs, *m_services.messages);
}

void Main::MenuSaveJpg_Click()
{
    saveResultAsJpg(m_work.Pict, m_jpgQuality, m_services.files, *m_services.dialogs, *m_services.messages);
}

void Main::MenuSavePng_Click()
{
    saveResultAsPng(m_work.Pict, *m_services.dialogs, *m_services.messages);
}

void Main::Print_Click(PrintLayout layout)
{
    printResult(layout, m_work.Pict, *m_services.printer, *m_services.messages);
}

void Main::BorderKnop_Click()
{
    // The display gets its own one-pixel frame, not a scaled-down copy.
    drawBorder(m_work.Pict);
    drawBorder(Pict0().picture());
    Pict0().refresh();
    resultChanged();
}

} // namespace mergola
