// Formula service throughput: the built-in set over a long daily history and
// period aggregation of one-minute bars.
//   cmake -S . -B build-bench -G Ninja -DKLINE_BUILD_BENCH=ON -DCMAKE_BUILD_TYPE=Release
//   ninja -C build-bench FormulaBench && ./build-bench/bench/FormulaBench
#include <cmath>

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDateTime>

#include "platform/config/QLLog.h"
#include "platform/formula/CFormulaParam.h"
#include "platform/formula/engine/CFormulaEngine.h"
#include "platform/market/CMarketStore.h"

namespace {

const char* const kBuiltins[] = {"KLINE", "MA",  "EMA", "VOL", "MACD", "KDJ", "RSI", "CCI", "OBV", "PSY",
                                 "AD",    "CR",  "BOLL", "BIAS", "WR",  "DMI", "TRIX", "DMA", "BRAR", "VR",
                                 "MTM",   "EMV", "ROC", "SAR", "ASI",  "BBI"};

// A private store holding one instrument with `days` daily bars of a seeded walk.
TC::CMarketStore* longHistoryStore(int days)
{
    static TC::CMarketStore* store = nullptr;
    if (store)
        return store;
    store = new TC::CMarketStore(1, QDate(2026, 11, 27), false);
    QVector<quoter::CBar> bars;
    bars.reserve(days);
    QDate d(1700, 1, 1);
    double close = 100.0;
    quint32 seed = 12345;
    for (int i = 0; i < days; ++i, d = d.addDays(1)) {
        seed = seed * 1664525u + 1013904223u;
        const double r = (double(seed >> 8) / double(1u << 24) - 0.5) * 0.04;
        const double open = close;
        close = std::max(1.0, close * (1.0 + r));
        quoter::CBar b;
        b.time = QDateTime(d, QTime(0, 0)).toSecsSinceEpoch();
        b.open = open;
        b.close = close;
        b.high = std::max(open, close) * 1.01;
        b.low = std::min(open, close) * 0.99;
        b.volume = 1e6 + (seed % 100000);
        b.amount = b.volume * close;
        bars.append(b);
    }
    qlservice::CInstrumentDetail detail;
    detail.market = "SH";
    detail.code = "688999";
    detail.key = "SH688999";
    detail.name = "基准";
    detail.kind = "stock";
    store->addInstrument(detail, bars, {});
    return store;
}

TC::CFormulaParam record(const char* formula, const QString& key, qint64 periodMs)
{
    TC::CFormulaParam p;
    p.market = key.left(2);
    p.code = key.mid(2);
    p.formula = QString::fromLatin1(formula);
    p.periodMs = periodMs;
    p.drType = 0;
    return p;
}

void BM_BuiltinSetOnDailyHistory(benchmark::State& state)
{
    TC::CFormulaEngine::setStore(longHistoryStore(int(state.range(0))));
    for (auto _ : state) {
        for (const char* f : kBuiltins) {
            se::RPCFormulaMetaResult meta;
            se::RPCFormulaResult result;
            QString error;
            if (!TC::CFormulaEngine::compute(record(f, QStringLiteral("SH688999"), 86400000), meta, result, &error))
                state.SkipWithError(qPrintable(error));
            benchmark::DoNotOptimize(result.values.data());
        }
    }
    state.SetItemsProcessed(state.iterations() * state.range(0) * int(sizeof(kBuiltins) / sizeof(*kBuiltins)));
    TC::CFormulaEngine::setStore(nullptr);
}
BENCHMARK(BM_BuiltinSetOnDailyHistory)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_AggregateTwentyDaysOfMinutes(benchmark::State& state)
{
    TC::CMarketStore* store = TC::CMarketStore::instance();
    const QString key = QStringLiteral("SH600000");
    const qint64 periods[] = {180, 300, 600, 900, 1800, 3600};
    for (auto _ : state)
        for (qint64 p : periods)
            benchmark::DoNotOptimize(store->bars(key, p, 0).size());
}
BENCHMARK(BM_AggregateTwentyDaysOfMinutes)->Unit(benchmark::kMicrosecond);

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
