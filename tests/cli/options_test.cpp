#include "cli/options.h"

#include "filters/engine.h"
#include "filters/filter_menu.h"

#include <gtest/gtest.h>

#include <tuple>

using namespace mergola;
using namespace mergola::cli;

namespace {

Options accepted(const QStringList &arguments)
{
    const ParseResult parsed = parseOptions(arguments);
    EXPECT_EQ(parsed.request, Request::Run) << parsed.error.toStdString();
    return parsed.options;
}

} // namespace

TEST(CliOptions, FallBackToTheWindowProgramsDefaultsAndAcceptAnyOrderBothValueFormsAndEitherCase)
{
    const Options plain = accepted({"--output", "out.bmp"});
    EXPECT_EQ(std::tuple(plain.width, plain.height, plain.background, plain.quality, plain.combine),
              std::tuple(320, 240, qRgb(180, 250, 200), 75, std::int16_t(0)));
    EXPECT_TRUE(plain.input.isEmpty() && plain.operations.empty() && plain.outputFormat == OutputFormat::Bmp);

    const Options o = accepted({"--apply", "border", "--size=0640x480", "--output", "Out.JPEG", "--slot2", "b.gif",
                                "--combine", "onder-elkaar", "--apply=contrast-neg", "--quality", "0", "--background",
                                "0,255,7", "--slot1=a b.jpg", "--apply", "flip-vertical"});
    EXPECT_EQ(std::tuple(o.width, o.height, o.background, o.quality, o.combine),
              std::tuple(640, 480, qRgb(0, 255, 7), 0, std::int16_t(3)));
    EXPECT_EQ(std::tuple(o.slot1, o.slot2, o.output, o.outputFormat),
              std::tuple(QString("a b.jpg"), QString("b.gif"), QString("Out.JPEG"), OutputFormat::Jpeg));
    ASSERT_EQ(o.operations.size(), 3u);
    EXPECT_EQ(o.operations[0].kind, OperationKind::Border);
    EXPECT_EQ(std::tuple(o.operations[1].kind, o.operations[1].filterId, o.operations[1].parameter),
              std::tuple(OperationKind::Filter, 17, -10));
    EXPECT_EQ(o.operations[2].kind, OperationKind::FlipVertical);

    for (auto [text, index] : {std::pair{"3", 3}, {"door-elkaar", 1}, {"painting", 2}})
        EXPECT_EQ(accepted({"--combine", text, "--output", "x.bmp"}).combine, index) << text;
    const Options big = accepted({"--size", "9999X0", "--output", "dir.jpg/a.BMP"});
    EXPECT_EQ(std::tuple(big.width, big.height, big.outputFormat), std::tuple(9999, 0, OutputFormat::Bmp));
    EXPECT_EQ(accepted({"--output", "b.PNG"}).outputFormat, OutputFormat::Png);
}

TEST(CliOptions, AnswerHelpAndVersionWhereverTheyStand)
{
    EXPECT_EQ(parseOptions({"--bogus", "--size", "1", "--help"}).request, Request::Help);
    EXPECT_EQ(parseOptions({"--output", "x.png", "--version"}).request, Request::Version);
    const QString help = usageText();
    for (const QString &name : operationNames())
        EXPECT_TRUE(help.contains(name)) << name.toStdString();
    for (const QString &line : help.split(QLatin1Char('\n')))
        EXPECT_LE(line.size(), 80) << line.toStdString();
}

TEST(CliOptions, RejectEveryMalformedOrConflictingCommandLineWithOneLineSaying)
{
    struct Case {
        QStringList arguments;
        const char *saying;
    };
    const Case cases[] = {
        {{}, "no options given"},
        {{"out.bmp"}, "unexpected argument 'out.bmp'"},
        {{"--output", "x.bmp", "--frobnicate"}, "unknown option '--frobnicate'"},
        {{"--output", "x.bmp", "-size", "3x3"}, "unexpected argument '-size'"},
        {{"--output", "x.bmp", "--size"}, "--size needs a value"},
        {{"--output", "--apply", "border"}, "--output needs a value"},
        {{"--output", "x.bmp", "--help=yes"}, "--help takes no value"},
        {{"--output", "x.bmp", "--version=1"}, "--version takes no value"},
        {{"--output", "x.bmp", "--size", "320"}, "malformed --size '320'"},
        {{"--output", "x.bmp", "--size", "10000x5"}, "malformed --size"},
        {{"--output", "x.bmp", "--background", "1,2"}, "malformed --background '1,2'"},
        {{"--output", "x.bmp", "--quality", "100"}, "malformed --quality '100'"},
        {{"--output", "x.bmp", "--combine", "4"}, "unknown --combine mode '4'"},
        {{"--output", "x.bmp", "--apply", "sepia"}, "unknown --apply operation 'sepia'"},
        {{"--output", "x.tif"}, "--output 'x.tif' must end in .bmp, .jpg, .jpeg or .png"},
        {{"--size", "3x3"}, "no --output FILE given"},
        {{"--output", "x.bmp", "--size", "3x3", "--size", "4x4"}, "--size given more than once"},
        {{"--output", "x.bmp", "--input", "a.bmp", "--slot1", "b.bmp"}, "--input cannot be used with --slot1"},
        {{"--output", "x.bmp", "--background", "1,2,3", "--input", "a.bmp"}, "--input cannot be used with --background"},
        {{"--output", "x.bmp", "--slot1", "a.bmp"}, "--slot1 needs --combine"},
    };
    for (const Case &c : cases) {
        const ParseResult parsed = parseOptions(c.arguments);
        const std::string shown = c.arguments.join(' ').toStdString();
        ASSERT_EQ(parsed.request, Request::UsageError) << shown;
        EXPECT_TRUE(parsed.error.contains(c.saying)) << shown << " said: " << parsed.error.toStdString();
        EXPECT_FALSE(parsed.error.contains('\n')) << shown;
    }
}
