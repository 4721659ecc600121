#include <set>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include <QDateTime>
#include <QFileInfo>

#include "common/TestHelpers.h"
#include "platform/config/CAppConfig.h"
#include "platform/config/CUserConfig.h"
#include "platform/config/TimeText.h"

TEST(AppConfig, ClientTypeAndConciseStyleAreSettable)
{
    {
        ktest::ScopedClientType ct(3);
        EXPECT_TRUE(TC::CAppConfig::isClientType(3));
        EXPECT_FALSE(TC::CAppConfig::isClientType(2));
    }
    EXPECT_TRUE(TC::CAppConfig::isClientType(0));
    TC::getConfig()->setConciseStyle(true);
    EXPECT_TRUE(TC::getConfig()->conciseStyle());
    TC::getConfig()->setConciseStyle(false);
}

TEST(AppConfig, FoldersExist)
{
    EXPECT_EQ(TC::CAppConfig::userDataDir(), qEnvironmentVariable("KLINEVIEW_HOME"));
    EXPECT_TRUE(QFileInfo(TC::CAppConfig::dataDir() + QStringLiteral("/real")).isDir());
}

TEST(AppConfig, PositionIdsAreUniqueAcrossThreads)
{
    std::vector<std::vector<int>> got(4);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < 500; ++i)
                got[t].push_back(TC::genPositionID());
        });
    for (auto& th : threads)
        th.join();
    std::set<int> all;
    for (const auto& v : got)
        all.insert(v.begin(), v.end());
    EXPECT_EQ(all.size(), 2000u);
    EXPECT_GE(*all.begin(), 10000); // never meets the chart numbers from 5000
}

TEST(UserConfig, CanBeAbsentAndRestored)
{
    {
        ktest::ScopedUserConfig none(nullptr);
        EXPECT_EQ(TC::getUserConfig(), nullptr);
    }
    ASSERT_NE(TC::getUserConfig(), nullptr);
    TC::CWinnerSetting s;
    EXPECT_FALSE(TC::getUserConfig()->getWinnerSetting(QStringLiteral("none"), 0, s));
    EXPECT_EQ(s.type, -1);
}

TEST(UserConfig, IndexUserConfigRoundTripAndModules)
{
    auto* store = TC::SingletonManager::getIndexUserConfig();
    TC::CIndexUserConfig c = store->get();
    const bool old = c.showParamRank;
    c.showParamRank = !old;
    store->set(c);
    EXPECT_EQ(store->get().showParamRank, !old);
    c.showParamRank = old;
    store->set(c);

    const QStringList both{QStringLiteral("mdl_ui_custom"), QStringLiteral("mdl_ui_custom_use_fixed_attached_figure")};
    EXPECT_TRUE(luawrapper::LuaModuleCtrl::checkModule(both));
    luawrapper::LuaModuleCtrl::setModuleEnabled(both[1], false);
    EXPECT_FALSE(luawrapper::LuaModuleCtrl::checkModule(both));
    EXPECT_TRUE(luawrapper::LuaModuleCtrl::checkModule({both[0]}));
    luawrapper::LuaModuleCtrl::setModuleEnabled(both[1], true);
    EXPECT_TRUE(luawrapper::LuaModuleCtrl::checkModule(both));
}

TEST(TimeText, LogAndTipForms)
{
    const qint64 ms = QDateTime(QDate(2024, 3, 5), QTime(9, 31, 2, 7)).toMSecsSinceEpoch();
    EXPECT_EQ(utils::millisecondsToTime(ms), QStringLiteral("2024-03-05 09:31:02.007"));
    EXPECT_EQ(utils::millisecondsToDate(ms), QStringLiteral("2024-03-05"));
    EXPECT_EQ(TC::getPythonDir(), TC::CAppConfig::userDataDir() + QStringLiteral("/python"));
}
