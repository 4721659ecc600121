#include <QApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "platform/config/QLLog.h"

#if defined(__SANITIZE_ADDRESS__)
#define KLINE_LSAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KLINE_LSAN 1
#endif
#endif
#ifdef KLINE_LSAN
#include <sanitizer/lsan_interface.h>
#endif

// Every test executable runs inside one QApplication on the offscreen
// platform, so widgets are real and grabbing pixmaps works headless. The
// user's data folder is a private temporary folder unless the caller set one.
int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    if (qEnvironmentVariableIsEmpty("KLINEVIEW_HOME"))
        qputenv("KLINEVIEW_HOME", home.path().toUtf8());
#ifdef KLINE_LSAN
    // The offscreen platform plugin never frees the screens and cursor it
    // makes here; Qt has no frame pointers, so a suppression could not tell
    // them from other objects. What the application makes at start is not
    // counted as leaked.
    __lsan_disable();
#endif
    QApplication app(argc, argv);
#ifdef KLINE_LSAN
    __lsan_enable();
#endif
    qlog::configureDefault();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
