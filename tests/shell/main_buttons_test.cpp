// The resize dialog, the lens, the help page, the example window and the
// software page, driven from the window.
#include "window_fixture.h"

#include <sys/resource.h>

using namespace mergola;
using namespace mergola::testing;

namespace {

class MainButtonsTest : public WindowFixture {
protected:
    QString maatLabel() { return child<QLabel>("MaatLabel")->text(); }
    const Picture &lens() { return child<PictureBox>("LoepPic")->picture(); }
    static void click(QDialog &dialog, const char *name)
    {
        dialog.findChild<QPushButton *>(QLatin1String(name))->click();
    }
};

} // namespace

TEST_F(MainButtonsTest, SizeDialogKeepsDigitsAsksForEmptyBoxesAndSetsTheSizeOnlyOnOk)
{
    modals.user = [&](QDialog &dialog) {
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral(" Size pictures"));
        auto *width = dialog.findChild<QLineEdit *>(QStringLiteral("Text1"));
        auto *height = dialog.findChild<QLineEdit *>(QStringLiteral("Text2"));
        EXPECT_EQ(height->text(), QStringLiteral("240"));
        width->end(false);
        // Four digits at most; anything else puts the stored width back and loses what was typed.
        for (auto [key, shows] : {std::pair{"8", "3208"}, {"9", "3208"}, {"x", "320"}}) {
            QTest::keyClicks(width, key);
            EXPECT_EQ(width->text(), QLatin1String(shows)) << key;
        }
        for (QLineEdit *empty : {width, height}) {
            empty->selectAll();
            QTest::keyClick(empty, Qt::Key_Delete);
        }
        click(dialog, "OkKnop");
        EXPECT_EQ(messages.shown, QStringList{QStringLiteral("Breedte invullen a.u.b.")}) << "only the width";
        QTest::keyClicks(width, "0640");
        click(dialog, "OkKnop");
        EXPECT_EQ(messages.shown.last(), QStringLiteral("Hoogte invullen a.u.b."));
        EXPECT_EQ(maatLabel(), QStringLiteral("320 x 240 pixels")) << "the dialog stays open";
        QTest::keyClicks(height, "0");
        click(dialog, "OkKnop");
    };
    window->SizeKnop_Click();
    EXPECT_EQ(maatLabel(), QStringLiteral("640 x 0 pixels")) << "leading zeros dropped, 0 taken";

    // Cancel changes nothing, whatever was typed.
    modals.user = [&](QDialog &dialog) {
        QTest::keyClicks(dialog.findChild<QLineEdit *>(QStringLiteral("Text1")), "1");
        click(dialog, "CancelKnop");
    };
    window->SizeKnop_Click();
    EXPECT_EQ(maatLabel(), QStringLiteral("640 x 0 pixels"));
    EXPECT_EQ(pict().width(), 320) << "the dialog itself rescales nothing";
}

TEST_F(MainButtonsTest, SizeBeyondMemoryIsReportedAndLeavesEveryPictureAsItWas)
{
    window->CombineResult(2);
    const QImage result = pict().image().copy();
    const QImage slot = slot1().image().copy();
    // Rows this wide cannot be had at all, like a size beyond the memory.
    window->workspace().ResultWidth = 70'000'000;
    loadSlots();
    window->CombineResult(3);
    const QString message = QStringLiteral("Te weinig geheugen voor 70000000 x 240 pixels!");
    EXPECT_EQ(messages.shown, QStringList({message, message, message}));
    EXPECT_EQ(slot1().image(), slot);
    EXPECT_EQ(pict().image(), result);
    EXPECT_FALSE(pointer.busy());
}

TEST_F(MainButtonsTest, AGoodFileWhosePictureTheMemoryCannotHoldIsReportedNotPassedOverAsDamaged)
{
    if (kSanitizedBuild)
        GTEST_SKIP() << "the sanitizers' shadow memory allows no address-space limit";
    QImage big(9000, 9000, QImage::Format_RGB32);
    big.fill(qRgb(40, 90, 160));
    const QString jpg = writeImage(files.path(), QStringLiteral("big.jpg"), big, "JPG", 10);
    big = QImage();
    loadSlots();
    const QImage slot = slot1().image().copy();
    // 200 MB more address space than the process has: not the 324 MB the picture needs.
    rlimit before{};
    ASSERT_EQ(::getrlimit(RLIMIT_AS, &before), 0);
    QFile status(QStringLiteral("/proc/self/status"));
    ASSERT_TRUE(status.open(QIODevice::ReadOnly));
    qint64 mapped = 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmSize:"))
            mapped = line.mid(7).trimmed().split(' ').value(0).toLongLong() * 1024;
    ASSERT_GT(mapped, 0);
    rlimit limited = before;
    limited.rlim_cur = rlim_t(mapped + (200 << 20));
    ASSERT_EQ(::setrlimit(RLIMIT_AS, &limited), 0);
    window->Foto0_Drop(1, jpg);
    ::setrlimit(RLIMIT_AS, &before);
    EXPECT_EQ(messages.shown, QStringList{QStringLiteral("Te weinig geheugen voor 9000 x 9000 pixels!")});
    EXPECT_EQ(slot1().image(), slot);
}

TEST_F(MainButtonsTest, LensMagnifiesTheScreenAroundThePointerAndShowsItsPromptWhenOff)
{
    screen.screen = randomImage(300, 200, 5);
    const QImage prompt = lens().image().copy();
    window->LoepKnop_Click();
    EXPECT_EQ(lens().image(), prompt) << "nothing drawn until the next tick";
    child<QScrollBar>("Slider1")->setValue(10);
    screen.pointer = QPoint(100, 50);
    window->Timer1_Timer();
    // 16 x 9 screen pixels from 8 left of and 4 above the pointer fill the lens.
    Picture expected(155, 88, qRgb(224, 224, 224));
    expected.drawStretched(screen.screen.copy(92, 46, 16, 9), QRect(0, 0, 155, 88));
    EXPECT_EQ(lens().image(), expected.image());

    window->LoepKnop_Click();
    window->Timer1_Timer();
    EXPECT_EQ(lens().image(), prompt) << "off: the prompt, and ticks draw nothing";

    // Where the screen cannot be read, one line says so and ticks leave it.
    screen.readable = false;
    window->LoepKnop_Click();
    const QImage notice = lens().image().copy();
    EXPECT_NE(notice, prompt);
    window->Timer1_Timer();
    EXPECT_EQ(lens().image(), notice);
}

TEST_F(MainButtonsTest, HelpShowsTheCurrentPageFromItsTopOverSlotOneAndHidesAgain)
{
    auto *view = child<QTextBrowser>("WebBrowser");
    const auto writeHelp = [&](const char *title) {
        writeFile(programDir.path(), QStringLiteral("help.htm"),
                  QByteArray("<h1>") + title + "</h1>" + QByteArray("<p>line</p>").repeated(200));
    };
    writeHelp("First");
    window->HelpKnop_Click();
    view->verticalScrollBar()->setValue(view->verticalScrollBar()->maximum());
    window->HelpKnop_Click();
    EXPECT_TRUE(view->isHidden());

    writeHelp("Second");
    window->HelpKnop_Click();
    EXPECT_FALSE(view->isHidden());
    EXPECT_TRUE(view->toPlainText().startsWith(QStringLiteral("Second")));
    EXPECT_EQ(view->verticalScrollBar()->value(), 0);
    window->HelpKnop_Click();

    QFile::remove(programDir.filePath(QStringLiteral("help.htm")));
    window->HelpKnop_Click();
    EXPECT_TRUE(view->toPlainText().contains(QStringLiteral("not found")));

    window->SoftwareKnop_Click();
    EXPECT_EQ(webPages.opened.size(), 1u);
}

TEST_F(MainButtonsTest, ExampleShowsTheResultUnscaledOnWhiteAtTheWorkingSize)
{
    window->CombineResult(2);
    window->workspace().ResultWidth = 330;
    window->workspace().ResultHeight = 250;
    modals.user = [&](QDialog &dialog) {
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral(" Example / 330 x 250 pixels"));
        EXPECT_EQ(dialog.size(), QSize(330, 250));
        const QImage shown = dialog.findChild<QWidget *>(QStringLiteral("Picture1"))->grab().toImage();
        EXPECT_EQ(shown.convertToFormat(QImage::Format_RGB32).copy(0, 0, 320, 240), pict().image());
        EXPECT_EQ(shown.pixel(325, 245), qRgb(255, 255, 255));
    };
    window->ExampleKnop_Click();
    EXPECT_EQ(modals.opened, 1);
}
