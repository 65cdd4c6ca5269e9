#include "shell/command_line.h"

#include <gtest/gtest.h>

using namespace mergola;
using Request = WindowCommandLine::Request;

TEST(WindowCommandLine, TakesTwoFilesForTheSlotsAndAnswersHelpVersionAndUnknownOptions)
{
    const struct {
        QStringList arguments;
        Request request;
        QStringList files;
        QStringList ignored;
    } cases[] = {
        {{}, Request::Run, {}, {}},
        {{"a.png", "b.tif", "c.jpg", "d.gif"}, Request::Run, {"a.png", "b.tif"}, {"c.jpg", "d.gif"}},
        {{"--", "-dash.png", "--help"}, Request::Run, {"-dash.png", "--help"}, {}},
        {{"a.png", "--help"}, Request::Help, {}, {}},
        {{"-h"}, Request::Help, {}, {}},
        {{"--bogus", "--version"}, Request::Version, {}, {}},
        {{"a.png", "-x"}, Request::UsageError, {}, {}},
    };
    for (const auto &c : cases) {
        const WindowCommandLine line = parseWindowArguments(c.arguments);
        const std::string trace = c.arguments.join(QLatin1Char(' ')).toStdString();
        EXPECT_EQ(line.request, c.request) << trace;
        EXPECT_EQ(line.files, c.files) << trace;
        EXPECT_EQ(line.ignored, c.ignored) << trace;
    }
    EXPECT_EQ(parseWindowArguments({"--bogus"}).error, QStringLiteral("unknown option '--bogus' (see --help)"));
}
