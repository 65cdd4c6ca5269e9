// screen_grab FILE.png: saves the whole X screen of $DISPLAY as a PNG.
// screen_grab --pattern X Y: shows a 64 x 64 pattern at (X, Y) on that
// screen until it is killed, something known for the lens to magnify.
// The end-to-end tests use it to look at the real window under Xvfb.
#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>
#include <QRasterWindow>
#include <QScreen>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Squares of 4 x 4 pixels, each of its own colour.
class Pattern : public QRasterWindow {
protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        for (int y = 0; y < height(); y += 4)
            for (int x = 0; x < width(); x += 4)
                painter.fillRect(x, y, 4, 4, QColor(x * 4, y * 4, (x + y) % 256));
    }
};

} // namespace

int main(int argc, char **argv)
{
    const bool pattern = argc == 4 && std::strcmp(argv[1], "--pattern") == 0;
    if (argc != 2 && !pattern) {
        std::fprintf(stderr, "usage: screen_grab FILE.png | screen_grab --pattern X Y\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "xcb");
    QGuiApplication app(argc, argv);
    if (pattern) {
        Pattern window;
        window.setFlags(Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint);
        window.setGeometry(std::atoi(argv[2]), std::atoi(argv[3]), 64, 64);
        window.show();
        return app.exec();
    }
    QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen || !screen->grabWindow(0).save(QString::fromLocal8Bit(argv[1]), "PNG")) {
        std::fprintf(stderr, "screen_grab: cannot grab the screen into %s\n", argv[1]);
        return 1;
    }
    return 0;
}
