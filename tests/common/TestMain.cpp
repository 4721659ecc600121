#include <QApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "platform/config/QLLog.h"

// Every test executable runs inside one QApplication on the offscreen
// platform, so widgets are real and grabbing pixmaps works headless. The
// user's data folder is a private temporary folder unless the caller set one.
int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    if (qEnvironmentVariableIsEmpty("KLINEVIEW_HOME"))
        qputenv("KLINEVIEW_HOME", home.path().toUtf8());
    QApplication app(argc, argv);
    qlog::configureDefault();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
