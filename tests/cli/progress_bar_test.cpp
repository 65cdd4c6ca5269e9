#include "cli/progress_bar.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

using namespace mergola::cli;

namespace {

// Everything written to a temporary stream, read back as text.
std::string contentsOf(std::FILE *stream)
{
    std::fflush(stream);
    std::rewind(stream);
    std::string text;
    for (int c = std::fgetc(stream); c != EOF; c = std::fgetc(stream))
        text.push_back(char(c));
    return text;
}

} // namespace

TEST(ProgressBar, RedrawsOneLineInPlaceForEachNewValueAndWipesItAtTheEnd)
{
    std::FILE *stream = std::tmpfile();
    ASSERT_NE(stream, nullptr);
    ProgressBar bar(stream, true, 0);
    bar.begin(QStringLiteral("blur"));
    bar.report(0);
    bar.report(50);
    bar.report(50);
    bar.report(100);
    bar.end();
    const std::string text = contentsOf(stream);
    std::fclose(stream);

    EXPECT_EQ(text.find('\n'), std::string::npos) << "the bar never scrolls the terminal";
    const std::string half = "\rblur [###############...............]  50%";
    EXPECT_NE(text.find("\rblur [..............................]   0%"), std::string::npos) << text;
    EXPECT_NE(text.find(half), std::string::npos) << text;
    EXPECT_EQ(text.find(half), text.rfind(half)) << "an unchanged value is not drawn again";
    EXPECT_NE(text.find("\rblur [##############################] 100%"), std::string::npos) << text;
    const std::string wipe = "\r" + std::string(4 + 30 + 8, ' ') + "\r";
    ASSERT_GE(text.size(), wipe.size());
    EXPECT_EQ(text.substr(text.size() - wipe.size()), wipe) << "the line is blanked at the end";
}

TEST(ProgressBar, StaysSilentWhenNotOnATerminalOrWhenTheFilterIsQuick)
{
    for (const bool enabled : {false, true}) {
        std::FILE *stream = std::tmpfile();
        ASSERT_NE(stream, nullptr);
        // Enabled but with a delay no test run reaches: a quick filter.
        ProgressBar bar(stream, enabled, enabled ? 3'600'000 : 0);
        bar.begin(QStringLiteral("negative"));
        for (int percent = 0; percent <= 100; percent += 10)
            bar.report(percent);
        bar.end();
        EXPECT_EQ(contentsOf(stream), "") << "enabled " << enabled;
        std::fclose(stream);
    }
}
