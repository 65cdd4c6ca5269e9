// A main window on fakes, with a program folder of its own. Unless a test
// starts it itself, the window starts with two exact pictures loaded into
// the slots: slot 1 a gradient, slot 2 flat blue.
#pragma once

#include "shell/main_window.h"

#include "support/fake_services.h"
#include "support/test_files.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <gtest/gtest.h>

#include <memory>

namespace mergola::testing {

// Instead of blocking, shows each modal window and hands it to what the
// test wants "the user" to do in it; a window the user leaves open is
// closed by its close box.
class FakeModalWindows final : public ModalWindows {
public:
    int opened = 0;
    std::function<void(QDialog &dialog)> user;
    void exec(QDialog &dialog) override
    {
        ++opened;
        dialog.show();
        if (user)
            user(dialog);
        if (dialog.isVisible())
            dialog.close();
    }
};

class WindowFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        start();
        loadSlots();
    }

    void start()
    {
        services = {&dialogs,  &messages, &pointer, &eventLoop, &printer,
                    &modals,   &webPages, &screen,  portableProgramFiles(programDir.path())};
        window = std::make_unique<Main>(services);
    }

    void loadSlots()
    {
        QImage blue(320, 240, QImage::Format_RGB32);
        blue.fill(qRgb(0, 0, 255));
        dialogs.answers = {writeImage(files.path(), QStringLiteral("one.bmp"), gradientImage(320, 240), "BMP"),
                           writeImage(files.path(), QStringLiteral("two.bmp"), blue, "BMP")};
        window->Foto0_Click(1);
        window->Foto0_Click(2);
    }

    QByteArray settingsContent() const { return contentsOf(programDir.filePath(QStringLiteral("Mergola.ini"))); }

    template <typename T>
    T *child(const char *name)
    {
        T *found = window->findChild<T *>(QLatin1String(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    void trigger(const char *name)
    {
        if (QAction *action = child<QAction>(name))
            action->trigger();
    }

    Picture &pict() { return window->workspace().Pict; }
    const Picture &slot1() { return window->workspace().Foto[0]; }
    // What a display of the result drawn anew shows.
    QImage freshDisplay()
    {
        Picture display(320, 240, qRgb(0, 0, 0));
        display.drawStretched(pict(), QRect(0, 0, 320, 240));
        return display.image();
    }

    QTemporaryDir programDir;
    QTemporaryDir files;
    FakeFileDialogs dialogs;
    FakeMessageBox messages;
    FakeBusyPointer pointer;
    FakeEventLoopTurn eventLoop;
    FakePrinter printer;
    FakeModalWindows modals;
    FakeWebPages webPages;
    FakeScreenReader screen;
    MainServices services;
    std::unique_ptr<Main> window;
};

} // namespace mergola::testing
