// The window's cost of one filter chosen from the menu: a real main window
// (with Qt's own services, on the offscreen platform unless told otherwise)
// at a working size of WIDTH x HEIGHT, two pictures of that size in the
// slots, combined into the result, then the named filters' menu entries
// in turn, ROUNDS times. Each filter is a new undo step, which the history
// keeps until its budget is full: memory that a window must take afresh
// for every step. With --undo each filter is undone at once (not counted),
// as a user who tries filters does; its memory then comes back for the
// next one. After each filter the window is left idle until it has readied
// the next filter's memory. Each line is a filter, the least and the most
// CPU time of the whole process (every thread, kernel time included) over
// its runs in ms, the median in between, and the median CPU time the idle
// window then spent readying memory; at the end the idle window's resident
// and lazily freeable memory, with --idle once more after the window has
// been left idle for a minute and a bit.
//
//   window_bench WIDTH HEIGHT ROUNDS [--undo] [--idle] [FILTER...]
//
// FILTER is a menu entry's command-line name (negative, blur, ...);
// default negative and blur.
#include "filters/filter_menu.h"
#include "platform/program_files.h"
#include "platform/qt_printer.h"
#include "platform/qt_services.h"
#include "shell/main_window.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

namespace {

double cpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

// A deterministic picture with detail everywhere, so no filter meets a
// flat shortcut.
QImage testPicture(int width, int height, unsigned seed)
{
    QImage image(width, height, QImage::Format_RGB32);
    unsigned state = seed * 2654435761u + 1;
    for (int y = 0; y < height; ++y) {
        auto *row = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            state = state * 1664525u + 1013904223u;
            row[x] = qRgb((x + int(state >> 28)) & 255, (y + int(state >> 20)) & 255, int(state >> 24) & 255);
        }
    }
    return image;
}

// The kB of a /proc/self/status or smaps_rollup line.
long kilobytes(const char *file, const char *field)
{
    QFile status(QString::fromLatin1(file));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(qsizetype(std::strlen(field))).trimmed().split(' ').value(0).toLong();
    return -1;
}

struct Entry {
    const mergola::FilterMenuEntry *entry;
    bool submenu;
};

bool findEntry(const std::string &name, Entry &found)
{
    for (const auto &entry : mergola::kFilMenu)
        if (name == entry.cliName)
            return found = {&entry, false}, true;
    for (const auto &entry : mergola::kFilsMenu)
        if (name == entry.cliName)
            return found = {&entry, true}, true;
    return false;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: window_bench WIDTH HEIGHT ROUNDS [--undo] [--idle] [FILTER...]\n");
        return 2;
    }
    const int width = std::atoi(argv[1]);
    const int height = std::atoi(argv[2]);
    const int rounds = std::atoi(argv[3]);
    std::vector<std::string> names;
    bool undo = false;
    bool idle = false;
    for (int i = 4; i < argc; ++i) {
        if (std::string(argv[i]) == "--undo")
            undo = true;
        else if (std::string(argv[i]) == "--idle")
            idle = true;
        else
            names.emplace_back(argv[i]);
    }
    if (names.empty())
        names = {"negative", "blur"};
    std::vector<Entry> entries(names.size());
    for (std::size_t i = 0; i < names.size(); ++i)
        if (!findEntry(names[i], entries[i])) {
            std::fprintf(stderr, "window_bench: no menu entry %s\n", names[i].c_str());
            return 2;
        }
    if (width <= 0 || height <= 0 || rounds <= 0)
        return 2;

    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir programDir;
    {
        QFile ini(programDir.filePath(QStringLiteral("Mergola.ini")));
        if (!ini.open(QIODevice::WriteOnly) ||
            ini.write(QByteArray::number(width) + ',' + QByteArray::number(height) + "\r\n75\r\n") <= 0)
            return 1;
    }
    const QString one = programDir.filePath(QStringLiteral("one.bmp"));
    const QString two = programDir.filePath(QStringLiteral("two.bmp"));
    if (!testPicture(width, height, 1).save(one, "BMP") || !testPicture(width, height, 2).save(two, "BMP"))
        return 1;

    mergola::QtBusyPointer pointer;
    mergola::QtEventLoopTurn eventLoop;
    mergola::QtPrinter printer(QStringLiteral("Mergola"));
    mergola::QtModalWindows modals;
    mergola::QtWebPages webPages;
    mergola::QtScreenReader screen;
    mergola::QtFileDialogs dialogs(nullptr);
    mergola::QtMessageBox messages(nullptr);
    mergola::MainServices services{&dialogs, &messages, &pointer, &eventLoop, &printer,
                                   &modals,  &webPages, &screen,  mergola::portableProgramFiles(programDir.path())};
    mergola::Main window(services);
    window.show();
    if (!window.Foto0_Drop(1, one) || !window.Foto0_Drop(2, two))
        return 1;
    window.CombineResult(1);
    const auto waitWhilePreparing = [&window] {
        while (window.preparingMemory()) {
            QApplication::processEvents();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    };
    QApplication::processEvents();
    waitWhilePreparing();

    std::vector<std::vector<double>> spentMs(names.size());
    std::vector<std::vector<double>> preparedMs(names.size());
    for (int round = 0; round < rounds; ++round)
        for (std::size_t i = 0; i < names.size(); ++i) {
            const double start = cpuMs();
            if (entries[i].submenu)
                window.fils_Click(entries[i].entry->index);
            else
                window.fil_Click(entries[i].entry->index);
            const double spent = cpuMs() - start;
            spentMs[i].push_back(spent);
            QApplication::processEvents();
            if (undo)
                window.EditUndo();
            // A user looks at the result before the next filter; meanwhile
            // the idle window readies the next filter's memory, on a thread
            // of its own. Its CPU time is counted apart.
            const double idleStart = cpuMs();
            waitWhilePreparing();
            preparedMs[i].push_back(cpuMs() - idleStart);
        }
    const auto median = [](std::vector<double> &runs) {
        std::sort(runs.begin(), runs.end());
        return runs[runs.size() / 2];
    };
    for (std::size_t i = 0; i < names.size(); ++i) {
        std::vector<double> &runs = spentMs[i];
        const double middle = median(runs);
        std::printf("%s %.1f %.1f %.1f %.1f\n", names[i].c_str(), runs.front(), middle, runs.back(),
                    median(preparedMs[i]));
    }
    const auto printMemory = [](const char *when) {
        std::printf("# %s: resident %ld kB, of it lazily freeable %ld kB\n", when,
                    kilobytes("/proc/self/status", "VmRSS:"), kilobytes("/proc/self/smaps_rollup", "LazyFree:"));
        std::fflush(stdout);
    };
    printMemory("idle at once");
    if (idle) {
        constexpr int kIdleMs = 62000;
        QTimer::singleShot(kIdleMs, &app, &QCoreApplication::quit);
        QApplication::exec();
        printMemory("idle 62 s");
    }
    return 0;
}
