#include <unistd.h>

#include <QApplication>

#include <gtest/gtest.h>

#include "platform/config/QLLog.h"

// Every test executable runs inside one QApplication on the offscreen
// platform, so widgets are real and grabbing pixmaps works headless.
int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("KLINEVIEW_HOME"))
        qputenv("KLINEVIEW_HOME", QByteArray("/tmp/klineview-test-home-") + QByteArray::number(qint64(getpid())));
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
