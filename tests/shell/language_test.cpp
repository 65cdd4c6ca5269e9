// The window in the desktop's language: English under English and under a
// language that has no translation of its own, the program's own texts
// under Dutch and under the C locale.
#include "shell/language.h"

#include "window_fixture.h"

using namespace mergola;
using namespace mergola::testing;

namespace {

class WindowLanguageTest : public WindowFixture {
protected:
    void SetUp() override {}

    // The language chosen, then a caption, a menu entry, a message, a
    // dialog's title and text, the open dialog's first entry and the help
    // page's name, as a window built under desktop shows them.
    std::string read(const QLocale &desktop)
    {
        const WindowLanguage language(desktop);
        start();
        QStringList texts{language.name(), child<QPushButton>("LoepKnop")->text(), child<QAction>("comb_1")->text()};
        dialogs.answers = {files.filePath(QStringLiteral("no folder/result.bmp"))};
        window->MenuSaveBmp_Click();
        texts << messages.shown.value(0);
        modals.user = [&](QDialog &dialog) {
            texts << dialog.windowTitle() << dialog.findChild<QLabel *>(QStringLiteral("Label1"))->text();
        };
        window->SizeKnop_Click();
        window->Foto0_Click(1);
        texts << dialogs.openFilters.value(0).section(QLatin1Char('|'), 0, 0);
        window->HelpKnop_Click();
        texts << child<QTextBrowser>("WebBrowser")->toPlainText().section(QLatin1Char(' '), 0, 0);
        window.reset();
        messages.shown.clear();
        dialogs.openFilters.clear();
        return texts.join(QLatin1Char('/')).toStdString();
    }
};

} // namespace

TEST_F(WindowLanguageTest, EnglishForEveryDesktopLanguageButDutchAndTheCLocale)
{
    const std::string english = "en/Magnifier/Interleave/Error while saving as BMP!/ Size pictures/Width/"
                                "Pictures (JPG, BMP, GIF)/help_en.htm";
    const std::string own = "nl/Vergroting/Door elkaar/Fout bij het saven naar BMP!/ Size pictures/Breedte/"
                            "Images ( Jpg, Bmp, Gif)/help.htm";
    EXPECT_EQ(read(QLocale(QLocale::English, QLocale::UnitedKingdom)), english);
    EXPECT_EQ(read(QLocale(QLocale::German, QLocale::Germany)), english);
    EXPECT_EQ(read(QLocale(QLocale::Dutch, QLocale::Belgium)), own);
    EXPECT_EQ(read(QLocale::c()), own);
    EXPECT_EQ(read(QLocale(QLocale::English)), english) << "the translators of earlier windows were removed";
}
