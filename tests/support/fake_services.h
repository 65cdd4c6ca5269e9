// Fakes of the platform interfaces: scripted dialog answers, recorded
// messages and pointer changes, and an event-loop turn that runs whatever
// the test wants "the user" to do meanwhile.
#pragma once

#include "platform/services.h"

#include <QStringList>

#include <deque>
#include <functional>
#include <vector>

namespace mergola::testing {

class FakeFileDialogs final : public FileDialogs {
public:
    std::deque<QString> answers; // each dialog takes the next; "" is a cancel
    QStringList openFilters;
    QStringList saveFilters;

    QString openFile(const QString &filter) override
    {
        openFilters << filter;
        return next();
    }
    QString saveFile(const QString &filter) override
    {
        saveFilters << filter;
        return next();
    }

private:
    QString next()
    {
        if (answers.empty())
            return {};
        QString answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

class FakeMessageBox final : public MessageBox {
public:
    QStringList shown;
    void show(const QString &text) override { shown << text; }
};

class FakeBusyPointer final : public BusyPointer {
public:
    bool busy = false;
    std::vector<bool> changes; // true = hourglass, false = arrow
    void setBusy() override
    {
        busy = true;
        changes.push_back(true);
    }
    void setArrow() override
    {
        busy = false;
        changes.push_back(false);
    }
};

class FakeEventLoopTurn final : public EventLoopTurn {
public:
    int turns = 0;
    std::function<void(int turn)> onTurn;
    void turn() override
    {
        ++turns;
        if (onTurn)
            onTurn(turns);
    }
};

} // namespace mergola::testing
