// A cancel and bad files through the open dialog, and a user who presses
// everything, in random order, while filters run.
#include "window_fixture.h"

#include "support/bad_files.h"

#include <QRegularExpression>

#include <random>
#include <set>

using namespace mergola;
using namespace mergola::testing;

using StressTest = WindowFixture;

TEST_F(StressTest, ACancelAndBadFilesInTheOpenDialogLeaveTheSlotAsItWasWithoutAWord)
{
    std::vector<CorpusFile> corpus = writeBadFiles(QDir(files.path()));
    for (const QString &path : {QString(), writeFile(files.path(), QStringLiteral("notes.jpg"), "not a photo\n"),
                                files.filePath(QStringLiteral("gone.jpg"))})
        corpus.push_back({path, CorpusFile::Refused});
    for (const CorpusFile &file : corpus) {
        const QImage slot = slot1().image().copy();
        const QImage display = window->Foto0(1).picture().image().copy();
        dialogs.answers = {file.path};
        window->Foto0_Click(1);
        const std::string name = QFileInfo(file.path).fileName().toStdString();
        const bool changed = slot1().image() != slot;
        EXPECT_EQ(changed, window->Foto0(1).picture().image() != display) << name;
        EXPECT_TRUE(file.expect == CorpusFile::Either || changed == (file.expect == CorpusFile::Loads)) << name;
        EXPECT_TRUE(messages.shown.isEmpty()) << name;
        EXPECT_FALSE(pointer.busy()) << name;
        window->Foto0_Drop(1, files.filePath(QStringLiteral("one.bmp"))); // a picture that a failure must not clear
    }
}

TEST_F(StressTest, EverythingPressedDuringFiltersLeavesAConsistentWindow)
{
    std::mt19937 random(20261206);
    auto pick = [&random](int n) { return int(random() % unsigned(n)); };
    const QString good = files.filePath(QStringLiteral("one.bmp"));
    const QString bad = writeFile(files.path(), QStringLiteral("bad.jpg"), QByteArray("\xff\xd8 not a picture"));
    const QString saved = files.filePath(QStringLiteral("saved"));
    modals.user = [&](QDialog &dialog) {
        if (auto *width = dialog.findChild<QLineEdit *>(QStringLiteral("Text1"))) {
            width->setText(QString::number(pick(3) == 0 ? 0 : 1 + pick(400)));
            dialog.findChild<QLineEdit *>(QStringLiteral("Text2"))->setText(QString::number(pick(300)));
            dialog.findChild<QPushButton *>(QLatin1String(pick(2) ? "OkKnop" : "CancelKnop"))->click();
        }
    };
    // Every entry of the filter menu and its submenu, mirrors included.
    const QList<QAction *> entries = window->findChildren<QAction *>(QRegularExpression(QStringLiteral("^fils?_")));
    ASSERT_GT(entries.size(), 20);
    const auto anyEntry = [&] { entries[pick(int(entries.size()))]->trigger(); };
    const std::vector<std::function<void()>> actions{
        [&] { window->CombineResult(1 + pick(3)); },
        anyEntry,
        [&] { window->BorderKnop_Click(); },
        [&] { window->NewKnop_Click(1 + pick(2)); },
        [&] {
            dialogs.answers = {pick(3) == 0 ? QString() : (pick(2) ? good : bad)};
            window->Foto0_Click(1 + pick(2));
        },
        [&] { window->Foto0_Drop(1 + pick(2), pick(2) ? good : bad); },
        [&] { window->SizeKnop_Click(); },
        [&] { window->ExampleKnop_Click(); },
        [&] { window->HelpKnop_Click(); },
        [&] { window->SoftwareKnop_Click(); },
        [&] { window->LoepKnop_Click(); },
        [&] { window->Timer1_Timer(); },
        [&] { child<QScrollBar>(pick(2) ? "Rscroll" : "Slider1")->setValue(1 + pick(200)); },
        [&] {
            dialogs.answers = {saved + (pick(2) ? QStringLiteral(".bmp") : QStringLiteral(".jpg"))};
            trigger(pick(2) ? "MenuSaveBmp" : "MenuSaveJpg");
        },
        [&] { trigger(pick(2) ? "PrintDubbel" : "PrintAppart"); },
        [&] { window->EditUndo(); },
        [&] { window->EditRedo(); },
        [&] { window->StopFilter(); },
        [&] { window->EditCopy(); },
        [&] { window->Foto0_Paste(1 + pick(2)); },
    };
    screen.screen = randomImage(200, 100, 1);

    constexpr int kRounds = 300;
    int pressed = 0;
    int arrowWhileFiltering = 0;
    for (int round = 0; round < kRounds; ++round) {
        std::set<int> pressAt;
        for (int i = 0; i < 3; ++i)
            pressAt.insert(1 + pick(40));
        eventLoop.turns = 0;
        eventLoop.onTurn = [&](int turn) {
            // What the previous turn's handlers did to the pointer is undone by now.
            arrowWhileFiltering += window->filters().FilterBusy() && !pointer.busy();
            if (pressAt.count(turn)) {
                ++pressed;
                actions[std::size_t(pick(int(actions.size())))]();
            }
        };
        anyEntry();
        eventLoop.onTurn = nullptr;

        ASSERT_FALSE(window->filters().FilterBusy()) << round;
        ASSERT_LE(window->filters().destBufferBytes(), 16u) << round;
        ASSERT_LE(window->filters().sourceBufferBytes(), 16u) << round;
        const QSize size = pict().hasPixels() ? QSize(pict().width(), pict().height()) : QSize(0, 0);
        ASSERT_EQ(pict().image().size(), size) << round;
        ASSERT_FALSE(pointer.busy()) << round;
    }
    EXPECT_GT(pressed, kRounds) << "the filters gave the user their turns";
    EXPECT_EQ(arrowWhileFiltering, 0) << "turns of a running filter that began with the arrow";
}

TEST_F(StressTest, ExitSaysSoWhenTheSettingsCannotBeWrittenAndStillEnds)
{
    // A folder where the file should go stands in for a full or locked disk.
    QFile::remove(programDir.filePath(QStringLiteral("Mergola.ini")));
    ASSERT_TRUE(QDir(programDir.path()).mkdir(QStringLiteral("Mergola.ini")));
    window->ExitKnop_Click();
    EXPECT_EQ(messages.shown, QStringList{QStringLiteral("Fout bij het bewaren van de instellingen!")});
    EXPECT_FALSE(window->isVisible());
}
