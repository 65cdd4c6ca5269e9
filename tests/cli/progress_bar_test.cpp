#include "cli/progress_bar.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

using namespace mergola::cli;

namespace {

// Runs a filter's reports through a bar on a temporary stream and returns what it wrote.
std::string drawn(bool enabled, qint64 showAfterMilliseconds, std::initializer_list<int> percents)
{
    std::FILE *stream = std::tmpfile();
    ProgressBar bar(stream, enabled, showAfterMilliseconds);
    bar.begin(QStringLiteral("blur"));
    for (int percent : percents)
        bar.report(percent);
    bar.end();
    std::rewind(stream);
    std::string text;
    for (int c = std::fgetc(stream); c != EOF; c = std::fgetc(stream))
        text.push_back(char(c));
    std::fclose(stream);
    return text;
}

} // namespace

TEST(ProgressBar, RedrawsOneLineInPlaceOnATerminalOnceTheFilterTakesAWhileAndWipesItAtTheEnd)
{
    // Never a new line, an unchanged value not drawn again, and the line blanked at the end.
    const std::string wipe = "\r" + std::string(4 + 30 + 8, ' ') + "\r";
    EXPECT_EQ(drawn(true, 0, {0, 50, 50, 100}), "\rblur [..............................]   0%"
                                                "\rblur [###############...............]  50%"
                                                "\rblur [##############################] 100%" + wipe);
    EXPECT_EQ(drawn(false, 0, {0, 10, 50, 100}), "") << "not on a terminal";
    EXPECT_EQ(drawn(true, 3'600'000, {0, 10, 50, 100}), "") << "a delay no test run reaches";
}
