#include "window_fixture.h"

#include "platform/image_file.h"
#include "platform/qt_services.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBrowser>

using namespace mergola;
using namespace mergola::testing;

namespace {

constexpr QRgb kSlot1Grey = qRgb(224, 224, 224);
constexpr QRgb kStartBackground = qRgb(180, 250, 200);
constexpr QRgb kResultBlue = qRgb(192, 192, 255);

// A window that each test starts itself, so that it may write a settings file first.
class MainWindowTest : public WindowFixture {
protected:
    void SetUp() override {}

    // Ink: pixels that differ from the box's fill, inside a rectangle.
    static int inkIn(const Picture &picture, QRect area)
    {
        int count = 0;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                count += picture.pixel(x, y) != picture.fillColor();
        return count;
    }
    QRect geometryOf(const char *name) { return child<QWidget>(name)->geometry(); }
};

} // namespace

TEST_F(MainWindowTest, StartsWithPromptsOnTheirBackgroundsTheDefaultsShownAndTheLensOff)
{
    start();
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Mergola"));
    EXPECT_EQ(window->minimumSize(), window->maximumSize()) << "fixed size";
    EXPECT_EQ(child<QLabel>("MaatLabel")->text(), QStringLiteral("320 x 240 pixels"));
    EXPECT_EQ(child<QLineEdit>("Text1")->text(), QStringLiteral("75"));
    EXPECT_EQ(child<QLineEdit>("Text1")->maxLength(), 2);
    EXPECT_EQ(child<QLabel>("ProgressLabel")->text(), QStringLiteral("0%"));
    EXPECT_FALSE(child<QTextBrowser>("WebBrowser")->isVisibleTo(window.get()));
    EXPECT_EQ(child<QScrollBar>("Slider1")->value(), 3);

    const Picture &slot1 = window->Foto0(1).picture();
    const Picture &slot2 = window->Foto0(2).picture();
    const Picture &result = window->Pict0().picture();
    EXPECT_EQ(slot1.pixel(0, 0), kSlot1Grey);
    EXPECT_EQ(slot2.pixel(0, 0), kStartBackground);
    EXPECT_EQ(slot2.pixel(319, 239), kStartBackground);
    EXPECT_EQ(result.pixel(5, 200), kResultBlue);
    // The prompts lie right of and below their corners, and nowhere else.
    for (const Picture *display : {&slot1, &slot2}) {
        EXPECT_GT(inkIn(*display, QRect(108, 105, 130, 22)), 100);
        EXPECT_EQ(inkIn(*display, QRect(0, 0, 320, 105)), 0);
        EXPECT_EQ(inkIn(*display, QRect(0, 0, 108, 240)), 0);
    }
    EXPECT_GT(inkIn(result, QRect(135, 105, 70, 22)), 50);
    EXPECT_EQ(inkIn(result, QRect(0, 0, 135, 240)), 0);
    EXPECT_EQ(child<QScrollBar>("Rscroll")->value(), 180);
    EXPECT_EQ(child<QScrollBar>("Gscroll")->value(), 250);
    EXPECT_EQ(child<QScrollBar>("Bscroll")->value(), 200);

    // The working pictures hold their fills at the working size.
    EXPECT_EQ(window->workspace().Foto[1].pixel(319, 239), kStartBackground);
    EXPECT_EQ(window->workspace().Pict.width(), 320);
    EXPECT_EQ(settingsContent(), QByteArray("320,240\r\n75\r\n"));

    // The lens box shows its grey prompt inside the sunken edge.
    const auto *lens = child<PictureBox>("LoepPic");
    EXPECT_EQ(lens->size(), QSize(159, 92));
    EXPECT_EQ(QSize(lens->picture().width(), lens->picture().height()), QSize(155, 88));
    int grey = 0;
    for (int y = 36; y < 60; ++y)
        for (int x = 59; x < 100; ++x)
            grey += lens->picture().pixel(x, y) == qRgb(128, 128, 128);
    EXPECT_GT(grey, 20);
    EXPECT_EQ(inkIn(lens->picture(), QRect(0, 0, 59, 88)), 0);
}

TEST_F(MainWindowTest, ControlsSitAtTheirTwipPositionsFifteenToThePixel)
{
    start();
    EXPECT_EQ(geometryOf("Frame1"), QRect(5, -2, 344, 270));
    EXPECT_EQ(geometryOf("Frame7"), QRect(356, -2, 73, 540));
    EXPECT_EQ(geometryOf("Frame8"), QRect(436, 317, 177, 38));
    EXPECT_EQ(geometryOf("Foto0_1"), QRect(12, 18, 320, 240));
    EXPECT_EQ(geometryOf("Label1"), QRect(8, 14, 328, 248));
    EXPECT_EQ(geometryOf("FilterKnop"), QRect(10, 122, 53, 23));
    EXPECT_EQ(geometryOf("CombineKnop"), QRect(277, 16, 58, 23));
    EXPECT_EQ(geometryOf("Bar"), QRect(7, 13, 120, 18));
    EXPECT_EQ(geometryOf("Rscroll"), QRect(9, 402, 18, 76));
    EXPECT_EQ(geometryOf("Text1"), QRect(10, 16, 30, 20));
    EXPECT_EQ(geometryOf("ExitKnop"), QRect(82, 148, 67, 23));
    EXPECT_EQ(geometryOf("Image1").size(), QSize(50, 100));
    EXPECT_EQ(geometryOf("MaatLabel"), QRect(10, 13, 140, 18));

    auto *exit = child<QPushButton>("ExitKnop");
    EXPECT_EQ(exit->text(), QStringLiteral("Exit"));
    EXPECT_EQ(exit->toolTip(), QStringLiteral(" Stop program "));
    EXPECT_EQ(exit->palette().color(QPalette::Button), QColor(255, 128, 128));
    EXPECT_EQ(child<QPushButton>("CombineKnop")->toolTip(), QStringLiteral(" Combine pictures "));
    EXPECT_EQ(child<QPushButton>("SoftwareKnop")->palette().color(QPalette::Button), QColor(0, 192, 0));
    EXPECT_EQ(child<QLabel>("Label11")->text(), QStringLiteral(" Laat even het voorbeeld zien"));
    EXPECT_EQ(child<QLabel>("Label9")->palette().color(QPalette::WindowText), QColor(64, 64, 64));
}

TEST_F(MainWindowTest, ButtonsPopUpTheirMenusWithEveryEntryInOrder)
{
    start();
    auto captions = [](const QMenu *menu) {
        QStringList texts;
        for (const QAction *action : menu->actions())
            texts << action->text();
        return texts;
    };
    auto *filter = child<QMenu>("Filter");
    EXPECT_EQ(filter->title(), QStringLiteral("Effecten"));
    EXPECT_EQ(captions(filter),
              (QStringList{"Greyscale", "Negative", "Light", "Dark", "Swap colors", "Blur", "Sharpen", "Deffuse",
                           "Pixelize", "Emboss", "Engrave", QString::fromUtf8("Reli\xC3\xAB" "f"), "Edge", "Contour",
                           "Aqua", "Addnoise", "Gamma", "Coldept", "Contrast neg", "Contrast pos",
                           "Flip horizontal", "Flip vertikal"}));
    EXPECT_EQ(captions(child<QMenu>("fils")),
              (QStringList{"Swap colors 1", "Swap colors 2", "Swap colors 3", "Swap colors 4", "Swap colors 5"}));
    EXPECT_EQ(captions(child<QMenu>("MenuSave")), (QStringList{"JPG  Picture", "BMP Picture", "PNG Picture"}));
    EXPECT_EQ(captions(child<QMenu>("Afdrukken")), (QStringList{"Portrait", "Landscape", "Appart"}));
    EXPECT_EQ(captions(child<QMenu>("Combineer")), (QStringList{"Door elkaar", "Painting", "Onder elkaar"}));
    EXPECT_NE(window->findChild<QAction *>(QStringLiteral("fil_26")), nullptr);
    EXPECT_NE(window->findChild<QAction *>(QStringLiteral("comb_3")), nullptr);

    window->show();
    for (const char *knop : {"FilterKnop", "CombineKnop", "SaveKnop", "PrintKnop"}) {
        child<QPushButton>(knop)->click();
        QMenu *open = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        ASSERT_NE(open, nullptr) << knop;
        open->close();
    }
}

TEST_F(MainWindowTest, SettingsFileWithAnotherSizeIsShownAndKeptOnExitButNotOnClose)
{
    writeSettings("800 , 600\r\n90\r\n");
    start();
    EXPECT_EQ(child<QLabel>("MaatLabel")->text(), QStringLiteral("800 x 600 pixels"));
    EXPECT_EQ(child<QLineEdit>("Text1")->text(), QStringLiteral("90"));
    EXPECT_EQ(window->workspace().Pict.width(), 800);
    window->close();
    EXPECT_EQ(settingsContent(), QByteArray("800 , 600\r\n90\r\n")) << "closing does not write";
    window->ExitKnop_Click();
    EXPECT_EQ(settingsContent(), QByteArray("800,600\r\n90\r\n"));
}

TEST_F(MainWindowTest, LoadingStretchesThePhotoToTheWorkingSizeAndTheDisplay)
{
    start();
    const QImage photo = gradientImage(640, 480);
    dialogs.answers = {writeImage(files.path(), QStringLiteral("photo one.png"), photo, "PNG")};
    window->Foto0_Click(1);

    // The original entry first, then every picture format that can be read.
    ASSERT_EQ(dialogs.openFilters.size(), 1);
    const QStringList entries = dialogs.openFilters.front().split(QLatin1Char('|'));
    ASSERT_EQ(entries.size(), 4);
    EXPECT_EQ(entries[0] + QLatin1Char('|') + entries[1], QStringLiteral("Images ( Jpg, Bmp, Gif)|*.jpg;*.bmp;*.gif"));
    EXPECT_EQ(entries[2], QStringLiteral("All pictures"));
    EXPECT_EQ(entries[3].split(QLatin1Char(';')), readablePicturePatterns());
    EXPECT_EQ(toQtFilter(QStringLiteral("Images|*.jpg;*.bmp|All pictures|*.png;*.jpeg")),
              QStringLiteral("Images (*.jpg *.JPG *.bmp *.BMP);;All pictures (*.png *.PNG *.jpeg *.JPEG)"));
    EXPECT_EQ(pointer.changes, (std::vector<bool>{true, false}));
    const Picture &foto1 = window->workspace().Foto[0];
    ASSERT_EQ(foto1.width(), 320);
    ASSERT_EQ(foto1.height(), 240);
    // Half size: every working pixel is one of the photo's 2 x 2 block.
    for (auto [x, y] : {std::pair{0, 0}, {100, 50}, {127, 127}}) {
        const QRgb got = foto1.pixel(x, y);
        EXPECT_TRUE(qRed(got) / 2 == x && qGreen(got) / 2 == y) << x << "," << y;
        EXPECT_EQ(window->Foto0(1).picture().pixel(x, y), got);
    }
    EXPECT_EQ(window->Foto0(2).picture().pixel(0, 0), kStartBackground) << "slot 2 untouched";
    dialogs.answers = {writeImage(files.path(), QStringLiteral("photo one.bmp"), photo, "BMP")};
    window->Foto0_Click(2);
    EXPECT_EQ(window->workspace().Foto[1].image(), foto1.image()) << "the PNG loads as the same BMP does";

    // A tall picture fills the whole slot, distorted.
    dialogs.answers = {writeImage(files.path(), QStringLiteral("tall.bmp"), gradientImage(100, 400), "BMP")};
    window->Foto0_Click(2);
    const Picture &foto2 = window->workspace().Foto[1];
    EXPECT_EQ(qRed(foto2.pixel(319, 0)), 99);
    EXPECT_EQ(qGreen(foto2.pixel(0, 239)), 399 % 256);
    EXPECT_EQ(inkIn(window->Foto0(2).picture(), QRect(0, 0, 320, 240)), 320 * 240) << "prompt covered";
}

TEST_F(MainWindowTest, LoadingAtALargerWorkingSizeSizesAllThreeWorkingPictures)
{
    writeSettings("640,480\r\n75\r\n");
    start();
    dialogs.answers = {writeFile(files.path(), QStringLiteral("red.gif"), redPixelGif())};
    window->Foto0_Click(1);
    Workspace &work = window->workspace();
    for (const Picture *picture : {&work.Foto[0], &work.Foto[1], &work.Pict}) {
        EXPECT_EQ(picture->width(), 640);
        EXPECT_EQ(picture->height(), 480);
    }
    EXPECT_EQ(work.Foto[0].pixel(639, 479), qRgb(255, 0, 0));
    EXPECT_EQ(window->Foto0(1).picture().pixel(319, 239), qRgb(255, 0, 0));

    // Dropping a file loads it as the dialog would.
    const QString jpg = writeImage(files.path(), QStringLiteral("dropped.jpg"), gradientImage(64, 48), "JPG", 100);
    window->Foto0_Drop(2, jpg);
    EXPECT_NEAR(qRed(work.Foto[1].pixel(639, 0)), 63, 3);
}

TEST_F(MainWindowTest, CancelAndUndecodableFilesChangeNothingAndLeaveTheArrow)
{
    start();
    loadSlots();
    const QImage before = window->Foto0(1).picture().image();
    const QImage workingBefore = window->workspace().Foto[0].image();

    const QString textFile = writeFile(files.path(), QStringLiteral("notes.jpg"), "hello, not a photo\n");
    const QString emptyFile = writeFile(files.path(), QStringLiteral("empty.jpg"), {});
    dialogs.answers = {QString(), textFile, emptyFile, files.path(), files.filePath(QStringLiteral("gone.jpg"))};
    for (int attempt = 0; attempt < 5; ++attempt) {
        pointer.changes.clear();
        window->Foto0_Click(1);
        EXPECT_FALSE(pointer.busy) << attempt;
        ASSERT_FALSE(pointer.changes.empty());
        EXPECT_FALSE(pointer.changes.back()) << "ends with the arrow";
        EXPECT_EQ(window->Foto0(1).picture().image(), before) << attempt;
        EXPECT_EQ(window->workspace().Foto[0].image(), workingBefore) << attempt;
    }
    EXPECT_TRUE(messages.shown.isEmpty());
}

TEST_F(MainWindowTest, NewKnopsAndTheColourBarsLeavePlainSlotsWithoutThePrompt)
{
    start();
    loadSlots();
    child<QPushButton>("NewKnop1")->click();
    child<QPushButton>("NewKnop2")->click();
    EXPECT_EQ(inkIn(window->Foto0(1).picture(), QRect(0, 0, 320, 240)), 0);
    EXPECT_EQ(window->Foto0(1).picture().pixel(150, 110), kSlot1Grey);
    EXPECT_EQ(window->Foto0(2).picture().pixel(150, 110), kStartBackground);
    EXPECT_EQ(window->workspace().Foto[0].pixel(10, 10), qRgb(255, 255, 255));
    EXPECT_EQ(window->workspace().Foto[1].pixel(10, 10), kStartBackground);
    EXPECT_EQ(window->workspace().Foto[0].width(), 320) << "clearing keeps the size";

    // A colour bar refills slot 2, photo or not, and leaves slot 1 alone.
    loadSlots();
    const QImage slot1 = window->Foto0(1).picture().image();
    child<QScrollBar>("Rscroll")->setValue(0);
    EXPECT_EQ(window->Foto0(2).picture().pixel(0, 0), qRgb(0, 250, 200));
    EXPECT_EQ(inkIn(window->Foto0(2).picture(), QRect(0, 0, 320, 240)), 0) << "photo and prompt gone";
    EXPECT_EQ(window->workspace().Foto[1].pixel(319, 239), qRgb(0, 250, 200));
    child<QScrollBar>("Gscroll")->setValue(10);
    child<QScrollBar>("Bscroll")->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(window->workspace().Foto[1].pixel(5, 5), qRgb(0, 10, 201));
    EXPECT_EQ(window->Foto0(1).picture().image(), slot1);
}

TEST(ProgressDisplay, FillsOnePixelPerPercentAndEmptiesAndStopsAtAHundred)
{
    QWidget parent;
    PictureBox bar(QStringLiteral("Bar"), QRect(0, 0, 120, 18), qRgb(210, 220, 170), PictureBox::Border::Sunken,
                   &parent);
    QLabel label(QStringLiteral("0%"), &parent);
    std::int32_t progress = 0;
    ProgressDisplay display(bar, label, progress);
    const Picture &ink = bar.picture();
    auto redColumns = [&ink] {
        int columns = 0;
        while (columns < ink.width() && ink.pixel(columns, ink.height() - 1) == qRgb(255, 0, 0))
            ++columns;
        return columns;
    };

    display.start();
    display.tick();
    EXPECT_EQ(label.text(), QStringLiteral("0%"));
    EXPECT_EQ(redColumns(), 1) << "column 0 only";
    display.tick();
    EXPECT_FALSE(display.timerArmed()) << "nothing new to show: no spinning";
    EXPECT_TRUE(display.timerEnabled());

    progress = 57;
    display.valueStored();
    EXPECT_TRUE(display.timerArmed());
    display.tick();
    EXPECT_EQ(label.text(), QStringLiteral("57%"));
    EXPECT_EQ(redColumns(), 58);
    progress = 50; // a lower value adds no ink and removes none
    display.tick();
    EXPECT_EQ(redColumns(), 58);

    progress = 100;
    display.tick();
    EXPECT_EQ(label.text(), QStringLiteral("100%"));
    EXPECT_EQ(redColumns(), 0);
    EXPECT_EQ(ink.pixel(0, 0), qRgb(210, 220, 170));
    EXPECT_FALSE(display.timerEnabled());
    progress = 30;
    display.valueStored();
    display.tick();
    EXPECT_EQ(label.text(), QStringLiteral("100%")) << "stopped until started again";
    EXPECT_FALSE(display.timerArmed());

    display.start();
    display.tick();
    EXPECT_EQ(redColumns(), 31);
}
