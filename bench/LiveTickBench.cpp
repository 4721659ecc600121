// Real-time cost of the formula engine: one simulated tick of a one-minute
// chart carried through N live subscriptions (computeTail and the service's
// merge of the updates), over histories of 5 000 to 100 000 bars. Most ticks
// cover the last bar; every 20th opens a new one.
//   cmake -S . -B build-rel -G Ninja -DKLINE_BUILD_BENCH=ON -DCMAKE_BUILD_TYPE=Release
//   ninja -C build-rel LiveTickBench && ./build-rel/bench/LiveTickBench
#include <algorithm>
#include <cmath>
#include <map>
#include <memory>

#include <benchmark/benchmark.h>

#include <QCoreApplication>

#include "platform/config/QLLog.h"
#include "platform/formula/CFormulaParam.h"
#include "platform/formula/engine/CFormulaEngine.h"
#include "platform/formula/service/CFormulaResultOps.h"
#include "platform/market/CLocalTimeConverter.h"
#include "platform/market/CMarketStore.h"

namespace {

const char* const kFormulas[] = {"KLINE", "MA", "EMA", "VOL",  "MACD", "KDJ", "RSI", "CCI",  "OBV",
                                 "PSY",   "AD", "CR",  "BOLL", "BIAS", "WR",  "DMI", "TRIX", "DMA",
                                 "BRAR",  "VR", "MTM", "EMV",  "ROC",  "SAR", "ASI", "BBI"};
const QString kKey = QStringLiteral("SH688998");

// Minute bars of the 09:30-11:30 and 13:00-15:00 sessions on weekdays.
struct Walk {
    quint32 seed = 987654u;
    double close = 50.0;
    QDate day{2000, 1, 3};
    int slot = 0; // 0..239 within the day

    qint64 nextTime()
    {
        if (slot == 240) {
            slot = 0;
            do
                day = day.addDays(1);
            while (day.dayOfWeek() > 5);
        }
        const int minute = slot < 120 ? 571 + slot : 781 + (slot - 120);
        ++slot;
        return TC::CLocalTimeConverter::timeAt(day, minute);
    }
    quoter::CBar bar(qint64 time)
    {
        seed = seed * 1664525u + 1013904223u;
        const double r = (double(seed >> 8) / double(1u << 24) - 0.5) * 0.004;
        quoter::CBar b;
        b.time = time;
        b.open = close;
        close = std::max(1.0, close * (1.0 + r));
        b.close = close;
        b.high = std::max(b.open, b.close) * 1.001;
        b.low = std::min(b.open, b.close) * 0.999;
        b.volume = 1e4 + (seed % 1000);
        b.amount = b.volume * close;
        return b;
    }
};

struct Session {
    std::unique_ptr<TC::CMarketStore> store;
    Walk walk;
    quoter::CBar last;
    QVector<TC::CFormulaParam> params;
    std::vector<se::RPCFormulaResult> results;
};

TC::CFormulaParam record(const char* formula, int i)
{
    TC::CFormulaParam p;
    p.market = kKey.left(2);
    p.code = kKey.mid(2);
    p.formula = QString::fromLatin1(formula);
    p.periodMs = 60000;
    p.drType = 0;
    p.requestId = QStringLiteral("live|%1|%2").arg(QLatin1String(formula)).arg(i);
    return p;
}

void setUp(Session& s, int bars, int subscriptions)
{
    s.store.reset(new TC::CMarketStore(1, QDate(2026, 11, 27), false));
    QVector<quoter::CBar> minutes;
    minutes.reserve(bars);
    for (int i = 0; i < bars; ++i)
        minutes.append(s.walk.bar(s.walk.nextTime()));
    s.last = minutes.last();
    qlservice::CInstrumentDetail detail;
    detail.market = "SH";
    detail.code = kKey.mid(2).toStdString();
    detail.key = kKey.toStdString();
    detail.name = "实时";
    detail.kind = "stock";
    s.store->addInstrument(detail, {}, minutes);
    TC::CFormulaEngine::setStore(s.store.get());
    const int kinds = int(sizeof(kFormulas) / sizeof(*kFormulas));
    for (int i = 0; i < subscriptions; ++i)
        s.params.append(record(kFormulas[i % kinds], i));
    s.results.resize(size_t(subscriptions));
    for (int i = 0; i < subscriptions; ++i) {
        se::RPCFormulaMetaResult meta;
        TC::CFormulaEngine::compute(s.params[i], meta, s.results[size_t(i)], nullptr);
    }
}

// One tick: the store changes, then every subscription is brought up to date.
bool tick(Session& s, long n)
{
    if (n % 20 == 19) {
        s.last = s.walk.bar(s.walk.nextTime());
        s.store->appendMinuteBar(kKey, s.last);
    } else {
        quoter::CBar b = s.last;
        b.close = b.close * (n % 2 ? 1.0005 : 0.9996);
        b.high = std::max(b.high, b.close);
        b.low = std::min(b.low, b.close);
        b.volume += 100;
        b.amount += 100 * b.close;
        s.last = b;
        s.store->updateLastMinuteBar(kKey, b);
    }
    std::vector<std::pair<int, se::RPCFormulaInstantResult>> updates;
    for (int i = 0; i < s.params.size(); ++i) {
        if (!TC::CFormulaEngine::computeTail(s.params[i], s.results[size_t(i)], updates, nullptr))
            return false;
        for (const auto& u : updates)
            TC::CFormulaResultOps::apply(s.results[size_t(i)], u.first, u.second);
    }
    return true;
}

void BM_LiveTick(benchmark::State& state)
{
    Session s;
    setUp(s, int(state.range(0)), int(state.range(1)));
    long n = 0;
    // the first tick after the histories sets up whatever the tail keeps
    if (!tick(s, n++))
        state.SkipWithError("computeTail failed");
    for (auto _ : state) {
        if (!tick(s, n++)) {
            state.SkipWithError("computeTail failed");
            break;
        }
    }
    state.counters["bars"] = double(state.range(0));
    state.counters["subscriptions"] = double(state.range(1));
    TC::CFormulaEngine::setStore(nullptr);
}
BENCHMARK(BM_LiveTick)
    ->ArgsProduct({{5000, 10000, 100000}, {1, 10, 50}})
    ->Unit(benchmark::kMillisecond)
    ->MinTime(0.3);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    qlog::configureDefault();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
