// Saving, printing, the border and the quality box, driven from the window.
#include "window_fixture.h"

#include "support/program_dir.h"

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

    void press(Qt::Key key, const QString &text = {}, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QKeyEvent down(QEvent::KeyPress, key, modifiers, text);
        QApplication::sendEvent(qualityBox(), &down);
        QKeyEvent up(QEvent::KeyRelease, key, modifiers, text);
        QApplication::sendEvent(qualityBox(), &up);
    }

    void type(const QString &characters)
    {
        for (QChar c : characters)
            press(static_cast<Qt::Key>(c.toUpper().unicode()), QString(c));
    }

    // The converter library lives beside the program.
    void installConverter()
    {
        const QString library = QStringLiteral("libbmp2jpeg.so");
        ASSERT_TRUE(QFile::copy(builtProgramDir() + QLatin1Char('/') + library,
                                programDir.filePath(library)));
    }
};

} // namespace

TEST_F(MainOutputTest, QualityBoxKeepsOnlyDigitsAndTheStoredValueFollowsIt)
{
    QLineEdit *box = qualityBox();
    ASSERT_EQ(box->text(), QStringLiteral("75"));
    box->setCursorPosition(2);
    type(QStringLiteral("8"));
    EXPECT_EQ(box->text(), QStringLiteral("75")) << "a third digit cannot be typed";
    EXPECT_EQ(window->jpgQuality(), 75);

    box->setCursorPosition(1);
    type(QStringLiteral("x"));
    EXPECT_EQ(box->text(), QStringLiteral("75"));
    press(Qt::Key_Backspace, QStringLiteral("\b"));
    EXPECT_EQ(box->text(), QStringLiteral("75")) << "Backspace is thrown away too";
    EXPECT_EQ(window->jpgQuality(), 75);

    box->selectAll();
    press(Qt::Key_Delete);
    EXPECT_EQ(box->text(), QString());
    EXPECT_EQ(window->jpgQuality(), 0) << "an empty box is 0";
    type(QStringLiteral("9"));
    type(QStringLiteral("0"));
    EXPECT_EQ(box->text(), QStringLiteral("90"));
    EXPECT_EQ(window->jpgQuality(), 90);

    box->selectAll();
    press(Qt::Key_V, QStringLiteral("\x16"), Qt::ControlModifier); // pasting is a control character
    EXPECT_EQ(box->text(), QStringLiteral("90"));

    window->ExitKnop_Click();
    EXPECT_EQ(settingsContent(), QByteArray("320,240\r\n90\r\n"));
}

TEST_F(MainOutputTest, SaveEntriesWriteTheWholeResultUnderExactlyTheChosenName)
{
    trigger("comb_3");
    const QString bmp = files.filePath(QStringLiteral("result without extension"));
    dialogs.answers = {bmp};
    trigger("MenuSaveBmp");
    EXPECT_EQ(QImage(bmp, "BMP").convertToFormat(QImage::Format_RGB32), pict().image()) << "the whole result";
    const QString png = files.filePath(QStringLiteral("result.png"));
    dialogs.answers = {png};
    trigger("MenuSavePng");
    EXPECT_EQ(QImage(png, "PNG").convertToFormat(QImage::Format_RGB32), pict().image()) << "lossless";

    installConverter();
    for (int quality : {5, 95}) {
        qualityBox()->setText(QString::number(quality));
        const QString jpg = files.filePath(QStringLiteral("q%1.jpg").arg(quality));
        dialogs.answers = {jpg};
        trigger("MenuSaveJpg");
        EXPECT_EQ(QImage(jpg).size(), QSize(320, 480)) << quality;
    }
    EXPECT_LT(QFileInfo(files.filePath(QStringLiteral("q5.jpg"))).size(),
              QFileInfo(files.filePath(QStringLiteral("q95.jpg"))).size());
    EXPECT_FALSE(QFile::exists(programDir.filePath(QStringLiteral("mydummy.bmp"))));
    EXPECT_TRUE(messages.shown.isEmpty());
}

TEST_F(MainOutputTest, AJpgSaveWithoutItsConverterSaysSoAndLeavesNothingBehind)
{
    trigger("comb_1");
    const QString jpg = files.filePath(QStringLiteral("lost.jpg"));
    dialogs.answers = {jpg};
    trigger("MenuSaveJpg");
    EXPECT_EQ(messages.shown, QStringList{QStringLiteral("Fout bij het saven naar JPG!")});
    EXPECT_FALSE(QFile::exists(jpg));
    EXPECT_FALSE(QFile::exists(programDir.filePath(QStringLiteral("mydummy.bmp"))));

    dialogs.answers = {QString()}; // cancel: silent
    trigger("MenuSaveBmp");
    EXPECT_EQ(messages.shown.size(), 1);
}

TEST_F(MainOutputTest, PrintEntriesPrintTheirLayoutsAndANoPrinterIsTold)
{
    trigger("comb_2");
    trigger("PrintDubbel");
    trigger("PrintEnkel");
    trigger("PrintAppart");
    EXPECT_EQ(printer.orientations, (std::vector<PageOrientation>{PageOrientation::Portrait,
                                                                   PageOrientation::Landscape,
                                                                   PageOrientation::Portrait}));
    ASSERT_EQ(printer.pages.size(), 3u);
    // The landscape picture's rectangle starts 480 twips in from the corner.
    const double dotsPerTwip = FakePrinter::kDotsPerInch / 1440.0;
    const QPoint inside(int(600 * dotsPerTwip), int(600 * dotsPerTwip));
    EXPECT_NE(printer.pages[1].pixel(inside), qRgb(255, 255, 255));
    EXPECT_EQ(printer.pages[1].pixel(2, 2), qRgb(255, 255, 255));
    EXPECT_TRUE(messages.shown.isEmpty());

    printer.answer = PrintOutcome::NoPrinter;
    trigger("PrintEnkel");
    EXPECT_EQ(messages.shown, QStringList{QStringLiteral("Er is geen printer gevonden!")});
}

TEST_F(MainOutputTest, BorderFramesTheResultAndItsDisplayOnePixelEach)
{
    trigger("comb_3");
    const QRgb inside = pict().pixel(2, 2);
    const QRgb shown = window->Pict0().picture().pixel(2, 2);
    window->BorderKnop_Click();
    window->BorderKnop_Click();
    EXPECT_EQ(pict().pixel(0, 0), qRgb(0, 0, 0));
    EXPECT_EQ(pict().pixel(319, 479), qRgb(0, 0, 0));
    EXPECT_EQ(pict().pixel(1, 1), qRgb(255, 255, 255));
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
