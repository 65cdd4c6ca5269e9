#include "shell/lens_cast.h"

#include "platform/portal_screen_reader.h"
#include "support/fake_desktop.h"
#include "window_fixture.h"

using namespace mergola;
using namespace mergola::testing;

// The window on a Wayland desktop whose portal the test plays.
class LensCast : public WindowFixture {
protected:
    void SetUp() override {}
};

TEST_F(LensCast, ARefusedCastSwitchesTheLensOffWithOneLineAndTheNextClickAsksAgain)
{
    FakeDesktop desktop;
    if (!desktop.start())
        GTEST_SKIP() << "no dbus-daemon or python3-dbus here for a portal of the test's own";
    desktop.tell("start-response 1");
    PortalScreenReader cast(programDir.filePath("token"), 40, desktop.bus());
    services = {&dialogs, &messages, &pointer, &eventLoop, &printer, &modals, &webPages, &cast,
                portableProgramFiles(programDir.path())};
    window = std::make_unique<Main>(services);
    runCastWithLens(*window, cast);
    auto *loepKnop = child<QPushButton>("LoepKnop");
    const QImage idle = child<PictureBox>("LoepPic")->picture().image();

    loepKnop->click();
    ASSERT_TRUE(desktop.waitForCall("Start"));
    ASSERT_TRUE(waitForEvents([&] { return !window->lensOn(); })) << "the lens stays on without a screen";
    const QImage refused = child<PictureBox>("LoepPic")->picture().image();
    EXPECT_NE(refused, idle) << "the box says why, not just \"Lens\"";
    EXPECT_NE(refused.pixel(10, 42), refused.pixel(0, 0)) << "one line of text at (6, 36)";

    loepKnop->click();
    EXPECT_TRUE(desktop.waitForCall("CreateSession")) << "asked again";
    EXPECT_TRUE(cast.isRunning());
    loepKnop->click();
    EXPECT_FALSE(cast.isRunning());
    EXPECT_EQ(child<PictureBox>("LoepPic")->picture().image(), idle);
}
