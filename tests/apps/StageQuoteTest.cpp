// The period quote and stage ranking the host computes for the region
// statistics: values and ranking on a small market of hand-made bars,
// cancellation, and the window that shows them.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFont>
#include <QLabel>
#include <QTableWidget>

#include "CKLineViewStageWindow.h"
#include "common/PrivateMarket.h"
#include "platform/market/CLocalTimeConverter.h"
#include "platform/market/CStageQuoteCalculator.h"
#include "platform/market/CStageQuoteJob.h"

using TC::CStageQuoteCalculator;
using Row = TC::CStageQuoteCalculator::Row;

namespace {

template <typename F> bool waitFor(F cond, int limitMs = 20000)
{
    QElapsedTimer t;
    t.start();
    while (!cond() && t.elapsed() < limitMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return cond();
}

qint64 day(int d)
{
    return TC::CLocalTimeConverter::dayTag(QDate(2026, 11, 1 + d)); // d = 1..4: Mon 2 .. Thu 5
}

class StageQuote : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        ktest::PrivateMarket::createStore();
        // Day 1 gives the reference close; the range is days 2 to 4.
        add("QQA", "甲", 40000, 10,
            {{10, 11, 9.8, 10.5, 100, 1000},
             {10.5, 12, 10, 11, 200, 2200},
             {11, 11.5, 10.8, 11.2, 100, 1120}});
        add("QQB", "乙", 0, 20,
            {{20, 20.5, 19, 19.5, 50, 975}, {19.5, 21, 19.4, 21, 60, 1260}, {21, 22, 20.8, 21.6, 70, 1512}});
        add("QQC", "丙", 1000, 5,
            {{5, 5.1, 4.5, 4.6, 10, 46}, {4.6, 4.7, 4.4, 4.5, 10, 45}, {4.5, 4.6, 4.3, 4.4, 10, 44}});
    }
    static void TearDownTestSuite() { ktest::PrivateMarket::destroyStore(); }

    struct B {
        double o, h, l, c, v, a;
    };
    static void add(const char* key, const char* name, double shares, double firstClose,
                    const std::vector<B>& bars)
    {
        qlservice::CInstrumentDetail d;
        d.key = key;
        d.code = std::string(key).substr(2);
        d.market = "QQ";
        d.name = name;
        d.kind = "stock";
        d.circulatingShares = shares;
        QVector<quoter::CBar> days;
        days.append({day(1), firstClose, firstClose, firstClose, firstClose, 1, firstClose});
        for (size_t i = 0; i < bars.size(); ++i) {
            const B& b = bars[i];
            days.append({day(int(i) + 2), b.o, b.h, b.l, b.c, b.v, b.a});
        }
        ASSERT_TRUE(store()->addInstrument(d, days, {}));
    }
    static TC::CMarketStore* store() { return ktest::PrivateMarket::store(); }

    CStageQuoteCalculator::Request request() const
    {
        CStageQuoteCalculator::Request r;
        r.keys = CStageQuoteCalculator::marketKeys(*store(), QStringLiteral("QQ"));
        r.startSecs = day(2) + 3600;
        r.endSecs = day(4);
        return r;
    }
    static QStringList keysOf(const QVector<Row>& rows)
    {
        QStringList out;
        for (const Row& r : rows)
            out << r.key;
        return out;
    }
};

TEST_F(StageQuote, RangeValuesFromTheDayBars)
{
    QVector<Row> rows;
    ASSERT_TRUE(CStageQuoteCalculator::compute(*store(), request(), rows));
    ASSERT_EQ(keysOf(rows), (QStringList{"QQA", "QQB", "QQC"}));
    const Row& a = rows[0];
    EXPECT_EQ(a.days, 3);
    EXPECT_DOUBLE_EQ(a.reference, 10.0);
    EXPECT_DOUBLE_EQ(a.open, 10.0);
    EXPECT_DOUBLE_EQ(a.close, 11.2);
    EXPECT_DOUBLE_EQ(a.high, 12.0);
    EXPECT_DOUBLE_EQ(a.low, 9.8);
    EXPECT_NEAR(a.change, 1.2, 1e-12);
    EXPECT_NEAR(a.changePct, 0.12, 1e-12);
    EXPECT_DOUBLE_EQ(a.volume, 400.0);
    EXPECT_DOUBLE_EQ(a.amount, 4320.0);
    EXPECT_DOUBLE_EQ(a.turnover, 400.0 / 40000.0); // 1% of the float
    EXPECT_NEAR(a.amplitude, 0.22, 1e-12);
    EXPECT_DOUBLE_EQ(a.average, 4320.0 / 400.0);
    EXPECT_EQ(rows[1].turnover, 0.0); // no share count
    // A range before any bar lists nothing.
    CStageQuoteCalculator::Request early = request();
    early.startSecs = early.endSecs = day(-5);
    ASSERT_TRUE(CStageQuoteCalculator::compute(*store(), early, rows));
    EXPECT_TRUE(rows.isEmpty());
}

TEST_F(StageQuote, RankingMatchesTheHandRanking)
{
    QVector<Row> rows;
    ASSERT_TRUE(CStageQuoteCalculator::compute(*store(), request(), rows));
    const QVector<QPair<int, QStringList>> expected = {
        {4, {"QQA", "QQB", "QQC"}}, // +12 %, +8 %, -12 %
        {0, {"QQB", "QQA", "QQC"}}, // highs 22, 12, 5.1
        {1, {"QQB", "QQA", "QQC"}}, // lows 19, 9.8, 4.3
        {6, {"QQA", "QQC", "QQB"}}, // amplitudes 22 %, 16 %, 15 %
        {2, {"QQA", "QQB", "QQC"}}, // volumes 400, 180, 30
    };
    for (const auto& e : expected) {
        QVector<Row> ranked = rows;
        CStageQuoteCalculator::rank(ranked, e.first);
        EXPECT_EQ(keysOf(ranked), e.second) << e.first;
    }
}

TEST_F(StageQuote, CancellationLeavesNoResult)
{
    QVector<Row> rows{Row()};
    int calls = 0;
    EXPECT_FALSE(
        CStageQuoteCalculator::compute(*store(), request(), rows, [&](int, int) { return ++calls < 2; }));
    EXPECT_TRUE(rows.isEmpty());
    EXPECT_EQ(calls, 2);

    QObject context;
    int delivered = 0;
    int progressed = 0;
    {
        TC::CStageQuoteJob job(
            store(), request(), &context, [&](int, int) { ++progressed; },
            [&](const QVector<Row>&) { ++delivered; });
        job.start();
        job.cancel();
        EXPECT_FALSE(job.isRunning());
    } // joins the worker
    QCoreApplication::processEvents();
    EXPECT_EQ(delivered, 0);
    EXPECT_EQ(progressed, 0);

    // Uncancelled, the same job hands over what compute gives.
    QVector<Row> got;
    TC::CStageQuoteJob job(store(), request(), &context, nullptr, [&](const QVector<Row>& r) {
        got = r;
        ++delivered;
    });
    job.start();
    ASSERT_TRUE(waitFor([&] { return delivered == 1; }));
    EXPECT_EQ(keysOf(got), (QStringList{"QQA", "QQB", "QQC"}));
    EXPECT_FALSE(job.isRunning());
}

TEST_F(StageQuote, RankingWindowHighlightsTheCurrentInstrument)
{
    const QString text = QStringLiteral("%1,%2,0,86400,0,阶段最高").arg(day(2)).arg(day(4));
    auto* window = TC::CKLineViewStageWindow::openFor(nullptr, QStringLiteral("QQA"), 3180, text, store());
    ASSERT_TRUE(window);
    ASSERT_TRUE(waitFor([&] { return !window->isComputing(); }));
    QTableWidget* table = window->table();
    ASSERT_EQ(table->rowCount(), 3);
    EXPECT_EQ(table->item(0, 1)->text(), QStringLiteral("QQB"));
    const int current = window->currentRow();
    ASSERT_EQ(current, 1);
    EXPECT_TRUE(table->item(current, 2)->font().bold());
    EXPECT_FALSE(table->item(0, 2)->font().bold());
    EXPECT_TRUE(table->selectionModel()->isRowSelected(current, QModelIndex()));
    // 涨跌幅 sorts by value: -12 % first ascending.
    const int pctColumn = table->columnCount() - 6;
    ASSERT_EQ(table->horizontalHeaderItem(pctColumn)->text(), QStringLiteral("涨跌幅"));
    table->sortItems(pctColumn, Qt::AscendingOrder);
    EXPECT_EQ(table->item(0, 1)->text(), QStringLiteral("QQC"));
    EXPECT_EQ(table->item(2, 1)->text(), QStringLiteral("QQA"));
    EXPECT_EQ(window->statusLabel()->text(), QStringLiteral("共 3 个品种"));
    // Every market: the sample's instruments join the three.
    window->scopeBox()->setCurrentIndex(window->scopeBox()->findData(TC::CKLineViewStageWindow::AllScope));
    ASSERT_TRUE(waitFor([&] { return !window->isComputing(); }));
    EXPECT_GT(table->rowCount(), 3);
    EXPECT_GE(window->currentRow(), 0);
    delete window;
    EXPECT_FALSE(TC::CKLineViewStageWindow::openFor(nullptr, "QQA", 3180, "1,2,0", store()));
    EXPECT_FALSE(TC::CKLineViewStageWindow::openFor(nullptr, "QQA", 3180, "5,2,0,86400,1,x", store()));
    EXPECT_FALSE(TC::CKLineViewStageWindow::openFor(nullptr, "QQA", 218, text, store()));
}

TEST_F(StageQuote, PeriodQuoteWindowListsTheMarketOrTheSector)
{
    const QString text = QStringLiteral("%1,%2,0,86400").arg(day(2)).arg(day(4));
    auto* window = TC::CKLineViewStageWindow::openFor(nullptr, QStringLiteral("QQC"), 219, text, store());
    ASSERT_TRUE(window);
    ASSERT_TRUE(waitFor([&] { return !window->isComputing(); }));
    EXPECT_EQ(window->table()->rowCount(), 3);
    EXPECT_EQ(window->table()->item(window->currentRow(), 0)->text(), QStringLiteral("QQC"));
    // The hand-made instruments have no sector.
    window->scopeBox()->setCurrentIndex(1);
    EXPECT_EQ(window->table()->rowCount(), 0);
    EXPECT_EQ(window->statusLabel()->text(), QStringLiteral("该品种没有所属板块"));
    delete window;
}

} // namespace
