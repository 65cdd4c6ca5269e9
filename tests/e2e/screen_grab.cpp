// screen_grab FILE.png: saves the whole X screen of $DISPLAY as a PNG, so
// that the end-to-end tests can look at the real window under Xvfb.
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

#include <cstdio>

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "xcb");
    QGuiApplication app(argc, argv);
    QScreen *screen = QGuiApplication::primaryScreen();
    if (argc != 2 || !screen || !screen->grabWindow(0).save(QString::fromLocal8Bit(argv[1]), "PNG")) {
        std::fprintf(stderr, "usage: screen_grab FILE.png (the screen could not be saved there)\n");
        return 1;
    }
    return 0;
}
