// Runs the real mergola-cli on real files and reads back what it wrote.
#include "combine/combine.h"
#include "filters/engine.h"
#include "filters/filter_menu.h"
#include "platform/picture.h"
#include "support/filter_harness.h"
#include "support/program_dir.h"
#include "support/test_files.h"
#include "support/bad_files.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include <csignal>
#include <unistd.h>

#include <memory>
#include <vector>

using mergola::testing::randomImage;

namespace {

constexpr QRgb kWhite = qRgb(255, 255, 255);
constexpr int kProcessTimeoutMs = 120'000;
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
constexpr bool kSanitized = __has_feature(address_sanitizer);
#else
constexpr bool kSanitized = false;
#endif
// JPG is lossy; a plain area comes back within a few steps.
constexpr int kJpegTolerance = 6;

QString programPath()
{
    return QDir(mergola::testing::builtProgramDir()).filePath(QStringLiteral("mergola-cli"));
}

struct Outcome {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

QString dataFile(const char *name)
{
    return QStringLiteral(MERGOLA_TEST_DATA "/") + QLatin1String(name);
}

QImage plainImage(int w, int h, QRgb colour)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// A work folder per test, which also serves as the CLI's temporary folder.
class Cli : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        ASSERT_TRUE(QDir().mkpath(tempDir()));
        ASSERT_TRUE(QFileInfo(programPath()).isExecutable()) << programPath().toStdString();
    }

    QString path(const QString &name) const { return QDir(m_dir.path()).filePath(name); }
    QString tempDir() const { return path(QStringLiteral("tmp")); }
    bool tempDirIsEmpty() const
    {
        return QDir(tempDir()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    }

    QProcess *start(const QStringList &arguments, const QString &program = programPath())
    {
        auto *process = m_processes.emplace_back(std::make_unique<QProcess>()).get();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("TMPDIR"), tempDir());
        process->setProcessEnvironment(environment);
        process->setWorkingDirectory(m_dir.path());
        process->start(program, arguments);
        return process;
    }

    static Outcome finish(QProcess *process)
    {
        EXPECT_TRUE(process->waitForFinished(kProcessTimeoutMs));
        EXPECT_EQ(process->exitStatus(), QProcess::NormalExit) << "the program crashed";
        return {process->exitCode(), process->readAllStandardOutput(), process->readAllStandardError()};
    }

    Outcome run(const QStringList &arguments, const QString &program = programPath())
    {
        return finish(start(arguments, program));
    }

    // A succeeding run says nothing on standard error.
    Outcome runOk(const QStringList &arguments)
    {
        Outcome outcome = run(arguments);
        EXPECT_EQ(outcome.exitCode, 0) << outcome.err.toStdString();
        EXPECT_TRUE(outcome.err.isEmpty()) << outcome.err.toStdString();
        return outcome;
    }

    // Runs with --output NAME added and reads the picture back.
    QImage runToImage(QStringList arguments, const QString &name = QStringLiteral("out.bmp"))
    {
        runOk(arguments << QStringLiteral("--output") << path(name));
        const QImage image(path(name));
        return image.isNull() ? image : image.convertToFormat(QImage::Format_RGB32);
    }

    QString writeBmp(const QString &name, const QImage &image)
    {
        const QString file = path(name);
        EXPECT_TRUE(image.save(file, "BMP")) << file.toStdString();
        return file;
    }

    QTemporaryDir m_dir;
    std::vector<std::unique_ptr<QProcess>> m_processes;
};

// A usage or work failure: the status, exactly one line on standard error
// that starts with the program's name and says what went wrong.
void expectOneLineFailure(const Outcome &outcome, int status, const QString &saying)
{
    EXPECT_EQ(outcome.exitCode, status) << outcome.err.toStdString();
    const QString err = QString::fromLocal8Bit(outcome.err);
    EXPECT_TRUE(err.startsWith(QStringLiteral("mergola-cli: ")) && err.endsWith(QLatin1Char('\n')) &&
                err.count(QLatin1Char('\n')) == 1)
        << err.toStdString();
    EXPECT_TRUE(err.contains(saying)) << "expected '" << saying.toStdString() << "' in: " << err.toStdString();
    EXPECT_TRUE(outcome.out.isEmpty());
}

} // namespace

TEST_F(Cli, CombinesTheSlotsInEachModeByNumberOrNameWithTheEnginesPixels)
{
    const QImage a = randomImage(5, 3, 1);
    const QImage b = randomImage(5, 3, 2);
    const QStringList loadBoth{"--slot1", writeBmp("a.bmp", a), "--slot2", writeBmp("b.bmp", b), "--size", "5x3"};
    mergola::Picture foto1, foto2;
    ASSERT_TRUE(foto1.assign(a) && foto2.assign(b));
    for (const auto &[mode, name] : {std::pair{1, "1"}, std::pair{2, "painting"}, std::pair{3, "onder-elkaar"}}) {
        mergola::Picture expected(0, 0, kWhite);
        ASSERT_TRUE(mergola::CombineResult(std::int16_t(mode), foto1, foto2, expected, 5, 3));
        EXPECT_EQ(runToImage(QStringList(loadBoth) << "--combine" << name), expected.image()) << name;
    }
}

TEST_F(Cli, StretchesALoadedSlotAndTakesUnloadedSlotsAsTheirPlainColours)
{
    QImage a(2, 1, QImage::Format_RGB32);
    a.setPixel(0, 0, qRgb(255, 0, 0));
    a.setPixel(1, 0, qRgb(0, 0, 255));
    const QImage painted =
        runToImage({"--slot1", writeBmp("a.bmp", a), "--size", "4x2", "--combine", "2", "--background", "0,16,1"});
    ASSERT_EQ(painted.size(), QSize(4, 2));
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(painted.pixel(x, y), x < 2 ? qRgb(255, 16, 1) : qRgb(0, 16, 254)) << x << "," << y;

    const QImage plain = runToImage({"--combine", "door-elkaar"});
    ASSERT_EQ(plain.size(), QSize(320, 240));
    EXPECT_EQ(plain.pixel(0, 0), qRgb(180, 250, 200));
    EXPECT_EQ(plain.pixel(1, 0), kWhite);
    EXPECT_EQ(plain.pixel(319, 239), qRgb(180, 250, 200));

    EXPECT_EQ(runToImage({"--size", "7x5"}), plainImage(7, 5, kWhite)) << "no combine, no input: blank white";
}

TEST_F(Cli, AppliesTheBorderAndOtherOperationsInTheOrderGiven)
{
    const QImage in = randomImage(6, 6, 8);
    const QString input = writeBmp("in.bmp", in);
    const QImage borderFirst = runToImage({"--apply", "border", "--input", input, "--apply", "negative"}, "a.bmp");
    const QImage negativeFirst = runToImage({"--apply", "negative", "--apply", "border", "--input", input}, "b.bmp");
    EXPECT_EQ(borderFirst.pixel(0, 0), kWhite);
    EXPECT_EQ(borderFirst.pixel(4, 4), qRgb(0, 0, 0));
    EXPECT_EQ(negativeFirst.pixel(5, 5), qRgb(0, 0, 0));
    EXPECT_EQ(negativeFirst.pixel(1, 1), kWhite);
    for (const QImage *result : {&borderFirst, &negativeFirst})
        EXPECT_EQ(result->pixel(2, 3), in.pixel(2, 3) ^ 0x00FFFFFF) << "inside the frame: negated";
}

TEST_F(Cli, WritesAJpgThroughTheConverterWithItsQualityAndLeavesNoTemporaryFile)
{
    const QRgb colour = qRgb(200, 60, 30);
    const QString input = writeBmp("in.bmp", plainImage(40, 24, colour));
    for (const char *name : {"out.jpg", "out.JPEG"}) {
        QImageReader reader(path(QString::fromLatin1(name)));
        reader.setDecideFormatFromContent(true);
        runOk({"--input", input, "--output", reader.fileName()});
        EXPECT_EQ(reader.format(), QByteArray("jpeg")) << name;
        const QImage result = reader.read();
        ASSERT_EQ(result.size(), QSize(40, 24)) << name;
        const QRgb middle = result.pixel(20, 12);
        EXPECT_NEAR(qRed(middle), qRed(colour), kJpegTolerance);
        EXPECT_NEAR(qGreen(middle), qGreen(colour), kJpegTolerance);
        EXPECT_NEAR(qBlue(middle), qBlue(colour), kJpegTolerance);
    }
    const QString noise = writeBmp("noise.bmp", randomImage(64, 64, 9));
    runOk({"--input", noise, "--quality", "0", "--output", path(QStringLiteral("low.jpg"))});
    runOk({"--input", noise, "--quality", "99", "--output", path(QStringLiteral("high.jpg"))});
    EXPECT_GT(QFileInfo(path(QStringLiteral("high.jpg"))).size(), 2 * QFileInfo(path(QStringLiteral("low.jpg"))).size())
        << "noise costs far more bytes at quality 99";
    EXPECT_TRUE(tempDirIsEmpty()) << "the temporary BMP is deleted";
}

TEST_F(Cli, ReadsTiffWebpAndPngAndWritesPngWithThePixelsOfTheSameBmp)
{
    const QList<QByteArray> formats = QImageReader::supportedImageFormats();
    if (!formats.contains("webp") || !formats.contains("tiff"))
        GTEST_SKIP() << "Qt's WebP and TIFF plugins are missing (Debian package qt6-image-formats-plugins)";
    const QImage bmp = runToImage({"--input", dataFile("picture.bmp")});
    ASSERT_EQ(bmp.size(), QSize(13, 7));
    for (const char *file : {"picture.tif", "picture.webp", "picture.png"}) {
        EXPECT_EQ(runToImage({"--input", dataFile(file)}, QStringLiteral("out.png")), bmp) << file;
        QFile written(path(QStringLiteral("out.png")));
        EXPECT_TRUE(written.open(QIODevice::ReadOnly) && written.read(8) == "\x89PNG\r\n\x1a\n") << "written as PNG";
    }
    const QStringList combine{"--combine", "door-elkaar", "--size", "26x14"};
    const QString bmpFile = dataFile("picture.bmp");
    EXPECT_EQ(runToImage(QStringList{"--slot1", dataFile("picture.tif"), "--slot2", dataFile("picture.webp")} + combine,
                         QStringLiteral("slots.png")),
              runToImage(QStringList{"--slot1", bmpFile, "--slot2", bmpFile} + combine));
}

TEST_F(Cli, RunsJpgJobsSideBySideWithoutTheirTemporaryFilesClashing)
{
    constexpr int kJobs = 6;
    std::vector<QProcess *> jobs;
    for (int i = 0; i < kJobs; ++i) {
        const QString input = writeBmp(QStringLiteral("in%1.bmp").arg(i), plainImage(200, 150, qRgb(i * 40, 100, 50)));
        jobs.push_back(start({"--input", input, "--output", path(QStringLiteral("out%1.jpg").arg(i))}));
    }
    for (int i = 0; i < kJobs; ++i) {
        EXPECT_EQ(finish(jobs[std::size_t(i)]).exitCode, 0);
        const QImage result(path(QStringLiteral("out%1.jpg").arg(i)));
        ASSERT_EQ(result.size(), QSize(200, 150)) << i;
        EXPECT_NEAR(qRed(result.pixel(100, 75)), i * 40, kJpegTolerance) << "job " << i << " got its own picture";
    }
    EXPECT_TRUE(tempDirIsEmpty());
}

TEST_F(Cli, PrintsHelpAndVersionOnStandardOutput)
{
    const Outcome help = runOk({"--help"});
    EXPECT_TRUE(help.out.startsWith("Usage: mergola-cli")) << help.out.toStdString();
    EXPECT_TRUE(help.out.contains("swap-colors-5"));
    const Outcome version = runOk({"--version"});
    EXPECT_TRUE(version.out.startsWith("mergola-cli ")) << version.out.toStdString();
}

TEST_F(Cli, AnswersUsageErrorsWithStatus2AndOneLineWritingNothing)
{
    const QString out = path(QStringLiteral("never.bmp"));
    const std::pair<QStringList, QString> cases[] = {
        {{}, QStringLiteral("no options given")},
        {{"--output", out, "--bogus"}, QStringLiteral("unknown option '--bogus'")},
        {{"--output", out, "--quality", "100"}, QStringLiteral("malformed --quality '100'")},
        {{"--output", path(QStringLiteral("x.tif"))}, QStringLiteral("must end in .bmp, .jpg, .jpeg or .png")},
        {{"--output", out, "--input", "a.bmp", "--combine", "1"}, QStringLiteral("--input cannot be used with")},
    };
    for (const auto &[arguments, saying] : cases) {
        SCOPED_TRACE(arguments.join(QLatin1Char(' ')).toStdString());
        expectOneLineFailure(run(arguments), 2, saying);
        EXPECT_FALSE(QFileInfo::exists(out));
    }
}

TEST_F(Cli, FailsWithStatus1NamingAFileThatCannotBeReadAndWritesNothing)
{
    using mergola::testing::writeFile;
    const QString out = path(QStringLiteral("out.bmp"));
    const QString text = writeFile(m_dir.path(), QStringLiteral("notes.jpg"), "this is no picture\n");
    QFile whole(writeBmp("whole.bmp", randomImage(50, 50, 10)));
    ASSERT_TRUE(whole.open(QIODevice::ReadOnly));
    const QString truncated = writeFile(m_dir.path(), QStringLiteral("cut.bmp"), whole.read(200));
    // A JPG whose entropy-coded data is overwritten with stray markers: the
    // decoder's own complaints must not reach standard error beside ours.
    QByteArray jpg;
    {
        QBuffer buffer(&jpg);
        ASSERT_TRUE(buffer.open(QIODevice::WriteOnly) && randomImage(300, 200, 15).save(&buffer, "JPG", 90));
    }
    for (qsizetype i = jpg.size() / 2; i < jpg.size() / 2 + 400; i += 7)
        jpg[i] = char(i % 2 ? 0xFF : 0xD0);
    const QString damaged = writeFile(m_dir.path(), QStringLiteral("damaged.jpg"), jpg);
    const QString good = writeBmp("good.bmp", randomImage(4, 4, 11));
    const QString missing = path(QStringLiteral("missing.bmp"));
    QFile tiff(dataFile("pixels-last.tif"));
    ASSERT_TRUE(tiff.open(QIODevice::ReadOnly));
    const QString cutTiff = writeFile(m_dir.path(), QStringLiteral("cut.tif"), tiff.read(200));
    const std::pair<QStringList, QString> cases[] = {
        {{"--input", missing}, missing},
        {{"--input", text}, text},
        {{"--input", truncated}, truncated},
        {{"--input", m_dir.path()}, m_dir.path()},
        {{"--input", damaged}, damaged},
        {{"--slot1", good, "--slot2", missing, "--combine", "2"}, missing},
        {{"--slot1", text, "--slot2", good, "--combine", "3"}, text},
        {{"--slot1", good, "--slot2", cutTiff, "--combine", "1"}, cutTiff},
    };
    for (const auto &[arguments, file] : cases) {
        SCOPED_TRACE(arguments.join(QLatin1Char(' ')).toStdString());
        expectOneLineFailure(run(QStringList(arguments) << "--output" << out), 1, file + QStringLiteral(": "));
        EXPECT_FALSE(QFileInfo::exists(out));
    }
}

TEST_F(Cli, FailsWithStatus1ForAnOutputThatCannotBeWrittenKeepingAnEarlierOne)
{
    const QString input = writeBmp("in.bmp", randomImage(4, 4, 12));
    for (const char *name : {"no/such/folder/out.bmp", "no/such/folder/out.jpg"}) {
        const QString target = path(QString::fromLatin1(name));
        expectOneLineFailure(run({"--input", input, "--output", target}), 1, target);
    }
    EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("no"))));
    // A working size of 0 leaves a result without pixels, which no picture file can hold.
    for (const char *name : {"empty.bmp", "empty.jpg"}) {
        const QString empty = path(QString::fromLatin1(name));
        expectOneLineFailure(run({"--size", "0x5", "--combine", "1", "--output", empty}), 1, empty);
        EXPECT_FALSE(QFileInfo::exists(empty));
    }
    EXPECT_TRUE(tempDirIsEmpty());

    // A failed run leaves an earlier output as it was, and a read-only one is not replaced.
    const QString earlier = writeBmp("earlier.bmp", plainImage(3, 3, qRgb(1, 2, 3)));
    expectOneLineFailure(run({"--input", path(QStringLiteral("missing.bmp")), "--output", earlier}), 1,
                         QStringLiteral("missing.bmp"));
    ASSERT_TRUE(QFile::setPermissions(earlier, QFileDevice::ReadOwner | QFileDevice::ReadOther));
    expectOneLineFailure(run({"--input", input, "--output", earlier}), 1, earlier);
    EXPECT_EQ(QImage(earlier).convertToFormat(QImage::Format_RGB32), plainImage(3, 3, qRgb(1, 2, 3)));
}

TEST_F(Cli, FailsAJpgWithoutTheConverterBesideTheProgramAndWritesNothing)
{
    // A copy of the program in a folder of its own has no converter beside it.
    const QString lonely = path(QStringLiteral("lonely"));
    ASSERT_TRUE(QDir().mkpath(lonely));
    const QString copy = QDir(lonely).filePath(QStringLiteral("mergola-cli"));
    ASSERT_TRUE(QFile::copy(programPath(), copy));
    ASSERT_TRUE(QFile::setPermissions(copy, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
    const QString input = writeBmp("in.bmp", randomImage(4, 4, 14));
    const QString out = path(QStringLiteral("out.jpg"));
    expectOneLineFailure(run({"--input", input, "--output", out}, copy), 1, QStringLiteral("libbmp2jpeg.so"));
    EXPECT_FALSE(QFileInfo::exists(out));
    EXPECT_TRUE(tempDirIsEmpty());

    // BMP needs no converter.
    const QString bmp = path(QStringLiteral("out.bmp"));
    EXPECT_EQ(run({"--input", input, "--output", bmp}, copy).exitCode, 0);
    EXPECT_TRUE(QFileInfo::exists(bmp));
}

// Every filter-menu operation through the real binary gives exactly the
// pixels of the same filter run in-process by the engine. A fresh process
// and a fresh engine start the random source alike, so Addnoise and
// Deffuse compare exactly too.
TEST_F(Cli, RunsEveryMenuOperationWithTheSamePixelsAsTheEngine)
{
    const QImage in = randomImage(13, 11, 99);
    const QString input = writeBmp("every.bmp", in);
    std::vector<mergola::FilterMenuEntry> entries(mergola::kFilsMenu.begin(), mergola::kFilsMenu.end());
    for (const auto &entry : mergola::kFilMenu)
        if (!entry.cliName.empty())
            entries.push_back(entry);
    ASSERT_EQ(entries.size(), 26u);

    for (const mergola::FilterMenuEntry &entry : entries) {
        const QString op = QString::fromLatin1(entry.cliName.data(), qsizetype(entry.cliName.size()));
        mergola::Picture expected;
        ASSERT_TRUE(expected.assign(in));
        if (entry.action == mergola::MenuAction::Filter) {
            mergola::testing::RecordingProgress progress;
            mergola::Filters().ApplyFilter(entry.filterId, expected, entry.parameter, progress);
        } else if (entry.action == mergola::MenuAction::FlipHorizontal) {
            expected.mirrorHorizontal();
        } else {
            expected.mirrorVertical();
        }
        EXPECT_EQ(runToImage({"--input", input, "--apply", op}, op + QStringLiteral(".bmp")), expected.image())
            << op.toStdString();
    }
}

TEST_F(Cli, StopsOnCtrlCOrSigtermLeavingNoOutputAndNoTemporaryFolder)
{
    // A long run, stopped in the middle of its filters.
    QStringList longRun{QStringLiteral("--size"), QStringLiteral("4000x3000"), QStringLiteral("--combine"),
                        QStringLiteral("1")};
    for (int i = 0; i < 20; ++i)
        longRun << QStringLiteral("--apply") << QStringLiteral("aqua");
    QProcess *filtering = start(longRun << QStringLiteral("--output") << path(QStringLiteral("long.bmp")));
    ASSERT_TRUE(filtering->waitForStarted());
    QThread::msleep(800);
    ::kill(pid_t(filtering->processId()), SIGINT);
    expectOneLineFailure(finish(filtering), 130, QStringLiteral("stopped"));
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("long.bmp"))));
    EXPECT_TRUE(tempDirIsEmpty());

    // SIGTERM at moments across a JPG save: each run ends whole or stopped
    // with nothing written, never half, and leaves no temporary folder.
    const QString jpg = path(QStringLiteral("save.jpg"));
    const QStringList save{QStringLiteral("--size"), QStringLiteral("4000x3000"), QStringLiteral("--combine"),
                           QStringLiteral("1"), QStringLiteral("--output"), jpg};
    QElapsedTimer clock;
    clock.start();
    runOk(save);
    const qint64 wholeRunMs = clock.elapsed();
    int stops = 0;
    for (int tenths : {3, 5, 7, 9}) {
        QFile::remove(jpg);
        QProcess *saving = start(save);
        ASSERT_TRUE(saving->waitForStarted());
        QThread::msleep(static_cast<unsigned long>(wholeRunMs * tenths / 10));
        ::kill(pid_t(saving->processId()), SIGTERM);
        const Outcome outcome = finish(saving);
        if (outcome.exitCode == 143) {
            ++stops;
            EXPECT_FALSE(QFile::exists(jpg)) << tenths;
        } else {
            EXPECT_EQ(outcome.exitCode, 0) << outcome.err.toStdString();
            EXPECT_FALSE(QImage(jpg).isNull()) << tenths;
        }
        EXPECT_TRUE(tempDirIsEmpty()) << tenths;
    }
    EXPECT_GT(stops, 0);
}

TEST_F(Cli, RefusesEveryBadFileWithOneLineQuicklyAndLoadsGoodOnesByTheirContent)
{
    const QDir corpusDir(path(QStringLiteral("corpus")));
    ASSERT_TRUE(QDir().mkpath(corpusDir.path()));
    std::vector<mergola::testing::CorpusFile> corpus = mergola::testing::writeBadFiles(corpusDir);
    corpus.push_back({corpusDir.filePath(QStringLiteral("unreadable.bmp")), mergola::testing::CorpusFile::Refused});
    ASSERT_TRUE(QFile::copy(corpus.front().path, corpus.back().path));
    QFile::setPermissions(corpus.back().path, QFileDevice::Permissions());

    // Outside the sanitizer build, where a limit on the address space
    // works, no file may make the program reach for more than about 1 GB.
    const QString limiter = QStandardPaths::findExecutable(QStringLiteral("prlimit"));
    const bool limited = !kSanitized && !limiter.isEmpty();
    // As root every file is readable; another user meets the unreadable one.
    const QString setpriv = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
    const bool asAnotherUser = ::geteuid() == 0 && !setpriv.isEmpty();
    if (asAnotherUser) {
        for (const QString &folder : {m_dir.path(), corpusDir.path(), tempDir()})
            QFile::setPermissions(folder, QFileDevice::Permissions(0x7777));
    }
    for (const auto &file : corpus) {
        QStringList command{programPath(), QStringLiteral("--input"), file.path, QStringLiteral("--output"),
                            path(QStringLiteral("out.bmp"))};
        if (limited)
            command = QStringList{limiter, QStringLiteral("--as=1200000000")} + command;
        if (asAnotherUser)
            command = QStringList{setpriv, QStringLiteral("--reuid=nobody"), QStringLiteral("--regid=nogroup"),
                                  QStringLiteral("--clear-groups")} + command;
        QElapsedTimer clock;
        clock.start();
        const Outcome outcome = run(command.mid(1), command.front());
        EXPECT_LT(clock.elapsed(), 5000) << file.path.toStdString();
        const std::string name = QFileInfo(file.path).fileName().toStdString();
        if (outcome.exitCode == 0) {
            EXPECT_NE(file.expect, mergola::testing::CorpusFile::Refused) << name;
        } else {
            EXPECT_NE(file.expect, mergola::testing::CorpusFile::Loads) << name << ": " << outcome.err.toStdString();
            expectOneLineFailure(outcome, 1, file.path);
        }
        QFile::remove(path(QStringLiteral("out.bmp")));
    }
}

TEST_F(Cli, ReportsMemoryThatRunsOutInsteadOfCrashing)
{
    const QString limiter = QStandardPaths::findExecutable(QStringLiteral("prlimit"));
    if (kSanitized || limiter.isEmpty())
        GTEST_SKIP() << "an address-space limit needs the plain build and prlimit";
    // 400 MB of address space: enough for the program, not for these pictures.
    const QStringList limited{QStringLiteral("--as=400000000"), programPath()};
    const QString out = path(QStringLiteral("big.bmp"));
    expectOneLineFailure(run(limited + QStringList{QStringLiteral("--size"), QStringLiteral("9999x9999"),
                                                   QStringLiteral("--combine"), QStringLiteral("1"),
                                                   QStringLiteral("--output"), out},
                             limiter),
                         1, QStringLiteral("not enough memory for the combined picture at 9999 x 9999"));
    expectOneLineFailure(run(limited + QStringList{QStringLiteral("--size"), QStringLiteral("6000x6000"),
                                                   QStringLiteral("--combine"), QStringLiteral("2"),
                                                   QStringLiteral("--apply"), QStringLiteral("blur"),
                                                   QStringLiteral("--output"), out},
                             limiter),
                         1, QStringLiteral("blur: not enough memory to filter a 6000 x 6000 picture"));
    EXPECT_FALSE(QFile::exists(out));
    EXPECT_TRUE(tempDirIsEmpty());
}
