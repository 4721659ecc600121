// Real-time tails kept bar by bar: after any sequence of ticks every live
// result must equal a fresh history request, exactly.
#include <cfloat>
#include <memory>
#include <random>

#include <gtest/gtest.h>

#include "EngineTestSupport.h"
#include "platform/formula/catalog/CFormulaOperateManager.h"
#include "platform/formula/lang/CFormulaCompiler.h"
#include "platform/formula/lang/CFormulaEvaluator.h"
#include "platform/formula/lang/CFormulaLiveEvaluator.h"
#include "platform/formula/service/CFormulaResultOps.h"
#include "platform/market/CChinaTradingCalendar.h"
#include "platform/market/CLocalTimeConverter.h"
#include "platform/market/CMarketStore.h"

using namespace enginetest;

namespace {

using Updates = std::vector<std::pair<int, se::RPCFormulaInstantResult>>;

void expectSame(const se::RPCFormulaResult& live, const se::RPCFormulaResult& fresh, const std::string& what)
{
    ASSERT_EQ(live.times.size(), fresh.times.size()) << what;
    for (size_t i = 0; i < live.times.size(); ++i) {
        ASSERT_EQ(live.times[i].timeMs, fresh.times[i].timeMs) << what << " bar " << i;
        ASSERT_EQ(live.times[i].tradeDayMs, fresh.times[i].tradeDayMs) << what << " bar " << i;
    }
    ASSERT_EQ(live.values.size(), fresh.values.size()) << what;
    for (size_t c = 0; c < live.values.size(); ++c) {
        ASSERT_EQ(live.values[c].size(), fresh.values[c].size()) << what;
        for (size_t i = 0; i < live.values[c].size(); ++i)
            ASSERT_EQ(live.values[c][i], fresh.values[c][i]) << what << " column " << c << " bar " << i;
    }
    ASSERT_EQ(live.texts, fresh.texts) << what;
    ASSERT_EQ(live.numbers, fresh.numbers) << what;
}

class EngineLiveTail : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_store =
            std::make_unique<TC::CMarketStore>(TC::CMarketStore::kDefaultSeed, QDate(2021, 3, 5), false);
        TC::CFormulaEngine::setStore(m_store.get());
    }
    void TearDown() override { TC::CFormulaEngine::setStore(nullptr); }

    struct Live {
        TC::CFormulaParam p;
        se::RPCFormulaResult r;
    };

    Live subscribe(const QString& formula, qint64 sec, int drType = 0)
    {
        Live e;
        e.p = param("SH", "600519", formula, sec * 1000, drType);
        e.p.requestId = QStringLiteral("live|%1|%2|%3").arg(formula).arg(sec).arg(drType);
        TC::CFormulaEngine::forgetLive(e.p.requestId);
        const Computed c = compute(e.p);
        EXPECT_TRUE(c.ok) << formula.toStdString() << ' ' << c.error.toStdString();
        e.r = c.result;
        return e;
    }
    void follow(Live& e)
    {
        Updates u;
        QString error;
        ASSERT_TRUE(TC::CFormulaEngine::computeTail(e.p, e.r, u, &error))
            << e.p.formula.toStdString() << ' ' << error.toStdString();
        for (const auto& x : u)
            ASSERT_TRUE(TC::CFormulaResultOps::apply(e.r, x.first, x.second));
    }
    void expectFresh(const Live& e, const std::string& when)
    {
        const Computed c = compute(e.p);
        ASSERT_TRUE(c.ok);
        expectSame(e.r, c.result,
                   e.p.formula.toStdString() + " at " + std::to_string(e.p.periodMs / 1000) + "s " + when);
    }

    // A minute of the next trading day's morning session.
    void openDay()
    {
        m_day = TC::CChinaTradingCalendar::tradingDayOnOrAfter(m_store->today().addDays(1));
        ASSERT_TRUE(m_store->setToday(m_day));
        m_minute = 570;
    }
    // A new minute bar (true) or a cover of the newest one.
    void tick(std::mt19937& rng, bool newBar)
    {
        const QString key = QStringLiteral("SH600519");
        std::uniform_real_distribution<double> move(-0.004, 0.004);
        const quoter::CBar last = m_store->minuteBars(key).last();
        if (newBar || m_minute == 570) {
            quoter::CBar b;
            b.time = TC::CLocalTimeConverter::timeAt(m_day, ++m_minute);
            b.open = last.close;
            b.close = last.close * (1.0 + move(rng));
            b.high = std::max(b.open, b.close);
            b.low = std::min(b.open, b.close);
            b.volume = 300;
            b.amount = 300 * b.close;
            ASSERT_TRUE(m_store->appendMinuteBar(key, b));
            return;
        }
        quoter::CBar b = last;
        // now and then the price comes back to where it was: flat windows and ties
        b.close = rng() % 5 == 0 ? b.open : b.close * (1.0 + move(rng));
        b.high = std::max(b.high, b.close);
        b.low = std::min(b.low, b.close);
        b.volume += 100;
        b.amount += 100 * b.close;
        ASSERT_TRUE(m_store->updateLastMinuteBar(key, b));
    }

    std::unique_ptr<TC::CMarketStore> m_store;
    QDate m_day;
    int m_minute = 570;
};

} // namespace

TEST_F(EngineLiveTail, everyFormulaFollowsARandomSessionBitForBit)
{
    const QStringList names = TC::CFormulaOperateManager::instance()->formulaNames();
    ASSERT_FALSE(names.isEmpty());
    std::vector<Live> live;
    for (const QString& name : names) {
        // the one-day tick series starts over each day: not a tail of its history
        if (name == QLatin1String("TICKDATA") || name == QLatin1String("TICKVOL"))
            continue;
        for (qint64 sec : {60, 300, 86400})
            live.push_back(subscribe(name, sec));
    }
    openDay();
    std::mt19937 rng(20240611u);
    for (int n = 0; n < 120; ++n) {
        // runs of covers on one bar, then a new bar (a new 5-minute bar every fifth)
        tick(rng, rng() % 6 == 0);
        for (Live& e : live)
            follow(e);
        if (n % 15 == 14) {
            for (const Live& e : live)
                expectFresh(e, "tick " + std::to_string(n));
        }
    }
    for (const Live& e : live)
        expectFresh(e, "at the end");
    // the tail really is kept for the ordinary formulas, on every period
    for (const char* name : {"KLINE", "MA", "MACD", "KDJ", "SAR", "OBV", "CCI", "BOLL", "VBADEMO", "CR"})
        for (qint64 sec : {60, 300, 86400})
            EXPECT_TRUE(TC::CFormulaEngine::followsLive(QStringLiteral("live|%1|%2|0").arg(name).arg(sec)))
                << name << ' ' << sec;
    // the previous close line reads the store's closes: answered in full
    EXPECT_FALSE(TC::CFormulaEngine::followsLive(QStringLiteral("live|价位线|60|0")));
}

TEST_F(EngineLiveTail, coversOnlyAndNewBarsOnlyAgreeWithAFreshRequest)
{
    std::vector<Live> live;
    for (const char* name : {"EMA", "RSI", "DMI", "ASI", "WR", "PSY", "VR"})
        for (qint64 sec : {60, 300})
            live.push_back(subscribe(QString::fromLatin1(name), sec));
    openDay();
    std::mt19937 rng(7u);
    tick(rng, true);
    // one bar covered again and again: the state is the one from before it
    for (int n = 0; n < 40; ++n) {
        tick(rng, false);
        for (Live& e : live)
            follow(e);
    }
    for (const Live& e : live)
        expectFresh(e, "after covers");
    for (int n = 0; n < 12; ++n) {
        tick(rng, true);
        for (Live& e : live)
            follow(e);
    }
    for (const Live& e : live)
        expectFresh(e, "after new bars");
    // several store changes between two updates are caught up in one
    for (int n = 0; n < 7; ++n)
        tick(rng, n % 2 == 0);
    for (Live& e : live) {
        follow(e);
        expectFresh(e, "after a gap");
    }
}

TEST_F(EngineLiveTail, achangeOfAnOlderBarAsksForTheWholeSeriesAgain)
{
    Live ema = subscribe(QStringLiteral("EMA"), 60);
    Live kline = subscribe(QStringLiteral("KLINE"), 300);
    openDay();
    std::mt19937 rng(3u);
    tick(rng, true);
    follow(ema);
    follow(kline);
    tick(rng, false);
    follow(ema);
    follow(kline);
    ASSERT_TRUE(TC::CFormulaEngine::followsLive(ema.p.requestId));

    // a correction far back moves every later EMA value, and a late trade
    // in a closed minute changes its 5-minute bar: appends and covers of the
    // newest bar cannot carry either
    const QString key = QStringLiteral("SH600519");
    const QVector<quoter::CBar> minutes = m_store->minuteBars(key);
    quoter::CBar old = minutes[minutes.size() - 200];
    old.close = old.high = old.high * 1.05;
    ASSERT_TRUE(m_store->modifyBar(key, 60, old.time, old));
    quoter::CBar late = minutes[minutes.size() - 8];
    late.volume += 500;
    ASSERT_TRUE(m_store->modifyBar(key, 60, late.time, late));
    tick(rng, false);
    for (Live* e : {&ema, &kline}) {
        Updates u;
        QString error;
        EXPECT_FALSE(TC::CFormulaEngine::computeTail(e->p, e->r, u, &error)) << e->p.formula.toStdString();
        EXPECT_FALSE(error.isEmpty());
        // answered afresh, the tail goes on from the corrected series
        const Computed fresh = compute(e->p);
        ASSERT_TRUE(fresh.ok);
        e->r = fresh.result;
        follow(*e);
    }
    for (int n = 0; n < 6; ++n) {
        tick(rng, n % 2 == 0);
        follow(ema);
        follow(kline);
    }
    expectFresh(ema, "after the correction");
    expectFresh(kline, "after the correction");
    EXPECT_TRUE(TC::CFormulaEngine::followsLive(ema.p.requestId));

    const Computed fresh = compute(ema.p);
    ASSERT_TRUE(fresh.ok);
    Updates u;
    // a result that is not the one last answered is not continued either
    se::RPCFormulaResult other = fresh.result;
    other.values[0].back() += 1.0;
    tick(rng, false);
    ASSERT_TRUE(TC::CFormulaEngine::computeTail(ema.p, other, u, nullptr));
    const Computed again = compute(ema.p);
    ASSERT_FALSE(u.empty());
    EXPECT_EQ(u.back().second.values,
              TC::CFormulaResultOps::instantAt(again.result, again.result.barCount() - 1).values);
}

namespace {

// The bar-by-bar evaluator against the full one, on a series with holes,
// flat stretches and ties, for functions the built-in formulas do not use.
struct Series {
    TC::flang::CFormulaInput input;

    explicit Series(int n, unsigned seed)
    {
        std::mt19937 rng(seed);
        input.barCount = n;
        double c = 20.0;
        for (int i = 0; i < n; ++i) {
            const bool hole = rng() % 97 == 0;
            const bool flat = (i / 13) % 7 == 3;
            if (!flat)
                c = std::max(1.0, c + double(int(rng() % 21) - 10) * 0.05);
            const double v = hole ? DBL_MAX : c;
            input.open.push_back(v);
            input.high.push_back(hole ? DBL_MAX : c + 0.1 * (rng() % 3));
            input.low.push_back(hole ? DBL_MAX : c - 0.1 * (rng() % 3));
            input.close.push_back(v);
            input.volume.push_back(double(rng() % 5) * 100.0);
            input.amount.push_back(1000.0);
            input.times.push_back(1600000000LL + 60LL * i);
        }
        input.periodSec = 60;
    }
    TC::flang::CFormulaInput slice(int from, int to) const
    {
        TC::flang::CFormulaInput s;
        s.barCount = to - from;
        auto cut = [&](const std::vector<double>& v) {
            return std::vector<double>(v.begin() + from, v.begin() + to);
        };
        s.open = cut(input.open);
        s.high = cut(input.high);
        s.low = cut(input.low);
        s.close = cut(input.close);
        s.volume = cut(input.volume);
        s.amount = cut(input.amount);
        s.times.assign(input.times.begin() + from, input.times.begin() + to);
        s.periodSec = input.periodSec;
        return s;
    }
};

std::shared_ptr<const TC::flang::CFormulaProgram> compiled(const QString& source)
{
    auto p = std::make_shared<TC::flang::CFormulaProgram>();
    TC::flang::CFormulaError err;
    EXPECT_TRUE(TC::flang::CFormulaCompiler::compile(source, {QStringLiteral("N")}, *p, err))
        << source.toStdString();
    return p;
}

} // namespace

TEST(LiveEvaluator, followsTheFullEvaluatorBarByBar)
{
    const QString source = QStringLiteral(
        "A:HHVBARS(H,N)+LLVBARS(L,5)*100;B:LLV(C,0)+HHV(H,0);CN:COUNT(C>O,0)+COUNT(ISUP,N);"
        "E:EVERY(C>=REF(C,1),3)+EXIST(V=0,N)*2+EVERY(C>0,0)*4;F:FILTER(CROSS(C,MA(C,N)),4);"
        "G:VALUEWHEN(V>300,C)+BARSCOUNT(C)+BARSLAST(V=0);D:DMA(C,IF(V>0,0.3,2));"
        "S:VAR(C,N)+DEVSQ(C,4)+STDP(C,N)+AVEDEV(C,N);R:REF(C,BARSLAST(V=0));X:=SUM(C,0)-SUM(C,N);"
        "Y:X/MAX(1,ABS(MIN(C,O)))+ROUND(C)+FLOOR(C)+CEILING(C)+SIGN(C-O)+MOD(C,3)+POW(C,0.5)+LN(C)+SQRT(C);"
        "Z:BETWEEN(C,O,H)+RANGE(C,L,H)+NOT(C>O)-C+EXP(-C)+BARPOS/1000+HOUR+MINUTE+DATE/1000000;"
        "DRAWTEXT(CROSS(C,MA(C,3)),L,'B');STICKLINE(C>O,O,C,0.6,1);DRAWNUMBER(V=0,H,C);"
        "VERTLINE(BARSLAST(V=0)=0);DRAWKLINE(H,O,L,C);T:SAR(N,2,20);K:SMA(C,N,2)+EMA(C,N)+SUM(C,0);");
    const auto program = compiled(source);
    ASSERT_TRUE(TC::flang::CFormulaLiveEvaluator::follows(*program, nullptr));
    const QMap<QString, double> params{{QStringLiteral("N"), 6.0}};
    const Series all(700, 11u);

    // start on the first 500 bars, then cover and append at random, and
    // compare with the full evaluator over the same bars
    TC::flang::CFormulaLiveEvaluator live;
    TC::flang::CFormulaRunResult out;
    ASSERT_TRUE(live.start(program, params, all.slice(0, 500), out, nullptr));
    std::mt19937 rng(5u);
    Series working = all;
    int count = 500;
    while (count < 700) {
        const int step = int(rng() % 3); // 0: cover, 1-2: bars appended
        const int to = std::min(700, count + step);
        if (step == 0) {
            // a cover changes the newest bar's values
            const size_t i = size_t(count - 1);
            working.input.close[i] = working.input.close[i] < DBL_MAX ? working.input.close[i] + 0.05 : 20.0;
            working.input.open[i] = working.input.close[i];
            working.input.high[i] = working.input.close[i] + 0.1;
            working.input.low[i] = working.input.close[i] - 0.1;
        }
        live.advance(working.slice(count - 1, to), out);
        count = to;
        TC::flang::CFormulaRunResult full;
        ASSERT_TRUE(
            TC::flang::CFormulaEvaluator::run(*program, working.slice(0, count), params, full, nullptr));
        ASSERT_EQ(out.outputs.size(), full.outputs.size());
        for (size_t o = 0; o < full.outputs.size(); ++o) {
            const TC::flang::COutput& f = full.outputs[o];
            const TC::flang::COutput& l = out.outputs[o];
            ASSERT_EQ(f.columns.size(), l.columns.size()) << f.name.toStdString();
            for (size_t c = 0; c < f.columns.size(); ++c) {
                const size_t k = l.columns[c].size();
                ASSERT_GE(f.columns[c].size(), k);
                for (size_t j = 0; j < k; ++j)
                    ASSERT_EQ(l.columns[c][j], f.columns[c][f.columns[c].size() - k + j])
                        << f.name.toStdString() << " column " << c << " at bar " << count - int(k) + int(j);
            }
            if (!f.texts.empty()) {
                ASSERT_FALSE(l.texts.empty());
                EXPECT_EQ(l.texts.back(), f.texts.back());
            }
            EXPECT_EQ(l.param1, f.param1);
            EXPECT_EQ(l.param2, f.param2);
        }
    }
    EXPECT_EQ(live.barCount(), 700u);
}

TEST(LiveEvaluator, refusesWhatTheNewestBarCouldChangeInThePast)
{
    for (const char* source :
         {"A:ZIG(3,5);", "A:PEAK(3,5,1);", "A:BACKSET(C>O,3);", "A:CONST(C);", "A:XMA(C,5);",
          "A:CURRBARSCOUNT;", "A:ISLASTBAR;", "A:C/TOTALBARSCOUNT;", "A:\"SH000001$CLOSE\";", "A:CLOSE#WEEK;",
          "A:MA(C,BARSLAST(C>O)+1);", "A:BETA(5);", "DRAWLINE(C>O,H,C<O,L,0);", "A:HOD(C,5);"}) {
        const auto program = compiled(QString::fromLatin1(source));
        QString why;
        EXPECT_FALSE(TC::flang::CFormulaLiveEvaluator::follows(*program, &why)) << source;
        EXPECT_FALSE(why.isEmpty()) << source;
    }
    for (const char* source : {"A:MA(C,N);", "A:REF(C,N)+SAR(N,2,20);", "STICKLINE(C>O,O,C,N,0);"})
        EXPECT_TRUE(
            TC::flang::CFormulaLiveEvaluator::follows(*compiled(QString::fromLatin1(source)), nullptr))
            << source;
}
