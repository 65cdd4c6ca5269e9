// Runs the real mergola-cli on real files and reads back what it wrote.
#include "combine/combine.h"
#include "platform/picture.h"
#include "support/bad_files.h"
#include "support/test_files.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include <csignal>
#include <memory>
#include <vector>

#include <unistd.h>

using mergola::testing::randomImage;

namespace {

constexpr QRgb kWhite = qRgb(255, 255, 255);
// JPG is lossy; a plain area comes back within a few steps.
constexpr int kJpegTolerance = 6;
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
constexpr bool kSanitized = __has_feature(address_sanitizer);
#else
constexpr bool kSanitized = false;
#endif

QString dataFile(const char *name)
{
    return QStringLiteral(MERGOLA_TEST_DATA "/") + QLatin1String(name);
}

QString programPath()
{
    return mergola::testing::builtProgramDir() + QStringLiteral("/mergola-cli");
}

QImage plainImage(int w, int h, QRgb colour)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

struct Outcome {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

// A work folder per test, whose "tmp" is also the program's temporary folder.
class Cli : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(QDir().mkpath(path(QStringLiteral("tmp")))); }

    QString path(const QString &name) const { return m_dir.filePath(name); }
    QString tempDir() const { return path(QStringLiteral("tmp")); }
    bool tempDirIsEmpty() const
    {
        return QDir(path(QStringLiteral("tmp"))).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    }

    QProcess *start(const QStringList &arguments, const QString &program = programPath())
    {
        auto *process = m_processes.emplace_back(std::make_unique<QProcess>()).get();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("TMPDIR"), path(QStringLiteral("tmp")));
        process->setProcessEnvironment(environment);
        process->start(program, arguments);
        return process;
    }
    static Outcome finish(QProcess *process)
    {
        EXPECT_TRUE(process->waitForFinished(120'000));
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
        return QImage(path(name)).convertToFormat(QImage::Format_RGB32);
    }
    QString writeBmp(const QString &name, const QImage &image)
    {
        EXPECT_TRUE(image.save(path(name), "BMP"));
        return path(name);
    }

    QTemporaryDir m_dir;
    std::vector<std::unique_ptr<QProcess>> m_processes;
};

// A failure: the status and exactly one line on standard error that starts
// with the program's name and says what went wrong.
void expectOneLineFailure(const Outcome &outcome, int status, const QString &saying)
{
    EXPECT_EQ(outcome.exitCode, status) << outcome.err.toStdString();
    const QString err = QString::fromLocal8Bit(outcome.err);
    EXPECT_TRUE(err.startsWith(QStringLiteral("mergola-cli: ")) && err.count(QLatin1Char('\n')) == 1 &&
                err.endsWith(QLatin1Char('\n')) && err.contains(saying))
        << "expected '" << saying.toStdString() << "' in: " << err.toStdString();
    EXPECT_TRUE(outcome.out.isEmpty());
}

} // namespace

TEST_F(Cli, CombinesTheSlotsInEachModeByNumberOrNameAndTakesUnloadedSlotsAsTheirPlainColours)
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

    // Slot 1 red then blue, stretched to 4 x 2, over slot 2's plain background colour.
    QImage c(2, 1, QImage::Format_RGB32);
    c.setPixel(0, 0, qRgb(255, 0, 0));
    c.setPixel(1, 0, qRgb(0, 0, 255));
    const QImage painted =
        runToImage({"--slot1", writeBmp("c.bmp", c), "--size", "4x2", "--combine", "2", "--background", "0,16,1"});
    QImage expected = plainImage(4, 2, qRgb(255, 16, 1));
    for (int y = 0; y < 2; ++y)
        for (int x = 2; x < 4; ++x)
            expected.setPixel(x, y, qRgb(0, 16, 254));
    EXPECT_EQ(painted, expected);
    const QImage plain = runToImage({"--combine", "door-elkaar"});
    ASSERT_EQ(plain.size(), QSize(320, 240));
    EXPECT_EQ(plain.pixel(319, 239), qRgb(180, 250, 200));
    EXPECT_EQ(plain.pixel(1, 0), kWhite);
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

TEST_F(Cli, WritesJpgsThroughTheConverterWithTheirQualitySideBySideAndLeavesNoTemporaryFile)
{
    // Jobs at once, each with a temporary BMP of its own; noise costs far more bytes at quality 99.
    const QString noise = writeBmp("noise.bmp", randomImage(64, 64, 9));
    const QString plain = writeBmp("plain.bmp", plainImage(40, 24, qRgb(200, 100, 50)));
    QProcess *jobs[] = {start({"--input", noise, "--quality", "0", "--output", path(QStringLiteral("low.jpg"))}),
                        start({"--input", noise, "--quality", "99", "--output", path(QStringLiteral("high.JPEG"))}),
                        start({"--input", plain, "--output", path(QStringLiteral("plain.jpg"))})};
    for (QProcess *job : jobs)
        EXPECT_EQ(finish(job).exitCode, 0);
    QImageReader reader(path(QStringLiteral("high.JPEG")));
    reader.setDecideFormatFromContent(true);
    EXPECT_EQ(reader.format(), QByteArray("jpeg"));
    EXPECT_GT(QFileInfo(path(QStringLiteral("high.JPEG"))).size(),
              2 * QFileInfo(path(QStringLiteral("low.jpg"))).size());
    const QRgb middle = QImage(path(QStringLiteral("plain.jpg"))).pixel(20, 12);
    EXPECT_NEAR(qRed(middle), 200, kJpegTolerance);
    EXPECT_NEAR(qGreen(middle), 100, kJpegTolerance);
    EXPECT_NEAR(qBlue(middle), 50, kJpegTolerance);
    EXPECT_TRUE(tempDirIsEmpty()) << "the temporary BMPs are deleted";
}

TEST_F(Cli, PrintsHelpAndVersionOnStandardOutputAndAnswersUsageErrorsWithStatus2WritingNothing)
{
    const Outcome help = runOk({"--help"});
    EXPECT_TRUE(help.out.startsWith("Usage: mergola-cli") && help.out.contains("swap-colors-5")) << help.out.data();
    EXPECT_TRUE(runOk({"--version"}).out.startsWith("mergola-cli "));
    const QString out = path(QStringLiteral("never.bmp"));
    expectOneLineFailure(run({}), 2, QStringLiteral("no options given"));
    expectOneLineFailure(run({"--output", out, "--quality", "100"}), 2, QStringLiteral("malformed --quality '100'"));
    expectOneLineFailure(run({"--output", path(QStringLiteral("x.tif"))}), 2,
                         QStringLiteral("must end in .bmp, .jpg, .jpeg or .png"));
    EXPECT_FALSE(QFileInfo::exists(out));
}

TEST_F(Cli, FailsWithStatus1NamingAFileThatCannotBeReadAndWritesNothing)
{
    const QString text = mergola::testing::writeFile(m_dir.path(), QStringLiteral("notes.jpg"), "no picture\n");
    // A JPG whose entropy-coded data is overwritten with stray markers: the
    // decoder's own complaints must not reach standard error beside ours.
    QByteArray jpg;
    QBuffer buffer(&jpg);
    ASSERT_TRUE(buffer.open(QIODevice::WriteOnly) && randomImage(300, 200, 15).save(&buffer, "JPG", 90));
    for (qsizetype i = jpg.size() / 2; i < jpg.size() / 2 + 400; i += 7)
        jpg[i] = char(i % 2 ? 0xFF : 0xD0);
    const QString damaged = mergola::testing::writeFile(m_dir.path(), QStringLiteral("damaged.jpg"), jpg);
    const QString good = writeBmp("good.bmp", randomImage(4, 4, 11));
    QFile tiff(dataFile("pixels-last.tif"));
    ASSERT_TRUE(tiff.open(QIODevice::ReadOnly));
    const QString cutTiff = mergola::testing::writeFile(m_dir.path(), QStringLiteral("cut.tif"), tiff.read(200));
    const QString missing = path(QStringLiteral("missing.bmp"));
    const QString out = path(QStringLiteral("out.bmp"));
    const std::pair<QStringList, QString> cases[] = {
        {{"--input", missing}, missing},
        {{"--input", text}, text},
        {{"--input", damaged}, damaged},
        {{"--slot1", good, "--slot2", missing, "--combine", "2"}, missing},
        {{"--slot1", text, "--slot2", good, "--combine", "3"}, text},
        {{"--slot1", good, "--slot2", cutTiff, "--combine", "1"}, cutTiff},
    };
    for (const auto &[arguments, file] : cases) {
        expectOneLineFailure(run(QStringList(arguments) << "--output" << out), 1, file + QStringLiteral(": "));
        EXPECT_FALSE(QFileInfo::exists(out));
    }
}

TEST_F(Cli, FailsWithStatus1ForAnOutputThatCannotBeWrittenOrAJpgWithoutItsConverterKeepingAnEarlierOne)
{
    const QString input = writeBmp("in.bmp", randomImage(4, 4, 12));
    for (const char *name : {"no/such/folder/out.bmp", "no/such/folder/out.jpg"})
        expectOneLineFailure(run({"--input", input, "--output", path(QString::fromLatin1(name))}), 1,
                             path(QString::fromLatin1(name)));
    // A working size of 0 leaves a result without pixels, which no picture file can hold.
    for (const char *name : {"empty.bmp", "empty.jpg"}) {
        const QString empty = path(QString::fromLatin1(name));
        expectOneLineFailure(run({"--size", "0x5", "--combine", "1", "--output", empty}), 1, empty);
        EXPECT_FALSE(QFileInfo::exists(empty));
    }
    // A failed run leaves an earlier output as it was, and a read-only one is not replaced.
    const QString earlier = writeBmp("earlier.bmp", plainImage(3, 3, qRgb(1, 2, 3)));
    expectOneLineFailure(run({"--input", path(QStringLiteral("missing.bmp")), "--output", earlier}), 1,
                         QStringLiteral("missing.bmp"));
    ASSERT_TRUE(QFile::setPermissions(earlier, QFileDevice::ReadOwner | QFileDevice::ReadOther));
    expectOneLineFailure(run({"--input", input, "--output", earlier}), 1, earlier);
    EXPECT_EQ(QImage(earlier).convertToFormat(QImage::Format_RGB32), plainImage(3, 3, qRgb(1, 2, 3)));

    // A copy of the program in a folder of its own has no converter beside it; BMP needs none.
    const QString copy = path(QStringLiteral("lonely/mergola-cli"));
    ASSERT_TRUE(QDir().mkpath(path(QStringLiteral("lonely"))) && QFile::copy(programPath(), copy));
    ASSERT_TRUE(QFile::setPermissions(copy, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    expectOneLineFailure(run({"--input", input, "--output", path(QStringLiteral("out.jpg"))}, copy), 1,
                         QStringLiteral("libbmp2jpeg.so"));
    EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("out.jpg"))));
    EXPECT_EQ(run({"--input", input, "--output", path(QStringLiteral("out.bmp"))}, copy).exitCode, 0);
    EXPECT_TRUE(QFileInfo::exists(path(QStringLiteral("out.bmp"))));
    EXPECT_TRUE(tempDirIsEmpty());
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
