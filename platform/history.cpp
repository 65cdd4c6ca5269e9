#include "platform/history.h"

#include <algorithm>

#if defined(__unix__)
#include <unistd.h>
#endif

namespace mergola {

namespace {

constexpr std::size_t kMaxBudget = std::size_t(1) << 30;
constexpr std::size_t kMemoryShare = 4;

// Whether two pictures are the same state: the same size and the same
// pixel storage, untouched since one was taken from the other. A picture
// written to gets storage of its own, so this never mistakes a change for
// none; it may take a write of the same values for a change.
bool sameState(const Picture &a, const Picture &b)
{
    return a.width() == b.width() && a.height() == b.height() && a.fillColor() == b.fillColor() &&
           a.image().cacheKey() == b.image().cacheKey();
}

} // namespace

History::History(std::size_t budgetBytes) : m_budget(budgetBytes) {}

void History::reset(const Picture &picture)
{
    m_current = picture;
    m_undo.clear();
    m_redo.clear();
    m_keptBytes = 0;
}

std::size_t History::bytesOf(const Picture &picture)
{
    return static_cast<std::size_t>(picture.image().sizeInBytes());
}

void History::push(std::deque<Picture> &steps, const Picture &picture)
{
    steps.push_back(picture);
    m_keptBytes += bytesOf(picture);
}

void History::trim()
{
    // The oldest undo steps go first; a redo list only ever shrinks.
    while (!m_undo.empty() && (m_keptBytes > m_budget || m_undo.size() + m_redo.size() > kMaxSteps)) {
        m_keptBytes -= bytesOf(m_undo.front());
        m_undo.pop_front();
    }
}

void History::changed(const Picture &picture)
{
    if (sameState(picture, m_current))
        return;
    for (const Picture &step : m_redo)
        m_keptBytes -= bytesOf(step);
    m_redo.clear();
    push(m_undo, m_current);
    m_current = picture;
    trim();
}

bool History::undo(Picture &picture)
{
    if (m_undo.empty())
        return false;
    // Whatever the picture is now (the state of record, unless the owner
    // forgot to report a change) is what redo brings back.
    push(m_redo, picture);
    m_current = m_undo.back();
    m_keptBytes -= bytesOf(m_undo.back());
    m_undo.pop_back();
    picture = m_current;
    return true;
}

bool History::redo(Picture &picture)
{
    if (m_redo.empty())
        return false;
    push(m_undo, picture);
    m_current = m_redo.back();
    m_keptBytes -= bytesOf(m_redo.back());
    m_redo.pop_back();
    picture = m_current;
    trim();
    return true;
}

std::size_t defaultHistoryBudget()
{
#if defined(__unix__)
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pages > 0 && pageSize > 0)
        return std::min(kMaxBudget, static_cast<std::size_t>(pages) * static_cast<std::size_t>(pageSize) / kMemoryShare);
#endif
    return kMaxBudget;
}

} // namespace mergola
