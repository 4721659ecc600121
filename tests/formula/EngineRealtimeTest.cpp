#include <map>
#include <memory>

#include <QDateTime>

#include <gtest/gtest.h>

#include "EngineTestSupport.h"
#include "platform/formula/catalog/CFormulaOperateManager.h"
#include "platform/market/CMarketStore.h"

using namespace enginetest;

namespace {

using Updates = std::vector<std::pair<int, se::RPCFormulaInstantResult>>;

// What the chart does with the updates (append / cover of the last bar).
void applyUpdates(se::RPCFormulaResult& r, const Updates& updates)
{
    for (const auto& u : updates) {
        const se::RPCFormulaInstantResult& in = u.second;
        ASSERT_EQ(in.values.size(), r.values.size());
        if (u.first == TC::CFormulaEngine::kAppend) {
            r.times.push_back(in.time);
            for (size_t c = 0; c < in.values.size(); ++c)
                r.values[c].push_back(in.values[c]);
            // Outputs without texts (numbers) keep their empty vectors.
            for (size_t o = 0; o < in.texts.size(); ++o)
                if (r.texts[o].size() + 1 == r.times.size())
                    r.texts[o].push_back(in.texts[o]);
            for (size_t o = 0; o < in.numbers.size(); ++o)
                if (r.numbers[o].size() + 1 == r.times.size())
                    r.numbers[o].push_back(in.numbers[o]);
        } else {
            ASSERT_EQ(u.first, TC::CFormulaEngine::kCover);
            ASSERT_FALSE(r.times.empty());
            r.times.back() = in.time;
            for (size_t c = 0; c < in.values.size(); ++c)
                r.values[c].back() = in.values[c];
            for (size_t o = 0; o < in.texts.size(); ++o)
                if (!r.texts[o].empty())
                    r.texts[o].back() = in.texts[o];
            for (size_t o = 0; o < in.numbers.size(); ++o)
                if (!r.numbers[o].empty())
                    r.numbers[o].back() = in.numbers[o];
        }
    }
}

void expectSameSeries(const se::RPCFormulaResult& a, const se::RPCFormulaResult& b, const std::string& what)
{
    ASSERT_EQ(a.times.size(), b.times.size()) << what;
    for (size_t i = 0; i < a.times.size(); ++i) {
        ASSERT_EQ(a.times[i].timeMs, b.times[i].timeMs) << what;
        ASSERT_EQ(a.times[i].tradeDayMs, b.times[i].tradeDayMs) << what;
    }
    ASSERT_EQ(a.values, b.values) << what;
    for (size_t o = 0; o < a.texts.size(); ++o)
        ASSERT_EQ(a.texts[o], b.texts[o]) << what;
    for (size_t o = 0; o < a.numbers.size(); ++o)
        ASSERT_EQ(a.numbers[o], b.numbers[o]) << what;
}

class EngineRealtime : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_store =
            std::make_unique<TC::CMarketStore>(TC::CMarketStore::kDefaultSeed, QDate(2021, 3, 5), false);
        TC::CFormulaEngine::setStore(m_store.get());
    }
    void TearDown() override { TC::CFormulaEngine::setStore(nullptr); }

    quoter::CBar nextBar(const QString& key, qint64 time, double move) const
    {
        const quoter::CBar last = m_store->minuteBars(key).last();
        quoter::CBar b;
        b.time = time;
        b.open = last.close;
        b.close = last.close * (1.0 + move);
        b.high = std::max(b.open, b.close) * 1.002;
        b.low = std::min(b.open, b.close) * 0.998;
        b.volume = 1200;
        b.amount = 1200 * (b.open + b.close) / 2;
        return b;
    }

    std::unique_ptr<TC::CMarketStore> m_store;
};

qint64 at(const QDate& d, int hh, int mm)
{
    return QDateTime(d, QTime(hh, mm)).toSecsSinceEpoch();
}

} // namespace

TEST_F(EngineRealtime, engineReadsTheStoreItIsPointedAt)
{
    EXPECT_EQ(TC::CFormulaEngine::store(), m_store.get());
    const Computed c = compute(param("SH", "600519", "KLINE"));
    ASSERT_TRUE(c.ok);
    EXPECT_EQ(c.result.times.back().timeMs / 1000, m_store->dayBars(QStringLiteral("SH600519")).last().time);
    TC::CFormulaEngine::setStore(nullptr);
    EXPECT_EQ(TC::CFormulaEngine::store(), TC::CMarketStore::instance());
}

TEST_F(EngineRealtime, tailsOfEveryFormulaEqualAFreshComputation)
{
    const QString key = QStringLiteral("SH600519");
    QStringList names = TC::CFormulaOperateManager::instance()->formulaNames();
    ASSERT_FALSE(names.isEmpty());
    struct Entry {
        TC::CFormulaParam p;
        se::RPCFormulaResult r;
    };
    std::vector<Entry> entries;
    for (const QString& name : names) {
        for (qint64 sec : {60, 300, 86400}) {
            Entry e;
            e.p = param("SH", "600519", name, sec * 1000, sec == 86400 ? 1 : 0);
            const Computed c = compute(e.p);
            ASSERT_TRUE(c.ok) << name.toStdString() << ' ' << c.error.toStdString();
            e.r = c.result;
            entries.push_back(std::move(e));
        }
    }
    // Nothing changed: nothing to send.
    for (const Entry& e : entries) {
        Updates u;
        ASSERT_TRUE(TC::CFormulaEngine::computeTail(e.p, e.r, u, nullptr));
        ASSERT_TRUE(u.empty()) << e.p.formula.toStdString();
    }

    // A new day opens: three new minutes, then the third one changes.
    const QDate day(2021, 3, 8);
    ASSERT_TRUE(m_store->setToday(day));
    for (int round = 0; round < 2; ++round) {
        if (round == 0) {
            for (int m = 31; m <= 33; ++m)
                ASSERT_TRUE(
                    m_store->appendMinuteBar(key, nextBar(key, at(day, 9, m), m % 2 ? 0.004 : -0.003)));
        } else {
            quoter::CBar b = nextBar(key, at(day, 9, 33), 0.01);
            b.open = m_store->minuteBars(key).last().open;
            b.high = std::max(b.high, b.open);
            b.low = std::min(b.low, b.open);
            ASSERT_TRUE(m_store->updateLastMinuteBar(key, b));
        }
        for (Entry& e : entries) {
            const std::string what = e.p.formula.toStdString() + " period " + std::to_string(e.p.periodMs) +
                                     " round " + std::to_string(round);
            Updates u;
            QString error;
            const bool oneDay = e.p.formula == "TICKDATA" || e.p.formula == "TICKVOL";
            if (oneDay && round == 0) {
                // The one-day series moved to the new day: history is needed again.
                EXPECT_FALSE(TC::CFormulaEngine::computeTail(e.p, e.r, u, &error)) << what;
                EXPECT_FALSE(error.isEmpty());
                e.r = compute(e.p).result;
                continue;
            }
            ASSERT_TRUE(TC::CFormulaEngine::computeTail(e.p, e.r, u, &error)) << what << error.toStdString();
            if (round == 0) {
                ASSERT_GE(u.size(), e.p.periodMs == 60000 ? 3u : 1u) << what;
            } else {
                EXPECT_LE(u.size(), 1u) << what; // at most the cover of the changed minute
            }
            if (e.p.formula == "KLINE") {
                ASSERT_FALSE(u.empty()) << what;
            }
            applyUpdates(e.r, u);
            const Computed fresh = compute(e.p);
            expectSameSeries(e.r, fresh.result, what);
        }
    }
}

TEST_F(EngineRealtime, countLimitedAndTickSeriesFollowTooAndStaleResultsAreRefused)
{
    const QString key = QStringLiteral("SH600000");
    TC::CFormulaParam p = param("SH", "600000", "MACD", 60000);
    p.countLimit = 100;
    Computed limited = compute(p);
    TC::CFormulaParam t = param("SH", "600000", "TICKDATA", 0);
    Computed ticks = compute(t);
    ASSERT_TRUE(limited.ok && ticks.ok);

    const quoter::CTick last = m_store->ticks(key).last();
    quoter::CTick tick = last;
    for (int i = 0; i < 3; ++i) {
        tick.timeMs = last.timeMs + 3000 * (i + 1);
        tick.price = last.price * (1.0 + 0.001 * (i + 1));
        ASSERT_TRUE(m_store->appendTick(key, tick));
    }
    Updates u;
    ASSERT_TRUE(TC::CFormulaEngine::computeTail(t, ticks.result, u, nullptr));
    EXPECT_EQ(u.size(), 3u);
    applyUpdates(ticks.result, u);
    expectSameSeries(ticks.result, compute(t).result, "ticks");
    // Another tick in the same millisecond as the previous last one.
    tick.price *= 1.01;
    ASSERT_TRUE(m_store->appendTick(key, tick));
    ASSERT_TRUE(TC::CFormulaEngine::computeTail(t, ticks.result, u, nullptr));
    ASSERT_EQ(u.size(), 1u);
    EXPECT_EQ(u[0].first, TC::CFormulaEngine::kAppend);
    applyUpdates(ticks.result, u);
    expectSameSeries(ticks.result, compute(t).result, "ticks, same millisecond");

    ASSERT_TRUE(m_store->setToday(QDate(2021, 3, 8)));
    ASSERT_TRUE(m_store->appendMinuteBar(key, nextBar(key, at(QDate(2021, 3, 8), 9, 31), 0.002)));
    ASSERT_TRUE(TC::CFormulaEngine::computeTail(p, limited.result, u, nullptr));
    applyUpdates(limited.result, u);
    const Computed fresh = compute(p);
    ASSERT_EQ(fresh.result.barCount(), 100);
    // The limited series grows by the new bar; its tail equals the fresh window.
    ASSERT_EQ(limited.result.barCount(), 101);
    for (size_t c = 0; c < fresh.result.values.size(); ++c) {
        const std::vector<double> tail(limited.result.values[c].begin() + 1, limited.result.values[c].end());
        EXPECT_EQ(tail, fresh.result.values[c]);
    }

    // A previous result whose last bar the series does not hold is refused.
    QString error;
    se::RPCFormulaResult moved = ticks.result;
    moved.times.back().timeMs += 1;
    EXPECT_FALSE(TC::CFormulaEngine::computeTail(t, moved, u, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_TRUE(u.empty());
    // A previous result of another shape is refused, not patched.
    se::RPCFormulaResult wrong = limited.result;
    wrong.values.pop_back();
    EXPECT_FALSE(TC::CFormulaEngine::computeTail(p, wrong, u, &error));
    // An empty previous result gets every bar appended.
    se::RPCFormulaResult empty;
    empty.values.resize(fresh.result.values.size());
    ASSERT_TRUE(TC::CFormulaEngine::computeTail(p, empty, u, nullptr));
    EXPECT_EQ(u.size(), 100u);
}
