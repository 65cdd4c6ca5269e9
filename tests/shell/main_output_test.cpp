// Saving, printing, the border and the quality box, driven from the window.
#include "window_fixture.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QImageReader>
#include <QLineEdit>

using namespace mergola;
using namespace mergola::testing;

namespace {

class MainOutputTest : public WindowFixture {
protected:
    QLineEdit *qualityBox() { return window->findChild<QLineEdit *>(QStringLiteral("Text1")); }

    // A key pressed and released in the quality box.
    void press(int key, const char *text, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        for (QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
            QKeyEvent event(type, key, modifiers, QString::fromLatin1(text));
            QApplication::sendEvent(qualityBox(), &event);
        }
    }

    // The converter library lives beside the program.
    void installConverter()
    {
        ASSERT_TRUE(QFile::copy(builtProgramDir() + QStringLiteral("/libbmp2jpeg.so"),
                                programDir.filePath(QStringLiteral("libbmp2jpeg.so"))));
    }
};

} // namespace

TEST_F(MainOutputTest, QualityBoxKeepsOnlyDigitsAndTheStoredValueFollowsIt)
{
    QLineEdit *box = qualityBox();
    const auto shows = [&](const char *text, int quality) {
        EXPECT_EQ(box->text(), QLatin1String(text));
        EXPECT_EQ(window->jpgQuality(), quality);
    };
    box->setCursorPosition(2);
    press(Qt::Key_8, "8");
    shows("75", 75); // a third digit cannot be typed
    box->setCursorPosition(1);
    press(Qt::Key_X, "x");
    press(Qt::Key_Backspace, "\b");
    shows("75", 75); // a letter and Backspace are thrown away
    box->selectAll();
    press(Qt::Key_Delete, "");
    shows("", 0); // an empty box is 0
    press(Qt::Key_9, "9");
    press(Qt::Key_0, "0");
    shows("90", 90);
    box->selectAll();
    press(Qt::Key_V, "\x16", Qt::ControlModifier); // pasting is a control character
    shows("90", 90);
    window->ExitKnop_Click();
    EXPECT_EQ(settingsContent(), QByteArray("320,240\r\n90\r\n"));
}

TEST_F(MainOutputTest, SaveEntriesWriteTheWholeResultUnderTheNameGivenWithTheBoxsQualityAndSayWhenTheyCannot)
{
    trigger("comb_3");
    const QString bmp = files.filePath(QStringLiteral("result without extension"));
    const QString lost = files.filePath(QStringLiteral("lost.jpg"));
    dialogs.answers = {QString(), QString(), bmp, lost}; // two cancels first
    trigger("MenuSaveBmp");
    trigger("MenuSaveJpg");
    trigger("MenuSaveBmp");
    EXPECT_EQ(QImage(bmp, "BMP").convertToFormat(QImage::Format_RGB32), pict().image()) << "the whole result";
    trigger("MenuSaveJpg");
    EXPECT_EQ(messages.shown, QStringList{QStringLiteral("Fout bij het saven naar JPG!")}) << "no converter";
    EXPECT_EQ(dialogs.saveFilters, (QStringList{"Bitmap format (*.bmp)|*.bmp", "Jpg format (*.jpg)|*.jpg",
                                                "Bitmap format (*.bmp)|*.bmp", "Jpg format (*.jpg)|*.jpg"}));
    EXPECT_EQ(QDir(files.path()).entryList({"result*", "lost*"}), QStringList{QStringLiteral("result without extension")});
    const QString png = files.filePath(QStringLiteral("result.png"));
    dialogs.answers = {png};
    trigger("MenuSavePng");
    EXPECT_EQ(QImage(png, "PNG").convertToFormat(QImage::Format_RGB32), pict().image()) << "lossless";

    installConverter();
    writeFile(programDir.path(), QStringLiteral("mydummy.bmp"), "left over from a crash");
    for (int quality : {5, 95}) {
        qualityBox()->setText(QString::number(quality));
        dialogs.answers = {files.filePath(QStringLiteral("q%1.jpg").arg(quality))};
        trigger("MenuSaveJpg");
        EXPECT_EQ(QImage(files.filePath(QStringLiteral("q%1.jpg").arg(quality))).size(), QSize(320, 480)) << quality;
    }
    EXPECT_LT(QFileInfo(files.filePath(QStringLiteral("q5.jpg"))).size(),
              QFileInfo(files.filePath(QStringLiteral("q95.jpg"))).size());
    EXPECT_FALSE(QFile::exists(programDir.filePath(QStringLiteral("mydummy.bmp"))));
    EXPECT_EQ(messages.shown.size(), 1);
}

TEST_F(MainOutputTest, PrintEntriesPrintTheirLayoutsAndAMissingPrinterOrAFailedJobIsTold)
{
    trigger("comb_2");
    trigger("PrintDubbel");
    trigger("PrintEnkel");
    trigger("PrintAppart");
    using enum PageOrientation;
    EXPECT_EQ(printer.orientations, (std::vector{Portrait, Landscape, Portrait}));
    ASSERT_EQ(printer.pages.size(), 3u);
    // The landscape picture's rectangle starts 480 twips in from the corner.
    const double dotsPerTwip = FakePrinter::kDotsPerInch / 1440.0;
    EXPECT_NE(printer.pages[1].pixel(int(600 * dotsPerTwip), int(600 * dotsPerTwip)), qRgb(255, 255, 255));
    EXPECT_EQ(printer.pages[1].pixel(2, 2), qRgb(255, 255, 255));
    EXPECT_TRUE(messages.shown.isEmpty());

    printer.answer = PrintOutcome::NoPrinter;
    trigger("PrintEnkel");
    printer.answer = PrintOutcome::Failed;
    trigger("PrintDubbel");
    EXPECT_EQ(messages.shown,
              (QStringList{QStringLiteral("Er is geen printer gevonden!"), QStringLiteral("Fout bij het afdrukken!")}));
}

TEST_F(MainOutputTest, BorderFramesTheResultAndItsDisplayOnePixelEach)
{
    trigger("comb_3");
    const QRgb inside = pict().pixel(2, 2);
    const QRgb shown = window->Pict0().picture().pixel(2, 2);
    window->BorderKnop_Click();
    EXPECT_EQ(pict().pixel(319, 479), qRgb(0, 0, 0));
    EXPECT_EQ(pict().pixel(318, 478), qRgb(255, 255, 255));
    EXPECT_EQ(pict().pixel(2, 2), inside);
    const Picture &display = window->Pict0().picture();
    EXPECT_EQ(display.pixel(319, 239), qRgb(0, 0, 0));
    EXPECT_EQ(display.pixel(318, 238), qRgb(255, 255, 255));
    EXPECT_EQ(display.pixel(2, 2), shown);
}

// A window started at the largest working size the resize dialog allows.
class LargestWorkingSize : public MainOutputTest {
protected:
    void SetUp() override
    {
        writeSettings("9999,9999\r\n75\r\n");
        start();
        installConverter();
    }
};

TEST_F(LargestWorkingSize, CombinesAndSavesAsBmpAndJpg)
{
    window->CombineResult(1);
    ASSERT_EQ(pict().width(), 9999);

    const QString bmp = files.filePath(QStringLiteral("huge.bmp"));
    const QString jpg = files.filePath(QStringLiteral("huge.jpg"));
    dialogs.answers = {bmp, jpg};
    window->MenuSaveBmp_Click();
    window->MenuSaveJpg_Click();
    EXPECT_TRUE(messages.shown.isEmpty()) << messages.shown.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(QImageReader(bmp).size(), QSize(9999, 9999));
    EXPECT_EQ(QImageReader(jpg).size(), QSize(9999, 9999));
}
