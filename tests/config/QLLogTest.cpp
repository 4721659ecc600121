#include <cstdio>

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "common/WriteFailure.h"
#include "platform/config/CLogCapture.h"
#include "platform/config/QLLog.h"

namespace demo {
// Writes through the member macros so the prefix carries this object.
class Writer
{
public:
    void request(int mainId, const QString& key)
    {
        QLLOG_INFO(qlog::kStdLogger, "mainID:%1%, requstID:%2%, range:%3% - %4%, key:%5%", mainId,
                   QStringLiteral("id-1"), 0, 10, key);
    }
    void anomaly() { QLLOG_WARN(qlog::kFormulaLogger, "bad result %1%", 3.5); }
    void wrongArgs() { QLLOG_ERROR(qlog::kStdLogger, "needs two %1% %2%", 1); }
};
} // namespace demo

TEST(Logging, QualifiedFunctionNames)
{
    EXPECT_EQ(qlog::qualifiedFunction("void TC::CKLineData::request(kelv::ERunMode, bool)"),
              "TC::CKLineData::request");
    EXPECT_EQ(qlog::qualifiedFunction("static int TC::A::f()"), "TC::A::f");
    EXPECT_EQ(qlog::qualifiedFunction("std::map<int, int> ns::B<T>::get(int) const [with T = int]"),
              "ns::B<T>::get");
    EXPECT_EQ(qlog::qualifiedFunction("bool X::operator()(int)"), "X::operator()");
    EXPECT_EQ(qlog::qualifiedFunction("const char* X::name() const"), "X::name");
    EXPECT_EQ(qlog::qualifiedFunction("main"), "main");
    EXPECT_EQ(qlog::qualifiedFunction(nullptr), "");
}

TEST(Logging, PrefixCarriesAddressAndFunction)
{
    qlog::CLogCapture capture(qlog::kStdLogger);
    demo::Writer w;
    w.request(5000, QStringLiteral("SH600000"));
    const auto lines = capture.lines();
    ASSERT_EQ(lines.size(), 1u);
    char addr[40];
    std::snprintf(addr, sizeof addr, "%lld", static_cast<long long>(reinterpret_cast<intptr_t>(&w)));
    EXPECT_EQ(lines[0].text, std::string("[") + addr +
                                 "] [demo::Writer::request] mainID:5000, requstID:id-1, range:0 - 10, key:SH600000");
    EXPECT_EQ(lines[0].level, qlog::LevelInfo);
}

TEST(Logging, LevelsAndLoggersAreSeparate)
{
    qlog::CLogCapture std_(qlog::kStdLogger);
    qlog::CLogCapture formula(qlog::kFormulaLogger);
    demo::Writer w;
    w.anomaly();
    EXPECT_TRUE(std_.lines().empty());
    ASSERT_EQ(formula.lines().size(), 1u);
    EXPECT_EQ(formula.lines()[0].level, qlog::LevelWarn);
    EXPECT_TRUE(formula.contains("bad result 3.5"));
}

TEST(Logging, WrongArgumentCountIsReportedNotThrown)
{
    qlog::CLogCapture capture(qlog::kStdLogger);
    demo::Writer w;
    EXPECT_NO_THROW(w.wrongArgs());
    ASSERT_EQ(capture.lines().size(), 1u);
    EXPECT_EQ(capture.lines()[0].level, qlog::LevelError);
    EXPECT_TRUE(capture.contains("format error"));
    EXPECT_TRUE(capture.contains("needs two"));
}

TEST(Logging, FreeFunctionsPrintAddressZero)
{
    qlog::CLogCapture capture(qlog::kStdLogger);
    QLLOG_INFO_S(qlog::kStdLogger, "hello %1%", std::string("世界"));
    ASSERT_EQ(capture.lines().size(), 1u);
    EXPECT_EQ(capture.lines()[0].text.rfind("[0] [", 0), 0u);
    EXPECT_TRUE(capture.contains("hello 世界"));
}

TEST(Logging, DefaultConfigurationWritesUnderTheUserFolder)
{
    // The test main points KLINEVIEW_HOME at a private folder.
    qlog::configureDefault();
    qlog::configureDefault(); // idempotent
    const QString file = qlog::defaultLogFile();
    ASSERT_FALSE(file.isEmpty());
    EXPECT_TRUE(file.startsWith(qEnvironmentVariable("KLINEVIEW_HOME")));
    demo::Writer w;
    w.request(5001, QStringLiteral("SZ000001"));
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray text = f.readAll();
    EXPECT_TRUE(text.contains("mainID:5001")) << text.constData();
    EXPECT_TRUE(text.contains("QLStdFile"));
}

TEST(Logging, AFullDiskDropsFileLinesWithoutThrowingAndTheNextLinesArrive)
{
    qlog::configureDefault();
    const QString file = qlog::defaultLogFile();
    demo::Writer w;
    w.request(6001, QStringLiteral("SZ000001"));
    const qint64 before = QFileInfo(file).size();
    ASSERT_GT(before, 0);
    qlog::CLogCapture capture(qlog::kStdLogger);
    {
        // The log file cannot grow: its appender fails, the line must still
        // reach the later appenders and the caller must not see an exception.
        ktest::ScopedFileSizeLimit full{rlim_t(before)};
        EXPECT_NO_THROW(w.request(6002, QStringLiteral("SZ000002")));
        EXPECT_NO_THROW(QLLOG_ERROR_S(qlog::kStdLogger, "disk full %1%", 1));
    }
    EXPECT_TRUE(capture.contains("mainID:6002"));
    EXPECT_TRUE(capture.contains("disk full 1"));
    EXPECT_EQ(QFileInfo(file).size(), before);
    w.request(6003, QStringLiteral("SZ000003"));
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray text = f.readAll();
    EXPECT_TRUE(text.contains("mainID:6003"));
    EXPECT_FALSE(text.contains("mainID:6002"));
}
