#include "window_fixture.h"

#include "platform/image_file.h"

using namespace mergola;
using namespace mergola::testing;

namespace {

constexpr QRgb kGrey = qRgb(224, 224, 224);
constexpr QRgb kStartBackground = qRgb(180, 250, 200);
constexpr QRect kDisplay(0, 0, 320, 240);

// A window that each test starts itself, so that it may write a settings file first.
class MainWindowTest : public WindowFixture {
protected:
    void SetUp() override {}

    static int countIn(const Picture &picture, QRgb colour, QRect area = kDisplay)
    {
        int count = 0;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                count += picture.pixel(x, y) == colour;
        return count;
    }
};

} // namespace

TEST_F(MainWindowTest, StartsWithPromptsOnTheirBackgroundsTheDefaultsShownAndTheLensOff)
{
    start();
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Mergola"));
    EXPECT_EQ(child<QLabel>("MaatLabel")->text(), QStringLiteral("320 x 240 pixels"));
    EXPECT_EQ(child<QLineEdit>("Text1")->text(), QStringLiteral("75"));
    EXPECT_EQ(child<QScrollBar>("Slider1")->value(), 3);
    EXPECT_EQ(settingsContent(), QByteArray("320,240\r\n75\r\n"));

    // Each prompt lies right of and below its corner in its text colour, on the box's fill.
    const struct {
        const Picture &box;
        QRgb fill, ink;
        QPoint corner;
    } prompts[] = {{window->Foto0(1).picture(), kGrey, qRgb(0, 0, 0), {108, 105}},
                   {window->Foto0(2).picture(), kStartBackground, qRgb(0, 0, 0), {108, 105}},
                   {window->Pict0().picture(), qRgb(192, 192, 255), qRgb(0, 0, 0), {135, 105}},
                   {child<PictureBox>("LoepPic")->picture(), kGrey, qRgb(128, 128, 128), {59, 36}}};
    for (const auto &[box, fill, ink, corner] : prompts) {
        const QRect above(0, 0, box.width(), corner.y());
        const QRect left(0, 0, corner.x(), box.height());
        EXPECT_GT(countIn(box, ink, QRect(corner, QSize(40, 20))), 20);
        EXPECT_EQ(countIn(box, fill, above), above.width() * above.height());
        EXPECT_EQ(countIn(box, fill, left), left.width() * left.height());
    }

    window->show();
    for (auto [knop, menu] : {std::pair{"FilterKnop", "Filter"}, {"CombineKnop", "Combineer"}, {"SaveKnop", "MenuSave"},
                              {"PrintKnop", "Afdrukken"}}) {
        child<QPushButton>(knop)->click();
        QWidget *open = QApplication::activePopupWidget();
        ASSERT_NE(open, nullptr) << knop;
        EXPECT_EQ(open->objectName(), QLatin1String(menu));
        open->close();
    }
}

TEST_F(MainWindowTest, ASettingsFileSizesAllThreeWorkingPicturesAtTheFirstLoadAndIsWrittenBackOnExit)
{
    writeFile(programDir.path(), QStringLiteral("Mergola.ini"), "800 , 600\r\n90\r\n");
    start();
    EXPECT_EQ(child<QLabel>("MaatLabel")->text(), QStringLiteral("800 x 600 pixels"));
    EXPECT_EQ(child<QLineEdit>("Text1")->text(), QStringLiteral("90"));
    dialogs.answers = {writeFile(files.path(), QStringLiteral("red.gif"), redPixelGif())};
    window->Foto0_Click(1);
    Workspace &work = window->workspace();
    for (const Picture *picture : {&work.Foto[0], &work.Foto[1], &work.Pict})
        EXPECT_EQ(QSize(picture->width(), picture->height()), QSize(800, 600));
    EXPECT_EQ(work.Foto[0].pixel(799, 599), qRgb(255, 0, 0));
    window->ExitKnop_Click();
    EXPECT_EQ(settingsContent(), QByteArray("800,600\r\n90\r\n"));
}

TEST_F(MainWindowTest, LoadingStretchesThePhotoToTheWorkingSizeAndTheDisplay)
{
    start();
    dialogs.answers = {writeImage(files.path(), QStringLiteral("photo one.png"), gradientImage(640, 480), "PNG")};
    window->Foto0_Click(1);
    // The original entry first, then every picture format that can be read.
    const QString all = readablePicturePatterns().join(QLatin1Char(';'));
    EXPECT_EQ(dialogs.openFilters, QStringList{"Images ( Jpg, Bmp, Gif)|*.jpg;*.bmp;*.gif|All pictures|" + all});
    // Half size: every working pixel is one of the photo's 2 x 2 block.
    const QRgb got = window->workspace().Foto[0].pixel(100, 50);
    EXPECT_TRUE(qRed(got) / 2 == 100 && qGreen(got) / 2 == 50);
    EXPECT_EQ(window->Foto0(1).picture().pixel(100, 50), got);

    // A tall picture fills the whole slot, distorted.
    dialogs.answers = {writeImage(files.path(), QStringLiteral("tall.bmp"), gradientImage(100, 400), "BMP")};
    window->Foto0_Click(2);
    EXPECT_EQ(qRed(window->workspace().Foto[1].pixel(319, 0)), 99);
    EXPECT_EQ(qGreen(window->workspace().Foto[1].pixel(0, 239)), 399 % 256);
}

TEST_F(MainWindowTest, NewKnopsAndTheColourBarsLeavePlainSlotsWithoutThePrompt)
{
    start();
    loadSlots();
    child<QPushButton>("NewKnop1")->click();
    child<QPushButton>("NewKnop2")->click();
    EXPECT_EQ(countIn(window->Foto0(1).picture(), kGrey), 320 * 240);
    EXPECT_EQ(countIn(window->Foto0(2).picture(), kStartBackground), 320 * 240);
    EXPECT_EQ(window->workspace().Foto[0].pixel(10, 10), qRgb(255, 255, 255));
    EXPECT_EQ(window->workspace().Foto[1].pixel(10, 10), kStartBackground);

    // A colour bar refills slot 2, photo or not, and leaves slot 1 alone.
    loadSlots();
    const QImage slot1 = window->Foto0(1).picture().image();
    child<QScrollBar>("Rscroll")->setValue(0);
    EXPECT_EQ(countIn(window->Foto0(2).picture(), qRgb(0, 250, 200)), 320 * 240) << "photo and prompt gone";
    child<QScrollBar>("Bscroll")->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(window->workspace().Foto[1].pixel(319, 239), qRgb(0, 250, 201));
    EXPECT_EQ(window->Foto0(1).picture().image(), slot1);
}

TEST(ProgressDisplay, FillsOnePixelPerPercentAndEmptiesAndStopsAtAHundred)
{
    QWidget parent;
    PictureBox bar(QStringLiteral("Bar"), QRect(0, 0, 120, 18), qRgb(210, 220, 170), PictureBox::Border::Sunken,
                   &parent);
    QLabel label(&parent);
    std::int32_t progress = 0;
    ProgressDisplay display(bar, label, progress);
    const auto tickShows = [&](std::int32_t value, const char *text, int redColumns) {
        progress = value;
        display.valueStored();
        display.tick();
        int columns = 0;
        while (columns < bar.picture().width() && bar.picture().pixel(columns, 0) == qRgb(255, 0, 0))
            ++columns;
        EXPECT_EQ(label.text(), QLatin1String(text)) << value;
        EXPECT_EQ(columns, redColumns) << value;
    };
    display.start();
    tickShows(0, "0%", 1); // column 0 only
    tickShows(57, "57%", 58);
    tickShows(100, "100%", 0);
    tickShows(30, "100%", 0); // stopped until started again
}
