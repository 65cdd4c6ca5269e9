#include "cli/options.h"

#include "filters/engine.h"
#include "filters/filter_menu.h"

#include <gtest/gtest.h>

#include <QSize>
#include <tuple>
#include <vector>

using namespace mergola;
using namespace mergola::cli;

namespace {

QStringList args(std::initializer_list<const char *> list)
{
    QStringList result;
    for (const char *item : list)
        result << QString::fromUtf8(item);
    return result;
}

Options accepted(std::initializer_list<const char *> list)
{
    const ParseResult parsed = parseOptions(args(list));
    EXPECT_EQ(parsed.request, Request::Run) << parsed.error.toStdString();
    return parsed.options;
}

} // namespace

TEST(CliOptions, FallBackToTheWindowProgramsDefaults)
{
    const Options o = accepted({"--output", "out.bmp"});
    EXPECT_EQ(o.width, 320);
    EXPECT_EQ(o.height, 240);
    EXPECT_EQ(o.background, qRgb(180, 250, 200));
    EXPECT_EQ(o.quality, 75);
    EXPECT_EQ(o.combine, 0);
    EXPECT_TRUE(o.input.isEmpty());
    EXPECT_TRUE(o.operations.empty());
    EXPECT_EQ(o.output, QStringLiteral("out.bmp"));
    EXPECT_EQ(o.outputFormat, OutputFormat::Bmp);
}

TEST(CliOptions, AcceptAnyOrderBothValueFormsAndKeepTheOrderOfApply)
{
    const Options o = accepted({"--apply", "border", "--size=0640x480", "--output", "Out.JPEG", "--slot2", "b.gif",
                                "--combine", "onder-elkaar", "--apply=negative", "--quality", "0", "--background",
                                "0,255,7", "--slot1=a b.jpg", "--apply", "flip-vertical"});
    EXPECT_EQ(o.width, 640);
    EXPECT_EQ(o.height, 480);
    EXPECT_EQ(o.combine, 3);
    EXPECT_EQ(o.quality, 0);
    EXPECT_EQ(o.background, qRgb(0, 255, 7));
    EXPECT_EQ(o.slot1, QStringLiteral("a b.jpg"));
    EXPECT_EQ(o.slot2, QStringLiteral("b.gif"));
    EXPECT_EQ(o.outputFormat, OutputFormat::Jpeg);
    ASSERT_EQ(o.operations.size(), 3u);
    EXPECT_EQ(o.operations[0].kind, OperationKind::Border);
    EXPECT_EQ(o.operations[1].kind, OperationKind::Filter);
    EXPECT_EQ(o.operations[1].filterId, filter_ids::Negative);
    EXPECT_EQ(o.operations[2].kind, OperationKind::FlipVertical);
}

TEST(CliOptions, TakeCombineModesByNumberOrNameSizesOfUpToFourDigitsAndTheFormatByExtension)
{
    const std::pair<const char *, int> modes[] = {{"1", 1},           {"2", 2},        {"3", 3},
                                                  {"door-elkaar", 1}, {"painting", 2}, {"onder-elkaar", 3}};
    for (const auto &[text, index] : modes)
        EXPECT_EQ(accepted({"--combine", text, "--output", "x.bmp"}).combine, index) << text;
    const std::tuple<const char *, int, int> sizes[] = {
        {"0x0", 0, 0}, {"9999x9999", 9999, 9999}, {"1X1", 1, 1}, {"00320x000240", 320, 240}};
    for (const auto &[text, width, height] : sizes) {
        const Options o = accepted({"--size", text, "--output", "x.bmp"});
        EXPECT_EQ(QSize(o.width, o.height), QSize(width, height)) << text;
    }
    const std::pair<const char *, OutputFormat> outputs[] = {
        {"a.bmp", OutputFormat::Bmp},  {"a.BMP", OutputFormat::Bmp},  {"dir.jpg/a.bmp", OutputFormat::Bmp},
        {"a.jpg", OutputFormat::Jpeg}, {"a.Jpg", OutputFormat::Jpeg}, {"a.jpeg", OutputFormat::Jpeg},
        {"a.JPEG", OutputFormat::Jpeg}, {"a.png", OutputFormat::Png},   {"b.PNG", OutputFormat::Png}};
    for (const auto &[path, format] : outputs)
        EXPECT_EQ(accepted({"--output", path}).outputFormat, format) << path;
}

TEST(CliOptions, KnowEveryOperationOfTheMenuByName)
{
    const QStringList expected = args({"greyscale",     "negative",      "light",           "dark",
                                       "swap-colors-1", "swap-colors-2", "swap-colors-3",   "swap-colors-4",
                                       "swap-colors-5", "blur",          "sharpen",         "deffuse",
                                       "pixelize",      "emboss",        "engrave",         "relief",
                                       "edge",          "contour",       "aqua",            "addnoise",
                                       "gamma",         "coldept",       "contrast-neg",    "contrast-pos",
                                       "flip-horizontal", "flip-vertical", "border"});
    EXPECT_EQ(operationNames(), expected);

    // Each name reaches the filter id and parameter of its menu entry: the
    // end-to-end test compares every operation's pixels with the engine's.
    const Options o = accepted({"--apply", "contrast-neg", "--apply", "swap-colors-4", "--output", "x.bmp"});
    ASSERT_EQ(o.operations.size(), 2u);
    EXPECT_EQ(std::pair(o.operations[0].filterId, o.operations[0].parameter), std::pair(filter_ids::Contrast, -10));
    EXPECT_EQ(std::pair(o.operations[1].filterId, o.operations[1].parameter), std::pair(filter_ids::SwapColors, 4));
}

TEST(CliOptions, AnswerHelpAndVersionWhereverTheyStand)
{
    EXPECT_EQ(parseOptions(args({"--help"})).request, Request::Help);
    EXPECT_EQ(parseOptions(args({"--bogus", "--size", "1", "--help"})).request, Request::Help);
    EXPECT_EQ(parseOptions(args({"--version"})).request, Request::Version);
    EXPECT_EQ(parseOptions(args({"--output", "x.png", "--version"})).request, Request::Version);
    const QString help = usageText();
    for (const QString &name : operationNames())
        EXPECT_TRUE(help.contains(name)) << name.toStdString();
    for (const QString &line : help.split(QLatin1Char('\n')))
        EXPECT_LE(line.size(), 80) << line.toStdString();
}

TEST(CliOptions, RejectEveryMalformedOrConflictingCommandLineWithOneLineSaying)
{
    struct Case {
        std::initializer_list<const char *> arguments;
        const char *saying;
    };
    const Case cases[] = {
        {{}, "no options given"},
        {{"out.bmp"}, "unexpected argument 'out.bmp'"},
        {{"--output", "x.bmp", "--frobnicate"}, "unknown option '--frobnicate'"},
        {{"--output", "x.bmp", "-size", "3x3"}, "unexpected argument '-size'"},
        {{"--output", "x.bmp", "--size"}, "--size needs a value"},
        {{"--output", "x.bmp", "--size="}, "--size needs a value"},
        {{"--output", "--apply", "border"}, "--output needs a value"},
        {{"--output", "x.bmp", "--help=yes"}, "--help takes no value"},
        {{"--output", "x.bmp", "--size", "320"}, "malformed --size '320'"},
        {{"--output", "x.bmp", "--size", "320x"}, "malformed --size"},
        {{"--output", "x.bmp", "--size", "-1x5"}, "malformed --size"},
        {{"--output", "x.bmp", "--size", "+1x5"}, "malformed --size"},
        {{"--output", "x.bmp", "--size", "10000x5"}, "malformed --size"},
        {{"--output", "x.bmp", "--size", "5x99999999999"}, "malformed --size"},
        {{"--output", "x.bmp", "--size", " 5x5"}, "malformed --size"},
        {{"--output", "x.bmp", "--background", "1,2"}, "malformed --background '1,2'"},
        {{"--output", "x.bmp", "--background", "1,2,3,4"}, "malformed --background"},
        {{"--output", "x.bmp", "--background", "256,0,0"}, "malformed --background"},
        {{"--output", "x.bmp", "--background", "1,,3"}, "malformed --background"},
        {{"--output", "x.bmp", "--background", "-1,0,0"}, "malformed --background"},
        {{"--output", "x.bmp", "--quality", "100"}, "malformed --quality '100'"},
        {{"--output", "x.bmp", "--quality", "-1"}, "malformed --quality"},
        {{"--output", "x.bmp", "--quality", "7.5"}, "malformed --quality"},
        {{"--output", "x.bmp", "--combine", "4"}, "unknown --combine mode '4'"},
        {{"--output", "x.bmp", "--combine", "Painting"}, "unknown --combine mode"},
        {{"--output", "x.bmp", "--apply", "sepia"}, "unknown --apply operation 'sepia'"},
        {{"--output", "x.tif"}, "--output 'x.tif' must end in .bmp, .jpg, .jpeg or .png"},
        {{"--output", "bmp"}, "must end in .bmp"},
        {{"--size", "3x3"}, "no --output FILE given"},
        {{"--output", "x.bmp", "--size", "3x3", "--size", "4x4"}, "--size given more than once"},
        {{"--output", "x.bmp", "--output", "y.bmp"}, "--output given more than once"},
        {{"--output", "x.bmp", "--input", "a.bmp", "--slot1", "b.bmp"}, "--input cannot be used with --slot1"},
        {{"--output", "x.bmp", "--input", "a.bmp", "--combine", "1"}, "--input cannot be used with --combine"},
        {{"--output", "x.bmp", "--input", "a.bmp", "--size", "3x3"}, "--input cannot be used with --size"},
        {{"--output", "x.bmp", "--background", "1,2,3", "--input", "a.bmp"}, "--input cannot be used with --background"},
        {{"--output", "x.bmp", "--slot1", "a.bmp"}, "--slot1 needs --combine"},
        {{"--output", "x.bmp", "--slot2", "a.bmp"}, "--slot2 needs --combine"},
    };
    for (const Case &c : cases) {
        const ParseResult parsed = parseOptions(args(c.arguments));
        const QString shown = args(c.arguments).join(QLatin1Char(' '));
        ASSERT_EQ(parsed.request, Request::UsageError) << shown.toStdString();
        EXPECT_TRUE(parsed.error.contains(QString::fromUtf8(c.saying)))
            << shown.toStdString() << " said: " << parsed.error.toStdString();
        EXPECT_FALSE(parsed.error.contains(QLatin1Char('\n'))) << shown.toStdString();
    }
}
