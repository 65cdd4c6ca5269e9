// Runs the real mergola-cli on real files and reads back what it wrote.
#include "filters/engine.h"
#include "filters/filter_menu.h"
#include "platform/picture.h"
#include "support/program_dir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QCoreApplication>
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <vector>

namespace {

constexpr QRgb kWhite = qRgb(255, 255, 255);
constexpr int kProcessTimeoutMs = 120'000;

QString programDir()
{
    return mergola::testing::builtProgramDir();
}

QString programPath()
{
    return QDir(programDir()).filePath(QStringLiteral("mergola-cli"));
}

struct Outcome {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

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

    QProcess *start(const QStringList &arguments, const QString &program = programPath())
    {
        auto *process = new QProcess;
        m_processes.emplace_back(process);
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

    QString writeBmp(const QString &name, const QImage &image)
    {
        const QString file = path(name);
        EXPECT_TRUE(image.save(file, "BMP")) << file.toStdString();
        return file;
    }

    static QImage read(const QString &file)
    {
        QImage image(file);
        return image.isNull() ? image : image.convertToFormat(QImage::Format_RGB32);
    }

    bool tempDirIsEmpty() const { return QDir(tempDir()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden); }

    QTemporaryDir m_dir;
    std::vector<std::unique_ptr<QProcess>> m_processes;
};

QImage randomImage(int w, int h, std::uint32_t seed)
{
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> channel(0, 255);
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgb(channel(random), channel(random), channel(random)));
    return image;
}

QImage plainImage(int w, int h, QRgb colour)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

QRgb colourAt(const QImage &image, int x, int y)
{
    return image.pixel(x, y) | 0xFF000000u;
}

QRgb xorColours(QRgb a, QRgb b)
{
    return qRgb(qRed(a) ^ qRed(b), qGreen(a) ^ qGreen(b), qBlue(a) ^ qBlue(b));
}

QRgb negativeOf(QRgb c)
{
    return qRgb(255 - qRed(c), 255 - qGreen(c), 255 - qBlue(c));
}

// A usage or work failure: the status, exactly one line on standard error
// that starts with the program's name and says what went wrong.
void expectOneLineFailure(const Outcome &outcome, int status, const QString &saying)
{
    EXPECT_EQ(outcome.exitCode, status) << outcome.err.toStdString();
    const QString err = QString::fromLocal8Bit(outcome.err);
    EXPECT_TRUE(err.startsWith(QStringLiteral("mergola-cli: "))) << err.toStdString();
    EXPECT_TRUE(err.endsWith(QLatin1Char('\n'))) << err.toStdString();
    EXPECT_EQ(err.count(QLatin1Char('\n')), 1) << err.toStdString();
    EXPECT_TRUE(err.contains(saying)) << "expected '" << saying.toStdString() << "' in: " << err.toStdString();
    EXPECT_TRUE(outcome.out.isEmpty());
}

} // namespace

TEST_F(Cli, CombinesTwoSlotsCheckerboardWiseWithPixel00FromSlot2)
{
    const QImage a = randomImage(5, 3, 1);
    const QImage b = randomImage(5, 3, 2);
    const QString out = path(QStringLiteral("out.bmp"));
    runOk({"--slot1", writeBmp("a.bmp", a), "--slot2", writeBmp("b.bmp", b), "--size", "5x3", "--combine", "1",
           "--output", out});
    const QImage result = read(out);
    ASSERT_EQ(result.size(), QSize(5, 3));
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            ASSERT_EQ(colourAt(result, x, y), colourAt((x + y) % 2 == 0 ? b : a, x, y)) << x << "," << y;
}

TEST_F(Cli, PaintsTheExclusiveOrOfTheSlotsByModeName)
{
    const QImage a = randomImage(4, 4, 3);
    const QImage b = randomImage(4, 4, 4);
    const QString out = path(QStringLiteral("out.bmp"));
    runOk({"--combine", "painting", "--size", "4x4", "--slot2", writeBmp("b.bmp", b), "--slot1",
           writeBmp("a.bmp", a), "--output", out});
    const QImage result = read(out);
    ASSERT_EQ(result.size(), QSize(4, 4));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            ASSERT_EQ(colourAt(result, x, y), xorColours(colourAt(a, x, y), colourAt(b, x, y))) << x << "," << y;
}

TEST_F(Cli, StacksSlot1AboveABackgroundRowAboveSlot2)
{
    const QImage a = randomImage(3, 4, 5);
    const QImage b = randomImage(3, 4, 6);
    const QString out = path(QStringLiteral("out.bmp"));
    runOk({"--slot1", writeBmp("a.bmp", a), "--slot2", writeBmp("b.bmp", b), "--size", "3x4", "--combine",
           "onder-elkaar", "--output", out});
    const QImage result = read(out);
    ASSERT_EQ(result.size(), QSize(3, 8));
    for (int x = 0; x < 3; ++x) {
        for (int y = 0; y < 4; ++y)
            EXPECT_EQ(colourAt(result, x, y), colourAt(a, x, y)) << x << "," << y;
        EXPECT_EQ(colourAt(result, x, 4), kWhite) << "the separating row has the result's white";
        for (int y = 5; y < 8; ++y)
            EXPECT_EQ(colourAt(result, x, y), colourAt(b, x, y - 5)) << x << "," << y;
    }
}

TEST_F(Cli, StretchesALoadedSlotAndTakesAnUnloadedSlot2AsItsBackgroundColour)
{
    QImage a(2, 1, QImage::Format_RGB32);
    a.setPixel(0, 0, qRgb(255, 0, 0));
    a.setPixel(1, 0, qRgb(0, 0, 255));
    const QString out = path(QStringLiteral("out.bmp"));
    runOk({"--slot1", writeBmp("a.bmp", a), "--size", "4x2", "--combine", "2", "--background", "0,16,1",
           "--output", out});
    const QImage result = read(out);
    ASSERT_EQ(result.size(), QSize(4, 2));
    for (int y = 0; y < 2; ++y) {
        EXPECT_EQ(colourAt(result, 0, y), qRgb(255, 16, 1));
        EXPECT_EQ(colourAt(result, 1, y), qRgb(255, 16, 1));
        EXPECT_EQ(colourAt(result, 2, y), qRgb(0, 16, 254));
        EXPECT_EQ(colourAt(result, 3, y), qRgb(0, 16, 254));
    }
}

TEST_F(Cli, CombinesTwoUnloadedSlotsFromTheirPlainColours)
{
    const QString out = path(QStringLiteral("out.bmp"));
    runOk({"--combine", "door-elkaar", "--output", out});
    const QImage result = read(out);
    ASSERT_EQ(result.size(), QSize(320, 240));
    EXPECT_EQ(colourAt(result, 0, 0), qRgb(180, 250, 200));
    EXPECT_EQ(colourAt(result, 1, 0), kWhite);
    EXPECT_EQ(colourAt(result, 319, 239), qRgb(180, 250, 200));
}

TEST_F(Cli, WritesABlankWhitePictureAtTheWorkingSizeWithoutCombineOrInput)
{
    const QString out = path(QStringLiteral("blank.bmp"));
    runOk({"--size", "7x5", "--output", out});
    const QImage result = read(out);
    ASSERT_EQ(result.size(), QSize(7, 5));
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x)
            ASSERT_EQ(colourAt(result, x, y), kWhite);
}

TEST_F(Cli, AppliesNegativeFlipsAndBorderToAnInputAtItsOwnSizeWithExactPixels)
{
    const QImage in = randomImage(9, 6, 7);
    const QString input = writeBmp("in.bmp", in);
    const QString negative = path(QStringLiteral("negative.bmp"));
    runOk({"--input", input, "--apply", "negative", "--output", negative});
    const QImage negated = read(negative);
    ASSERT_EQ(negated.size(), QSize(9, 6));
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 9; ++x)
            ASSERT_EQ(colourAt(negated, x, y), negativeOf(colourAt(in, x, y))) << x << "," << y;

    const QString flipped = path(QStringLiteral("flipped.bmp"));
    runOk({"--input", input, "--apply", "flip-horizontal", "--apply", "flip-vertical", "--output", flipped});
    const QImage turned = read(flipped);
    ASSERT_EQ(turned.size(), QSize(9, 6));
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 9; ++x)
            ASSERT_EQ(colourAt(turned, x, y), colourAt(in, 8 - x, 5 - y)) << x << "," << y;

    const QString framed = path(QStringLiteral("framed.bmp"));
    runOk({"--input", input, "--apply", "border", "--output", framed});
    const QImage frame = read(framed);
    EXPECT_EQ(colourAt(frame, 0, 0), qRgb(0, 0, 0));
    EXPECT_EQ(colourAt(frame, 8, 5), qRgb(0, 0, 0));
    EXPECT_EQ(colourAt(frame, 1, 1), kWhite);
    EXPECT_EQ(colourAt(frame, 7, 4), kWhite);
    EXPECT_EQ(colourAt(frame, 2, 2), colourAt(in, 2, 2));
    EXPECT_EQ(colourAt(frame, 6, 3), colourAt(in, 6, 3));
}

TEST_F(Cli, AppliesOperationsInTheOrderGiven)
{
    const QString input = writeBmp("in.bmp", randomImage(6, 6, 8));
    const QString borderFirst = path(QStringLiteral("first.bmp"));
    const QString negativeFirst = path(QStringLiteral("second.bmp"));
    runOk({"--apply", "border", "--input", input, "--apply", "negative", "--output", borderFirst});
    runOk({"--apply", "negative", "--apply", "border", "--input", input, "--output", negativeFirst});
    const QImage a = read(borderFirst);
    const QImage b = read(negativeFirst);
    EXPECT_EQ(colourAt(a, 0, 0), kWhite);
    EXPECT_EQ(colourAt(a, 1, 1), qRgb(0, 0, 0));
    EXPECT_EQ(colourAt(b, 0, 0), qRgb(0, 0, 0));
    EXPECT_EQ(colourAt(b, 1, 1), kWhite);
}

TEST_F(Cli, WritesAJpgThroughTheConverterAndLeavesNoTemporaryFile)
{
    const QColor colour(200, 60, 30);
    const QString input = writeBmp("in.bmp", plainImage(40, 24, colour.rgb()));
    for (const char *name : {"out.jpg", "out.JPEG"}) {
        const QString out = path(QString::fromLatin1(name));
        runOk({"--input", input, "--output", out});
        QImageReader reader(out);
        reader.setDecideFormatFromContent(true);
        EXPECT_EQ(reader.format(), QByteArray("jpeg")) << name;
        const QImage result = reader.read().convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(result.size(), QSize(40, 24)) << name;
        // JPG is lossy; a plain area comes back within a few steps.
        constexpr int kJpegTolerance = 6;
        const QRgb middle = result.pixel(20, 12);
        EXPECT_NEAR(qRed(middle), colour.red(), kJpegTolerance);
        EXPECT_NEAR(qGreen(middle), colour.green(), kJpegTolerance);
        EXPECT_NEAR(qBlue(middle), colour.blue(), kJpegTolerance);
        EXPECT_TRUE(tempDirIsEmpty()) << "the temporary BMP is deleted";
    }
}

TEST_F(Cli, PassesTheQualityToTheConverter)
{
    const QString input = writeBmp("noise.bmp", randomImage(64, 64, 9));
    const QString low = path(QStringLiteral("low.jpg"));
    const QString high = path(QStringLiteral("high.jpg"));
    runOk({"--input", input, "--quality", "0", "--output", low});
    runOk({"--input", input, "--quality", "99", "--output", high});
    ASSERT_TRUE(QFileInfo::exists(low));
    ASSERT_TRUE(QFileInfo::exists(high));
    EXPECT_GT(QFileInfo(high).size(), 2 * QFileInfo(low).size()) << "noise costs far more bytes at quality 99";
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
        const Outcome outcome = finish(jobs[std::size_t(i)]);
        EXPECT_EQ(outcome.exitCode, 0) << outcome.err.toStdString();
        const QImage result = read(path(QStringLiteral("out%1.jpg").arg(i)));
        ASSERT_EQ(result.size(), QSize(200, 150)) << i;
        EXPECT_NEAR(qRed(result.pixel(100, 75)), i * 40, 6) << "job " << i << " got its own picture";
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
    struct Case {
        QStringList arguments;
        QString saying;
    };
    const Case cases[] = {
        {{}, QStringLiteral("no options given")},
        {{"--output", out, "--bogus"}, QStringLiteral("unknown option '--bogus'")},
        {{"--output", out, "--apply", "sepia"}, QStringLiteral("unknown --apply operation 'sepia'")},
        {{"--output", out, "--apply"}, QStringLiteral("--apply needs a value")},
        {{"--output", out, "--size", "12by4"}, QStringLiteral("malformed --size '12by4'")},
        {{"--output", out, "--background", "1,2,300"}, QStringLiteral("malformed --background")},
        {{"--output", out, "--quality", "100"}, QStringLiteral("malformed --quality '100'")},
        {{"--output", path(QStringLiteral("x.png"))}, QStringLiteral("must end in .bmp, .jpg or .jpeg")},
        {{"--output", out, "--input", "a.bmp", "--combine", "1"}, QStringLiteral("--input cannot be used with")},
        {{"--output", out, "--slot1", "a.bmp"}, QStringLiteral("--slot1 needs --combine")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.arguments.join(QLatin1Char(' ')).toStdString());
        expectOneLineFailure(run(c.arguments), 2, c.saying);
        EXPECT_FALSE(QFileInfo::exists(out));
    }
}

TEST_F(Cli, FailsWithStatus1NamingAFileThatCannotBeReadAndWritesNothing)
{
    const QString out = path(QStringLiteral("out.bmp"));
    QFile text(path(QStringLiteral("notes.jpg")));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("this is no picture\n");
    text.close();
    QFile truncated(path(QStringLiteral("cut.bmp")));
    {
        QFile whole(writeBmp("whole.bmp", randomImage(50, 50, 10)));
        ASSERT_TRUE(whole.open(QIODevice::ReadOnly));
        ASSERT_TRUE(truncated.open(QIODevice::WriteOnly));
        truncated.write(whole.read(200));
        truncated.close();
    }
    // A JPG whose entropy-coded data is overwritten with stray markers: the
    // decoder's own complaints must not reach standard error beside ours.
    const QString damaged = path(QStringLiteral("damaged.jpg"));
    {
        ASSERT_TRUE(randomImage(300, 200, 15).save(damaged, "JPG", 90));
        QFile file(damaged);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        QByteArray bytes = file.readAll();
        for (qsizetype i = bytes.size() / 2; i < bytes.size() / 2 + 400; i += 7)
            bytes[i] = char(i % 2 ? 0xFF : 0xD0);
        file.seek(0);
        file.write(bytes);
    }
    const QString good = writeBmp("good.bmp", randomImage(4, 4, 11));
    const QString missing = path(QStringLiteral("missing.bmp"));
    struct Case {
        QStringList arguments;
        QString file;
    };
    const Case cases[] = {
        {{"--input", missing, "--output", out}, missing},
        {{"--input", text.fileName(), "--output", out}, text.fileName()},
        {{"--input", truncated.fileName(), "--output", out}, truncated.fileName()},
        {{"--input", m_dir.path(), "--output", out}, m_dir.path()},
        {{"--input", damaged, "--output", out}, damaged},
        {{"--slot1", good, "--slot2", missing, "--combine", "2", "--output", out}, missing},
        {{"--slot1", text.fileName(), "--slot2", good, "--combine", "3", "--output", out}, text.fileName()},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.arguments.join(QLatin1Char(' ')).toStdString());
        expectOneLineFailure(run(c.arguments), 1, c.file + QStringLiteral(": "));
        EXPECT_FALSE(QFileInfo::exists(out));
    }
}

TEST_F(Cli, FailsWithStatus1ForAnOutputThatCannotBeWrittenLeavingNoFile)
{
    const QString input = writeBmp("in.bmp", randomImage(4, 4, 12));
    const QString noFolder = path(QStringLiteral("no/such/folder/out.bmp"));
    expectOneLineFailure(run({"--input", input, "--output", noFolder}), 1, noFolder);
    EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("no"))));

    const QString noFolderJpg = path(QStringLiteral("no/such/folder/out.jpg"));
    expectOneLineFailure(run({"--input", input, "--output", noFolderJpg}), 1, noFolderJpg);
    EXPECT_TRUE(tempDirIsEmpty());

    // A working size of 0 leaves a result without pixels, which no picture
    // file can hold.
    for (const char *name : {"empty.bmp", "empty.jpg"}) {
        const QString empty = path(QString::fromLatin1(name));
        expectOneLineFailure(run({"--size", "0x5", "--combine", "1", "--output", empty}), 1, empty);
        EXPECT_FALSE(QFileInfo::exists(empty));
    }
    EXPECT_TRUE(tempDirIsEmpty());
}

TEST_F(Cli, KeepsAReadOnlyOrEarlierOutputWhenTheRunFails)
{
    const QString input = writeBmp("in.bmp", randomImage(4, 4, 13));
    const QString earlier = writeBmp("earlier.bmp", plainImage(3, 3, qRgb(1, 2, 3)));
    QFile file(earlier);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();

    expectOneLineFailure(run({"--input", path(QStringLiteral("missing.bmp")), "--output", earlier}), 1,
                         QStringLiteral("missing.bmp"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), before);
    file.close();

    ASSERT_TRUE(file.setPermissions(QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther));
    expectOneLineFailure(run({"--input", input, "--output", earlier}), 1, earlier);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), before) << "a read-only file is not replaced";
    file.close();
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
    const Outcome outcome = run({"--input", input, "--output", bmp}, copy);
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err.toStdString();
    EXPECT_TRUE(QFileInfo::exists(bmp));
}

TEST_F(Cli, DecodesAPictureWithTransparencyOverWhite)
{
    QImage in(2, 1, QImage::Format_ARGB32);
    in.setPixel(0, 0, qRgba(0, 0, 0, 0));
    in.setPixel(1, 0, qRgba(10, 20, 30, 255));
    const QString input = path(QStringLiteral("alpha.png"));
    ASSERT_TRUE(in.save(input, "PNG"));
    const QString out = path(QStringLiteral("out.bmp"));
    runOk({"--input", input, "--output", out});
    const QImage result = read(out);
    ASSERT_EQ(result.size(), QSize(2, 1));
    EXPECT_EQ(colourAt(result, 0, 0), kWhite);
    EXPECT_EQ(colourAt(result, 1, 0), qRgb(10, 20, 30));
}

// Every filter-menu operation through the real binary gives exactly the
// pixels of the same filter run in-process by the engine. A fresh process
// and a fresh engine start the random source alike, so Addnoise and
// Deffuse compare exactly too.
TEST_F(Cli, RunsEveryMenuOperationWithTheSamePixelsAsTheEngine)
{
    const QImage in = randomImage(13, 11, 99);
    const QString input = writeBmp("every.bmp", in);
    std::vector<const mergola::FilterMenuEntry *> entries;
    for (const auto &entry : mergola::kFilMenu)
        if (!entry.cliName.empty())
            entries.push_back(&entry);
    for (const auto &entry : mergola::kFilsMenu)
        entries.push_back(&entry);
    ASSERT_EQ(entries.size(), 26u);

    for (const mergola::FilterMenuEntry *entry : entries) {
        const QString op = QString::fromLatin1(entry->cliName.data(), qsizetype(entry->cliName.size()));
        const QString output = path(op + QStringLiteral(".bmp"));
        runOk({"--input", input, "--apply", op, "--output", output});

        mergola::Picture expected;
        ASSERT_TRUE(expected.assign(in));
        switch (entry->action) {
        case mergola::MenuAction::Filter: {
            mergola::Filters engine;
            struct Quiet final : mergola::FilterProgressSink {
                void store(std::int32_t) override {}
                void yield() override {}
            } quiet;
            engine.ApplyFilter(entry->filterId, expected, entry->parameter, quiet);
            break;
        }
        case mergola::MenuAction::FlipHorizontal:
            expected.mirrorHorizontal();
            break;
        case mergola::MenuAction::FlipVertical:
            expected.mirrorVertical();
            break;
        case mergola::MenuAction::Submenu:
            break;
        }
        const QImage got = read(output);
        ASSERT_EQ(got.size(), in.size()) << op.toStdString();
        for (int y = 0; y < in.height(); ++y)
            for (int x = 0; x < in.width(); ++x)
                ASSERT_EQ(colourAt(got, x, y), expected.pixel(x, y)) << op.toStdString() << " at " << x << "," << y;
    }
}
