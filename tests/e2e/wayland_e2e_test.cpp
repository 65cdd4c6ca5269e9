// The real mergola on a headless Wayland desktop (run inside
// scripts/wayland-session.sh), natively and through XWayland: the lens,
// switched on with a virtual pointer, shows the screen's pixels under it
// through the portal's screen cast, and the cast is gone once it is off.
// This desktop's portal sends no pointer position, so the pointer stays
// over Mergola's own window, where the program knows it.
#include "platform/picture.h"
#include "support/wait_for_events.h"
#include "support/test_files.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <wayland-client.h>

#include "wlr-virtual-pointer-client.h"

#include <ctime>

using namespace mergola::testing;

namespace {

constexpr QSize kDesktop(1280, 720);
constexpr QPoint kLoepKnop(436 + 10 + 38, 356 + 18 + 12);
constexpr QPoint kExitKnop(620 + 82 + 33, 356 + 148 + 11);
constexpr QRect kLensArea(436 + 8 + 2, 356 + 52 + 2, 155, 88);
// Over slot 1's prompt, whose letters give the lens something to show;
// the window is put where it would not open by itself.
constexpr QPoint kOverPrompt(17 + 150, 16 + 100);
constexpr QPoint kWindowPlace(40, 30);
constexpr std::uint32_t kLeftButton = 0x110; // BTN_LEFT

// A pointer that moves and clicks as a person's would, through wlroots'
// virtual pointer protocol.
class VirtualPointer {
public:
    VirtualPointer() : m_display(wl_display_connect(nullptr))
    {
        if (!m_display)
            return;
        static const wl_registry_listener listener{[](void *self, wl_registry *registry, std::uint32_t name,
                                                      const char *interface, std::uint32_t) {
            auto *me = static_cast<VirtualPointer *>(self);
            if (std::string_view(interface) == zwlr_virtual_pointer_manager_v1_interface.name)
                me->m_manager = static_cast<zwlr_virtual_pointer_manager_v1 *>(
                    wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1));
        }, [](void *, wl_registry *, std::uint32_t) {}};
        m_registry = wl_display_get_registry(m_display);
        wl_registry_add_listener(m_registry, &listener, this);
        wl_display_roundtrip(m_display);
        if (m_manager)
            m_pointer = zwlr_virtual_pointer_manager_v1_create_virtual_pointer(m_manager, nullptr);
        wl_display_roundtrip(m_display);
    }
    ~VirtualPointer()
    {
        if (m_pointer)
            zwlr_virtual_pointer_v1_destroy(m_pointer), zwlr_virtual_pointer_manager_v1_destroy(m_manager);
        if (m_display)
            wl_registry_destroy(m_registry), wl_display_disconnect(m_display);
    }
    bool usable() const { return m_pointer != nullptr; }
    void moveTo(QPoint at)
    {
        zwlr_virtual_pointer_v1_motion_absolute(m_pointer, now(), std::uint32_t(at.x()), std::uint32_t(at.y()),
                                                std::uint32_t(kDesktop.width()), std::uint32_t(kDesktop.height()));
        zwlr_virtual_pointer_v1_frame(m_pointer);
        wl_display_roundtrip(m_display);
    }
    void click()
    {
        for (std::uint32_t state : {WL_POINTER_BUTTON_STATE_PRESSED, WL_POINTER_BUTTON_STATE_RELEASED}) {
            zwlr_virtual_pointer_v1_button(m_pointer, now(), kLeftButton, state);
            zwlr_virtual_pointer_v1_frame(m_pointer);
        }
        wl_display_roundtrip(m_display);
    }

private:
    static std::uint32_t now() { return std::uint32_t(std::clock() / (CLOCKS_PER_SEC / 1000)); }
    wl_display *m_display;
    wl_registry *m_registry = nullptr;
    zwlr_virtual_pointer_manager_v1 *m_manager = nullptr;
    zwlr_virtual_pointer_v1 *m_pointer = nullptr;
};

QByteArray outputOf(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(10000);
    return process.readAllStandardOutput();
}

// Where the compositor shows the window of process pid; empty while none.
QRect windowOf(qint64 pid, const QJsonObject &node)
{
    if (node.value("pid").toInteger() == pid) {
        const QJsonObject r = node.value("rect").toObject();
        return {r.value("x").toInt(), r.value("y").toInt(), r.value("width").toInt(), r.value("height").toInt()};
    }
    for (const char *children : {"nodes", "floating_nodes"}) {
        for (const QJsonValue &child : node.value(children).toArray()) {
            if (const QRect found = windowOf(pid, child.toObject()); !found.isEmpty())
                return found;
        }
    }
    return {};
}

QRect windowOf(qint64 pid)
{
    return windowOf(pid, QJsonDocument::fromJson(outputOf("swaymsg", {"-t", "get_tree", "-r"})).object());
}

QImage screenshot(const QString &path)
{
    QFile::remove(path);
    outputOf("grim", {path});
    return QImage(path).convertToFormat(QImage::Format_RGB32);
}

bool castRunning()
{
    return outputOf("pw-cli", {"ls", "Node"}).contains("Stream/Input/Video");
}

void lensShowsThePixelsUnderThePointer(const char *platform)
{
    VirtualPointer pointer;
    if (!pointer.usable())
        GTEST_SKIP() << "not on a wlroots Wayland desktop (run through scripts/wayland-session.sh)";
    QTemporaryDir folder;
    const QString program = folder.filePath("mergola");
    ASSERT_TRUE(QFile::copy(builtProgramDir() + "/mergola", program));
    QProcess mergola;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", platform);
    // Whole stacks under the sanitizers, so that what Qt's Wayland plugin
    // keeps till the end can be told from a leak of ours.
    if (environment.contains("ASAN_OPTIONS"))
        environment.insert("ASAN_OPTIONS", environment.value("ASAN_OPTIONS") + ":fast_unwind_on_malloc=0");
    mergola.setProcessEnvironment(environment);
    mergola.setProcessChannelMode(QProcess::ForwardedChannels);
    mergola.start(program, {});
    ASSERT_TRUE(mergola.waitForStarted(5000));
    ASSERT_TRUE(waitForEvents([&] { return !windowOf(mergola.processId()).isEmpty(); })) << "no window";
    const QString place = QStringLiteral("%1 %2").arg(kWindowPlace.x()).arg(kWindowPlace.y());
    outputOf("swaymsg", {QStringLiteral("[pid=%1] move position %2").arg(mergola.processId()).arg(place)});
    // Shown there with its two coloured displays: ready for the pointer.
    ASSERT_TRUE(waitForEvents([&] {
        const QImage shot = screenshot(folder.filePath("shot.png"));
        return windowOf(mergola.processId()).topLeft() == kWindowPlace &&
               shot.pixel(kWindowPlace + QPoint(20, 290)) == qRgb(180, 250, 200) &&
               shot.pixel(kWindowPlace + QPoint(452, 20)) == qRgb(192, 192, 255);
    }));

    pointer.moveTo(kWindowPlace + kLoepKnop);
    pointer.click();
    ASSERT_TRUE(waitForEvents(castRunning)) << "the lens started no screen cast";
    const QPoint under = kWindowPlace + kOverPrompt;
    pointer.moveTo(under);
    // Magnification 3: 52 x 29 screen pixels, 26 left of and 14 above the
    // pointer, stretched over the lens. The pointer shows in both: this
    // compositor draws it into its pictures.
    QImage shot;
    mergola::Picture expected(kLensArea.width(), kLensArea.height(), qRgb(224, 224, 224));
    EXPECT_TRUE(waitForEvents([&] {
        shot = screenshot(folder.filePath("shot.png"));
        if (shot.isNull())
            return false;
        expected.drawStretched(shot.copy(QRect(under - QPoint(26, 14), QSize(52, 29))), QRect(QPoint(), kLensArea.size()));
        return shot.copy(kLensArea.translated(kWindowPlace)) == expected.image();
    })) << "the lens box does not show what is under the pointer";

    pointer.moveTo(kWindowPlace + kLoepKnop);
    pointer.click();
    EXPECT_TRUE(waitForEvents([] { return !castRunning(); })) << "the screen cast outlived the lens";
    // On again, and leaving the program ends the cast as well.
    pointer.click();
    ASSERT_TRUE(waitForEvents(castRunning));
    pointer.moveTo(kWindowPlace + kExitKnop);
    pointer.click();
    EXPECT_TRUE(mergola.waitForFinished(20000) && mergola.exitCode() == 0);
    EXPECT_TRUE(waitForEvents([] { return !castRunning(); })) << "the screen cast outlived the program";
}

} // namespace

TEST(WaylandDesktop, TheLensOfANativeWaylandWindowShowsThePixelsUnderThePointer)
{
    lensShowsThePixelsUnderThePointer("wayland");
}

TEST(WaylandDesktop, TheLensOfAnX11WindowThroughXWaylandShowsThePixelsUnderThePointerNotBlack)
{
    lensShowsThePixelsUnderThePointer("xcb");
}
