// The chart's requests to the host window: a connected window gets them, and
// without one they are logged and dropped.
#include <gtest/gtest.h>

#include <QSignalSpy>

#include "platform/config/CLogCapture.h"
#include "platform/config/QLLog.h"
#include "platform/indexui/CIndexMainWindowHelper.h"

using TC::CIndexMainWindowHelper;

TEST(IndexMainWindowHelper, UnhandledRequestsAreLoggedAtInfo)
{
    CIndexMainWindowHelper* helper = CIndexMainWindowHelper::inst();
    ASSERT_EQ(helper, CIndexMainWindowHelper::inst());
    qlog::CLogCapture log(qlog::kStdLogger);
    helper->contrastSector(QStringLiteral("SH600000"));
    helper->exportFormula(QStringLiteral("MACD"));
    helper->refresh();
    const std::vector<qlog::CLogCapture::Line> lines = log.lines();
    ASSERT_EQ(lines.size(), 3u);
    for (const auto& l : lines) {
        EXPECT_EQ(l.level, qlog::LevelInfo);
        EXPECT_NE(l.text.find("no main window handles"), std::string::npos) << l.text;
    }
    EXPECT_TRUE(log.contains("SH600000"));
    EXPECT_TRUE(log.contains("MACD"));
}

TEST(IndexMainWindowHelper, ConnectedWindowReceivesEachRequestWithItsArgument)
{
    CIndexMainWindowHelper* helper = CIndexMainWindowHelper::inst();
    QSignalSpy sector(helper, &CIndexMainWindowHelper::sectorAnalysisRequested);
    QSignalSpy exported(helper, &CIndexMainWindowHelper::exportFormulaRequested);
    qlog::CLogCapture log(qlog::kStdLogger);
    helper->contrastSector(QStringLiteral("SZ000651"));
    helper->exportFormula(QStringLiteral("KDJ"));
    ASSERT_EQ(sector.count(), 1);
    EXPECT_EQ(sector.at(0).at(0).toString(), QStringLiteral("SZ000651"));
    ASSERT_EQ(exported.count(), 1);
    EXPECT_EQ(exported.at(0).at(0).toString(), QStringLiteral("KDJ"));
    EXPECT_FALSE(log.contains("no main window handles sector"));
    // Refresh has no receiver here: only it is logged.
    helper->refresh();
    EXPECT_TRUE(log.contains("no main window handles refresh"));
    QSignalSpy refreshed(helper, &CIndexMainWindowHelper::refreshRequested);
    helper->refresh();
    EXPECT_EQ(refreshed.count(), 1);
}
