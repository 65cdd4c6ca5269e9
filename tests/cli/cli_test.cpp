// Runs the real mergola-cli on real files and reads back what it wrote.
#include "combine/combine.h"
#include "platform/picture.h"
#include "support/bad_files.h"
#include "support/test_files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include <csignal>
#include <memory>
#include <vector>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using mergola::testing::contentsOf;
using mergola::testing::randomImage;

namespace {

constexpr QRgb kWhite = qRgb(255, 255, 255);
// Refusing the worst bad file costs about 0.15 s of CPU (five times that
// under the sanitizers); seconds would be a file that makes the program
// chew on data that is not there.
constexpr double kCpuSecondsPerFile = mergola::testing::kSanitizedBuild ? 10.0 : 2.0;

QString programPath() { return mergola::testing::builtProgramDir() + QStringLiteral("/mergola-cli"); }

// prlimit, which caps a run's address space; none in the sanitizer build,
// whose shadow memory no such cap allows.
QString addressSpaceLimiter()
{
    return mergola::testing::kSanitizedBuild ? QString() : QStandardPaths::findExecutable(QStringLiteral("prlimit"));
}

QString builtProgramConverter() { return mergola::testing::builtProgramDir() + QStringLiteral("/libbmp2jpeg.so"); }

// The resident memory of a running process, in bytes; 0 once it is gone.
qint64 residentBytes(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong() * 1024;
    return 0;
}

// The CPU time, user and system, of every child process that has ended.
double childrenCpuSeconds()
{
    rusage usage{};
    ::getrusage(RUSAGE_CHILDREN, &usage);
    const auto seconds = [](const timeval &t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

QImage plainImage(int w, int h, QRgb colour)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

struct Outcome {
    int exitCode = -1;
    QByteArray out, err;
};

// A work folder per test, whose "tmp" is also the program's temporary folder.
class Cli : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(QDir().mkpath(tempDir())); }

    QString path(const QString &name) const { return m_dir.filePath(name); }
    QString tempDir() const { return path("tmp"); }
    bool tempDirIsEmpty() const
    {
        return QDir(tempDir()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    }

    QProcess *start(const QStringList &arguments, const QString &program = programPath())
    {
        auto *process = m_processes.emplace_back(std::make_unique<QProcess>()).get();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("TMPDIR", tempDir());
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
    QImage runToImage(const QStringList &arguments, const QString &name = "out.bmp")
    {
        runOk(arguments + QStringList{"--output", path(name)});
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
    EXPECT_TRUE(err.startsWith("mergola-cli: ") && err.count('\n') == 1 && err.endsWith('\n') && err.contains(saying))
        << "expected '" << saying.toStdString() << "' in: " << err.toStdString();
    EXPECT_TRUE(outcome.out.isEmpty());
}

} // namespace

TEST_F(Cli, CombinesTheSlotsAsTheWindowDoesAndTakesUnloadedSlotsAsTheirPlainColours)
{
    // Each mode's pixels are the combine tests'; here one mode shows the whole result reaches the file.
    const QImage a = randomImage(5, 3, 1);
    const QImage b = randomImage(5, 3, 2);
    mergola::Picture foto1, foto2, expected(0, 0, kWhite);
    ASSERT_TRUE(foto1.assign(a) && foto2.assign(b));
    ASSERT_TRUE(mergola::CombineResult(3, foto1, foto2, expected, 5, 3));
    EXPECT_EQ(runToImage({"--slot1", writeBmp("a.bmp", a), "--slot2", writeBmp("b.bmp", b), "--size", "5x3",
                          "--combine", "onder-elkaar"}),
              expected.image());

    // Door elkaar of two unloaded slots: white and slot 2's background colour, in turn.
    const QImage plain = runToImage({"--combine", "door-elkaar", "--background", "0,16,1"});
    ASSERT_EQ(plain.size(), QSize(320, 240));
    EXPECT_EQ(plain.pixel(319, 239), qRgb(0, 16, 1));
    EXPECT_EQ(plain.pixel(1, 0), kWhite);
    EXPECT_EQ(runToImage({"--size", "7x5"}), plainImage(7, 5, kWhite)) << "no combine, no input: blank white";
}

TEST_F(Cli, AppliesTheBorderAndOtherOperationsInTheOrderGiven)
{
    // Negated first, the border's frame keeps its own white and black.
    const QImage in = randomImage(6, 6, 8);
    const QImage out = runToImage({"--apply", "negative", "--apply", "border", "--input", writeBmp("in.bmp", in)});
    EXPECT_EQ(out.pixel(5, 5), qRgb(0, 0, 0));
    EXPECT_EQ(out.pixel(1, 1), kWhite);
    EXPECT_EQ(out.pixel(2, 3), in.pixel(2, 3) ^ 0x00FFFFFF) << "inside the frame: negated";
}

TEST_F(Cli, WritesJpgsWithTheirQualityAndPngsByTheirExtension)
{
    // Noise costs far more bytes at quality 99.
    const QImage noise = randomImage(64, 64, 9);
    const QString input = writeBmp("noise.bmp", noise);
    runOk({"--input", input, "--quality", "0", "--output", path("low.jpg")});
    runOk({"--input", input, "--quality", "99", "--output", path("high.JPEG")});
    EXPECT_TRUE(contentsOf(path("high.JPEG")).startsWith("\xff\xd8")) << "written as JPG";
    EXPECT_GT(QFileInfo(path("high.JPEG")).size(), 2 * QFileInfo(path("low.jpg")).size());
    EXPECT_EQ(runToImage({"--input", input}, "lossless.png"), noise);
    EXPECT_TRUE(contentsOf(path("lossless.png")).startsWith("\x89PNG\r\n\x1a\n")) << "written as PNG";
}

// Which usage errors there are, and what they say, is for the option tests.
TEST_F(Cli, PrintsHelpAndVersionOnStandardOutputAndAnswersUsageErrorsWithStatus2WritingNothing)
{
    const Outcome help = runOk({"--help"});
    EXPECT_TRUE(help.out.startsWith("Usage: mergola-cli") && help.out.contains("swap-colors-5")) << help.out.data();
    EXPECT_TRUE(runOk({"--version"}).out.startsWith("mergola-cli "));
    expectOneLineFailure(run({"--output", path("never.bmp"), "--quality", "100"}), 2, "malformed --quality '100'");
    EXPECT_FALSE(QFileInfo::exists(path("never.bmp")));
}

// Damaged files of every format are the bad-file corpus's, below.
TEST_F(Cli, FailsWithStatus1NamingAFileThatCannotBeReadOrWrittenAndLeavesAnEarlierOutputAsItWas)
{
    const QString input = writeBmp("in.bmp", randomImage(4, 4, 12));
    const QString text = mergola::testing::writeFile(m_dir.path(), "notes.jpg", "no picture\n");
    const QString earlier = writeBmp("earlier.bmp", plainImage(3, 3, qRgb(1, 2, 3)));
    expectOneLineFailure(run({"--input", path("missing.bmp"), "--output", earlier}), 1, path("missing.bmp") + ": ");
    expectOneLineFailure(run({"--slot1", text, "--slot2", input, "--combine", "3", "--output", earlier}), 1,
                         text + ": ");
    for (const QString name : {"no/such/folder/out.bmp", "no/such/folder/out.jpg"})
        expectOneLineFailure(run({"--input", input, "--output", path(name)}), 1, path(name));
    EXPECT_EQ(QImage(earlier).convertToFormat(QImage::Format_RGB32), plainImage(3, 3, qRgb(1, 2, 3)));
    EXPECT_TRUE(tempDirIsEmpty());
}

TEST_F(Cli, StopsOnCtrlCOrSigtermLeavingNoOutputAndNoTemporaryFolder)
{
    // Stopped in the middle of its filters: the signal goes once the
    // engine's two buffers are resident, which they are only while a filter
    // runs, and far more filters follow than any machine runs meanwhile.
    constexpr qint64 kPictureBytes = 4000LL * 3000 * 4;
    for (const auto &[signal, status] : {std::pair{SIGINT, 130}, {SIGTERM, 143}}) {
        const QString out = path("long.bmp");
        QStringList filtering{"--size", "4000x3000", "--combine", "1", "--output", out};
        for (int i = 0; i < 200; ++i)
            filtering << "--apply" << "aqua";
        QProcess *process = start(filtering);
        ASSERT_TRUE(process->waitForStarted());
        ASSERT_TRUE(mergola::testing::waitUntil(
            [&] { return residentBytes(process->processId()) > kPictureBytes * 5 / 2; }, 120'000, 5))
            << "no filter got under way";
        ::kill(pid_t(process->processId()), signal);
        expectOneLineFailure(finish(process), status, "stopped");
        EXPECT_FALSE(QFile::exists(out));
        EXPECT_TRUE(tempDirIsEmpty());
    }

    // A stop while the output is written lets the write finish: a copy of
    // the program whose converter holds at a gate until the signal is in.
    const QString copy = path("gated/mergola-cli");
    ASSERT_TRUE(QDir().mkpath(path("gated")) && QFile::copy(programPath(), copy) &&
                QFile::copy(MERGOLA_GATED_CONVERTER, path("gated/libbmp2jpeg.so")));
    const QString gate = path("gate");
    ASSERT_EQ(::mkfifo(QFile::encodeName(gate).constData(), 0600), 0);
    qputenv("MERGOLA_TEST_GATE", QFile::encodeName(gate));
    qputenv("MERGOLA_TEST_CONVERTER", QFile::encodeName(builtProgramConverter()));
    const QString jpg = path("save.jpg");
    mergola::testing::writeFile(m_dir.path(), "save.jpg", "earlier");
    QProcess *saving = start({"--size", "64x48", "--combine", "1", "--apply", "aqua", "--output", jpg}, copy);
    ASSERT_TRUE(mergola::testing::waitUntil([&] { return QFile::exists(gate + ".held"); }, 120'000, 5))
        << saving->readAllStandardError().toStdString();
    ::kill(pid_t(saving->processId()), SIGTERM);
    QFile fifo(gate);
    ASSERT_TRUE(fifo.open(QIODevice::WriteOnly) && fifo.write("go", 1) == 1);
    fifo.close();
    const Outcome whole = finish(saving);
    EXPECT_EQ(whole.exitCode, 0) << whole.err.toStdString();
    EXPECT_EQ(QImage(jpg).size(), QSize(64, 48));
    EXPECT_EQ(QDir(m_dir.path()).entryList({"save.jpg.*"}), QStringList()) << "no part-written file";
    EXPECT_TRUE(tempDirIsEmpty());
    qunsetenv("MERGOLA_TEST_GATE");
    qunsetenv("MERGOLA_TEST_CONVERTER");
}

TEST_F(Cli, RefusesEveryBadFileWithOneLineQuicklyAndLoadsGoodOnesByTheirContent)
{
    using mergola::testing::CorpusFile;
    const QDir corpusDir(path("corpus"));
    ASSERT_TRUE(QDir().mkpath(corpusDir.path()));
    std::vector<CorpusFile> corpus = mergola::testing::writeBadFiles(corpusDir);
    corpus.push_back({corpusDir.filePath("unreadable.bmp"), CorpusFile::Refused});
    ASSERT_TRUE(QFile::copy(corpus.front().path, corpus.back().path));
    QFile::setPermissions(corpus.back().path, QFileDevice::Permissions());
    // No file may make the program reach for more than about 1 GB.
    QStringList command{programPath()};
    if (const QString limiter = addressSpaceLimiter(); !limiter.isEmpty())
        command = QStringList{limiter, "--as=1200000000"} + command;
    // As root every file is readable; another user meets the unreadable one.
    if (const QString setpriv = QStandardPaths::findExecutable("setpriv"); ::geteuid() == 0 && !setpriv.isEmpty()) {
        for (const QString &folder : {m_dir.path(), corpusDir.path(), tempDir()})
            QFile::setPermissions(folder, QFileDevice::Permissions(0x7777));
        command = QStringList{setpriv, "--reuid=nobody", "--regid=nogroup", "--clear-groups"} + command;
    }
    for (const auto &file : corpus) {
        const double cpuBefore = childrenCpuSeconds();
        const Outcome outcome =
            run(command.mid(1) + QStringList{"--input", file.path, "--output", path("out.bmp")}, command.front());
        EXPECT_LT(childrenCpuSeconds() - cpuBefore, kCpuSecondsPerFile) << file.path.toStdString();
        if (outcome.exitCode != 0)
            expectOneLineFailure(outcome, 1, file.path);
        EXPECT_NE(file.expect, outcome.exitCode == 0 ? CorpusFile::Refused : CorpusFile::Loads)
            << file.path.toStdString() << ": " << outcome.err.toStdString();
        QFile::remove(path("out.bmp"));
    }
}

TEST_F(Cli, ReportsMemoryThatRunsOutInsteadOfCrashing)
{
    const QString limiter = addressSpaceLimiter();
    if (limiter.isEmpty())
        GTEST_SKIP() << "an address-space limit needs the plain build and prlimit";
    // 400 MB of address space: enough for the program, not for these pictures.
    const QString out = path("big.bmp");
    const auto limited = [&](const QStringList &arguments) {
        return run(QStringList{"--as=400000000", programPath(), "--output", out} + arguments, limiter);
    };
    expectOneLineFailure(limited({"--size", "9999x9999", "--combine", "1"}), 1,
                         "not enough memory for the combined picture at 9999 x 9999");
    expectOneLineFailure(limited({"--size", "6000x6000", "--combine", "2", "--apply", "blur"}), 1,
                         "blur: not enough memory to filter a 6000 x 6000 picture");
    // A good file whose picture does not fit is not called damaged.
    const QString big = path("big.jpg");
    runOk({"--size", "9000x9000", "--combine", "1", "--output", big});
    expectOneLineFailure(limited({"--input", big}), 1, big + ": not enough memory for a 9000 x 9000 picture");
    EXPECT_FALSE(QFile::exists(out));
    EXPECT_TRUE(tempDirIsEmpty());
}
