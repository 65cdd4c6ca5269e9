// The undo and redo history of one picture (the result `Pict`). It keeps
// whole pictures, which cost nothing extra until the picture they were
// taken from is written to: pictures share their pixels until one of them
// changes.
//
// The owner calls changed() after every operation that may have changed
// the picture; the history compares the picture with the state it last
// saw and, when it differs, keeps that state as one undo step and drops
// the redo steps. The oldest steps go when the kept pictures pass the
// byte budget or the step limit.
#pragma once

#include "platform/picture.h"

#include <cstddef>
#include <deque>

namespace mergola {

class History {
public:
    static constexpr std::size_t kMaxSteps = 50;

    // budgetBytes: how much the kept pictures may hold in all.
    explicit History(std::size_t budgetBytes);

    // Starts from picture as the state of record, with nothing to undo.
    void reset(const Picture &picture);

    // Records the step from the state of record to picture, if any.
    void changed(const Picture &picture);

    // Puts picture back to the state before the last step (after the last
    // undone step for redo). False, leaving picture alone, when there is none.
    bool undo(Picture &picture);
    bool redo(Picture &picture);

    std::size_t undoSteps() const { return m_undo.size(); }

private:
    static std::size_t bytesOf(const Picture &picture);
    void push(std::deque<Picture> &steps, const Picture &picture);
    void trim();

    std::size_t m_budget;
    Picture m_current;
    std::deque<Picture> m_undo; // oldest first
    std::deque<Picture> m_redo; // the next redo last
    std::size_t m_keptBytes = 0;
};

// A quarter of the machine's memory, and never more than 1 GiB: enough for
// twenty steps of a 12-megapixel result while leaving room for the rest.
std::size_t defaultHistoryBudget();

} // namespace mergola
