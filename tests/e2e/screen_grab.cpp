// screen_grab FILE.png: saves the whole X screen of $DISPLAY as a PNG.
// screen_grab --pattern X Y: shows a 64 x 64 pattern of 4 x 4 squares, each
// of its own colour, at (X, Y) until it is killed, for the lens to magnify.
#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>
#include <QRasterWindow>
#include <QScreen>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

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
    if (argc != 2 || !screen || !screen->grabWindow(0).save(QString::fromLocal8Bit(argv[1]), "PNG")) {
        std::fprintf(stderr, "usage: screen_grab FILE.png | screen_grab --pattern X Y (the screen was not saved)\n");
        return 1;
    }
    return 0;
}
