// Test main: Qt wants an application object before fonts, pictures or
// widgets; widget tests get a QApplication. Runs on the offscreen platform
// unless told otherwise.
#ifdef MERGOLA_WIDGET_TESTS
#include <QApplication>
using Application = QApplication;
#else
#include <QGuiApplication>
using Application = QGuiApplication;
#endif
#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    if (qgetenv("QT_QPA_PLATFORM").isEmpty())
        qputenv("QT_QPA_PLATFORM", "offscreen");
    Application app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
