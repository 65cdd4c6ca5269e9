// Fakes of the platform interfaces. The event-loop turn runs whatever the
// test wants "the user" to do meanwhile.
#pragma once

#include "platform/printer.h"
#include "platform/services.h"

#include <QImage>
#include <QPainter>
#include <QStringList>

#include <deque>
#include <functional>
#include <vector>

namespace mergola::testing {

class FakeFileDialogs final : public FileDialogs {
public:
    std::deque<QString> answers; // each dialog takes the next; "" or none left is a cancel
    QStringList openFilters;
    QStringList saveFilters;

    QString openFile(const QString &filter) override { return next(openFilters, filter); }
    QString saveFile(const QString &filter) override { return next(saveFilters, filter); }

private:
    QString next(QStringList &filters, const QString &filter)
    {
        filters << filter;
        if (answers.empty())
            return {};
        const QString answer = answers.front();
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
    std::vector<bool> changes; // true = hourglass, false = arrow
    bool busy() const { return !changes.empty() && changes.back(); }
    void setBusy() override { changes.push_back(true); }
    void setArrow() override { changes.push_back(false); }
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

class FakeWebPages final : public WebPages {
public:
    std::vector<QUrl> opened;
    void open(const QUrl &address) override { opened.push_back(address); }
};

class FakeScreenReader final : public ScreenReader {
public:
    QImage screen;
    QPoint pointer;
    bool readable = true;
    bool canRead() const override { return readable; }
    QPoint pointerPosition() const override { return pointer; }
    QRect grab(const QRect &area, QImage &pixels) override
    {
        const QRect onScreen = area.intersected(screen.rect());
        if (!onScreen.isEmpty())
            pixels = screen.copy(onScreen);
        return onScreen;
    }
};

// Records each page's orientation and paints it onto an A4 sheet at 50 dots to the inch.
class FakePrinter final : public Printer {
public:
    std::vector<PageOrientation> orientations;
    PrintOutcome answer = PrintOutcome::Printed;

    PrintOutcome printPage(PageOrientation orientation, const PagePainter &paint) override
    {
        orientations.push_back(orientation);
        if (answer == PrintOutcome::Printed) {
            QSize size(413, 584);
            if (orientation == PageOrientation::Landscape)
                size.transpose();
            QImage page(size, QImage::Format_RGB32);
            page.fill(Qt::white);
            QPainter painter(&page);
            paint(painter, QRectF(page.rect()));
        }
        return answer;
    }
};

} // namespace mergola::testing
