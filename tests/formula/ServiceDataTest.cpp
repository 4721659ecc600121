// The formula service's data calls: ranking lists on a worker thread, market
// hours, the history download's progress, ex-rights records and the external
// data catalogues.
#include <algorithm>

#include <QCoreApplication>
#include <QMutex>
#include <QSet>
#include <QTest>
#include <QThread>

#include <gtest/gtest.h>

#include "platform/formula/engine/CFormulaEngine.h"
#include "platform/formula/service/CExternalDataManager.h"
#include "platform/formula/service/CFormulaManager.h"
#include "platform/formula/service/CWindDataManager.h"
#include "platform/formula/service/KelvDataSource.h"
#include "platform/market/CLocalTimeConverter.h"
#include "platform/market/CMarketStore.h"
#include "platform/market/CSampleMarketGenerator.h"

using TC::CFormulaManager;

namespace {

CFormulaManager* manager()
{
    return CFormulaManager::instance();
}
TC::CMarketStore* store()
{
    return TC::CFormulaEngine::store();
}

} // namespace

TEST(ServiceData, rankListArrivesOnAWorkerThreadWithTheStoresRecords)
{
    const QString key = QLatin1String(TC::CSampleMarketGenerator::rankListStock());
    const QVector<TC::CRankListRecord> expected = store()->rankList(key);
    ASSERT_FALSE(expected.isEmpty());

    struct Delivery {
        int type = -1;
        QString key;
        CFormulaManager::RankListByDay byDay;
        QThread* thread = nullptr;
    };
    QMutex mutex;
    QVector<Delivery> deliveries;
    auto callback = [&](const std::string& market, const std::string& code,
                        const CFormulaManager::RankListByDay& byDay, int type) {
        QMutexLocker lock(&mutex);
        deliveries.append({type, QString::fromStdString(market + code), byDay, QThread::currentThread()});
    };
    manager()->getLongHuBangDataFromLocalSqlite(key.left(2), key.mid(2), callback);
    manager()->requestLonghubangData(key.left(2), key.mid(2), callback);
    manager()->requestLonghubangData("SH", "600000", callback); // no ranking-list days
    manager()->waitForWorkers();

    ASSERT_EQ(deliveries.size(), 3);
    std::sort(deliveries.begin(), deliveries.end(), [](const Delivery& a, const Delivery& b) {
        return a.key != b.key ? a.key > b.key : a.type < b.type;
    });
    EXPECT_EQ(deliveries[0].type, CFormulaManager::kLongHuBangLocal);
    EXPECT_EQ(deliveries[1].type, CFormulaManager::kLongHuBangNetwork);
    for (const Delivery& d : deliveries)
        EXPECT_NE(d.thread, QCoreApplication::instance()->thread());
    EXPECT_TRUE(deliveries[2].byDay.isEmpty());

    const CFormulaManager::RankListByDay& byDay = deliveries[0].byDay;
    EXPECT_EQ(deliveries[0].key, key);
    int count = 0;
    for (auto it = byDay.cbegin(); it != byDay.cend(); ++it)
        count += it->size();
    ASSERT_EQ(count, expected.size());
    for (const TC::CRankListRecord& r : expected) {
        ASSERT_TRUE(byDay.contains(r.time));
        const auto& info = *byDay.value(r.time).first();
        EXPECT_EQ(info.timeMs, r.time);
        EXPECT_EQ(info.key, key.toStdString());
        EXPECT_EQ(QString::fromStdString(info.reason), r.reason);
        ASSERT_EQ(int(info.buyers.size()), r.buyers.size());
        EXPECT_EQ(QString::fromStdString(info.buyers[0].first), r.buyers[0].name);
        EXPECT_EQ(info.sellers[0].second, r.sellers[0].amount);
    }
}

TEST(ServiceData, openCloseTimesAreTheSessionsOfTheLastTradingDay)
{
    QMap<QString, QVector<QPair<qint64, qint64>>> map;
    manager()->requestMarketOpenCloseTime(map);
    EXPECT_EQ(map.keys(), store()->markets());
    const QDate day = TC::CLocalTimeConverter::dateOf(store()->lastTradingDay("SH"));
    const QVector<QPair<qint64, qint64>> sh = map.value("SH");
    ASSERT_EQ(sh.size(), 2);
    EXPECT_EQ(sh[0].first, TC::CLocalTimeConverter::timeAt(day, 570) * 1000);
    EXPECT_EQ(sh[0].second, TC::CLocalTimeConverter::timeAt(day, 690) * 1000);
    EXPECT_EQ(sh[1].first, TC::CLocalTimeConverter::timeAt(day, 780) * 1000);
    EXPECT_EQ(kelv::getOpenCloseTime("SH", "600000"), sh);
    for (const auto& pairs : map) {
        for (const auto& p : pairs)
            EXPECT_LT(p.first, p.second);
    }
    EXPECT_TRUE(kelv::getOpenCloseTime("NOPE").isEmpty());
}

namespace {

struct SuppleStep {
    int done, total;
    QString text, key;
};

TC::CHistoryDataParam historyOf(const QString& market, const QString& code, qint64 periodMs)
{
    TC::CHistoryDataParam p;
    p.markets << market;
    p.codes << code;
    p.periodMs = periodMs;
    p.rangeStart = quoter::TimeSeq::TIME_START;
    p.rangeEnd = quoter::TimeSeq::TIME_LASTED;
    return p;
}

} // namespace

TEST(ServiceData, aHistoryDownloadReportsOneStepPerChunkFromTheEventLoop)
{
    QVector<SuppleStep> steps;
    auto progress = [&](int done, int total, QString text, QString key) {
        steps.append({done, total, text, key});
    };
    // Day bars of the whole history: one chunk per calendar year with bars.
    const TC::CHistoryDataParam all = historyOf("SH", "600000", 86400000);
    QSet<int> years;
    for (const quoter::CBar& b : store()->dayBars("SH600000"))
        years.insert(QDateTime::fromSecsSinceEpoch(b.time).date().year());
    ASSERT_GT(years.size(), 5);
    manager()->suppleDataFromServer(CFormulaManager::kSuppleDataKey, all, progress);
    EXPECT_TRUE(steps.isEmpty()); // nothing before the event loop runs
    QTRY_COMPARE_WITH_TIMEOUT(steps.size(), years.size(), 5000);
    QCoreApplication::processEvents();
    EXPECT_EQ(steps.size(), years.size());
    for (int i = 0; i < steps.size(); ++i) {
        EXPECT_EQ(steps[i].done, i + 1);
        EXPECT_EQ(steps[i].total, years.size());
        EXPECT_EQ(steps[i].key, CFormulaManager::kSuppleDataKey);
    }
    const int firstYear = *std::min_element(years.begin(), years.end());
    EXPECT_TRUE(steps.first().text.contains(QString::number(firstYear))) << steps.first().text.toStdString();
    EXPECT_EQ(steps.last().text, QStringLiteral("补充数据完成"));

    // Minute bars over the last three trading days with minute bars.
    const QVector<quoter::CBar> minutes = store()->minuteBars("SH600000");
    ASSERT_FALSE(minutes.isEmpty());
    QVector<QDate> days;
    for (int i = minutes.size() - 1; i >= 0 && days.size() < 3; --i) {
        const QDate d = QDateTime::fromSecsSinceEpoch(minutes[i].time).date();
        if (days.isEmpty() || days.last() != d)
            days.append(d);
    }
    ASSERT_EQ(days.size(), 3);
    TC::CHistoryDataParam three = historyOf("SH", "600000", 300000);
    three.rangeStart = quoter::TimeSeq{QDateTime(days.last(), QTime(9, 0)).toMSecsSinceEpoch(), 0};
    three.rangeEnd = quoter::TimeSeq{QDateTime(days.first(), QTime(15, 0)).toMSecsSinceEpoch(), 0};
    steps.clear();
    manager()->suppleDataFromServer(CFormulaManager::kSuppleDataKey, three, progress);
    QTRY_COMPARE_WITH_TIMEOUT(steps.size(), 3, 5000);
    QCoreApplication::processEvents();
    EXPECT_EQ(steps.size(), 3);
    EXPECT_EQ(steps.last().done, 3);
    EXPECT_EQ(steps.last().total, 3);
    EXPECT_TRUE(steps.first().text.contains(days.last().toString(QStringLiteral("yyyy/MM/dd"))));
}

TEST(ServiceData, aHistoryDownloadThatCannotRunSaysWhy)
{
    QVector<SuppleStep> steps;
    auto progress = [&](int done, int total, QString text, QString key) {
        steps.append({done, total, text, key});
    };
    manager()->suppleDataFromServer("nonsense", historyOf("SH", "600000", 86400000), progress);
    manager()->suppleDataFromServer(CFormulaManager::kSuppleDataKey, historyOf("SH", "999999", 86400000), progress);
    manager()->suppleDataFromServer(CFormulaManager::kSuppleDataKey, TC::CHistoryDataParam(), progress);
    TC::CHistoryDataParam empty = historyOf("SH", "600000", 86400000);
    empty.rangeStart = quoter::TimeSeq{1000, 0}; // 1970: no bars there
    empty.rangeEnd = quoter::TimeSeq{2000, 0};
    manager()->suppleDataFromServer(CFormulaManager::kSuppleDataKey, empty, progress);
    QTRY_COMPARE_WITH_TIMEOUT(steps.size(), 4, 5000);
    for (const SuppleStep& s : steps) {
        EXPECT_EQ(s.done, -1);
        EXPECT_FALSE(s.text.isEmpty());
    }
    EXPECT_EQ(steps[0].key, "nonsense");
}

TEST(ServiceData, dividDataComesFromTheStoreForItsDataTypeOnly)
{
    const std::string key = TC::CSampleMarketGenerator::exRightsStock();
    quoter::TSMetaInfo info{key.substr(0, 2), key.substr(2), 86400000, quoter::TSMetaInfo::kDividData};
    const auto records = kelv::getDividData(info);
    const QVector<quoter::DividData> expected = store()->dividData(QString::fromStdString(key));
    ASSERT_FALSE(expected.isEmpty());
    ASSERT_EQ(int(records.size()), expected.size());
    for (size_t i = 0; i < records.size(); ++i) {
        ASSERT_TRUE(records[i]);
        EXPECT_EQ(*records[i], expected[int(i)]);
    }
    info.dataType = 1;
    EXPECT_TRUE(kelv::getDividData(info).empty());
    info.dataType = quoter::TSMetaInfo::kDividData;
    info.code = "nope";
    EXPECT_TRUE(kelv::getDividData(info).empty());
}

TEST(ServiceData, externalCatalogueOfShiborAndGeneratedSeries)
{
    const auto catalog = TC::CWindDataManager::getCatalogByFormula("shibor");
    ASSERT_TRUE(catalog.has_value());
    EXPECT_EQ(catalog->field, "M0017126");
    EXPECT_EQ(catalog->name, "SHIBOR隔夜");
    EXPECT_LE(catalog->start, catalog->end);
    EXPECT_EQ(catalog->start.size(), 8);
    EXPECT_FALSE(TC::CWindDataManager::getCatalogByFormula("MACD").has_value());

    TC::CExternalDataManager* ext = TC::CExternalDataManager::instance();
    EXPECT_EQ(ext->getCatalog("M0017126"), std::optional<int>(TC::CExternalDataManager::kKindSeries));
    EXPECT_FALSE(ext->getCatalog("600000").has_value());
    EXPECT_TRUE(ext->addCatalog("600000", TC::CExternalDataManager::kKindExtension));
    EXPECT_EQ(ext->getCatalog("600000"), std::optional<int>(TC::CExternalDataManager::kKindExtension));
    EXPECT_FALSE(ext->addCatalog(" ", 1));

    TC::CExternalDataInfo info;
    info.name = "MY_SERIES";
    const double none = 1.7976931348623157e308;
    EXPECT_FALSE(ext->generateData1(info, {{1000, 0}}, {1.0, 2.0})); // not parallel
    EXPECT_FALSE(ext->isExist("MY_SERIES"));
    ASSERT_TRUE(ext->generateData1(info, {{3000, 0}, {1000, 0}, {2000, 0}}, {3.0, 1.0, none}));
    EXPECT_TRUE(ext->isExist("MY_SERIES"));
    const QVector<QPair<qint64, double>> expected{{1000, 1.0}, {3000, 3.0}};
    EXPECT_EQ(ext->data("MY_SERIES"), expected);
    EXPECT_TRUE(ext->removeData("MY_SERIES"));
    EXPECT_FALSE(ext->isExist("MY_SERIES"));
    EXPECT_FALSE(ext->removeData("MY_SERIES"));
}

TEST(ServiceData, tempHandleEventLeavesTheAnswerEmpty)
{
    QVariant answer(42);
    manager()->sendTempHandleEvent(3197, 0, 1, QString(), answer);
    EXPECT_FALSE(answer.isValid());
}
