// GoogleTest entry point with a QApplication, so tests can use sockets, timers and widgets;
// the core's tests get a QCoreApplication and link no Widgets.
#include <gtest/gtest.h>

#ifdef KV_CORE_TESTS
#include <QCoreApplication>
using TestApplication = QCoreApplication;
#else
#include <QApplication>
using TestApplication = QApplication;
#endif

int main(int argc, char **argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    TestApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
