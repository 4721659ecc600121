// Real-time path of the formula service: one simulated tick fanned out to 50
// live subscriptions of one instrument (recompute, tail, callbacks).
//   ninja -C build-bench ServiceBench && ./build-bench/bench/ServiceBench
#include <benchmark/benchmark.h>

#include <QCoreApplication>

#include "platform/config/QLLog.h"
#include "platform/formula/CFormulaParam.h"
#include "platform/formula/service/CFormulaManager.h"
#include "platform/market/CChinaTradingCalendar.h"
#include "platform/market/CLocalTimeConverter.h"
#include "platform/market/CMarketSimulator.h"
#include "platform/market/CMarketStore.h"

namespace {

const char* const kFormulas[] = {"KLINE", "MA",  "EMA",  "VOL", "MACD", "KDJ", "RSI",  "CCI", "OBV",
                                 "PSY",   "AD",  "CR",   "BOLL", "BIAS", "WR", "DMI",  "TRIX", "DMA",
                                 "BRAR",  "VR",  "MTM",  "EMV", "ROC",  "SAR", "BBI"};

void BM_OneTickThroughFiftySubscriptions(benchmark::State& state)
{
    TC::CFormulaManager* manager = TC::CFormulaManager::instance();
    TC::CMarketSimulator simulator(TC::CMarketStore::instance(), 3);
    manager->setSimulator(&simulator);
    long updates = 0;
    QVector<TC::CFormulaParam> params;
    for (qint64 periodMs : {60000LL, 300000LL})
        for (const char* f : kFormulas) {
            TC::CFormulaParam p;
            p.market = QStringLiteral("SH");
            p.code = QStringLiteral("600000");
            p.formula = QString::fromLatin1(f);
            p.periodMs = periodMs;
            p.drType = 0;
            p.requestId = QStringLiteral("bench|%1|%2").arg(f).arg(periodMs);
            params.append(p);
        }
    manager->requestFormulas(
        params, [](auto&&...) {}, [&updates](int, QString, const auto&) { ++updates; });
    QCoreApplication::processEvents(); // the histories
    // Start inside the next trading day's morning session.
    const QDate next = TC::CChinaTradingCalendar::tradingDayOnOrAfter(TC::CMarketStore::instance()->today().addDays(1));
    simulator.setClock(TC::CLocalTimeConverter::timeAt(next, 575) * 1000);
    for (auto _ : state) {
        simulator.step();
        QCoreApplication::processEvents();
    }
    state.counters["updates/tick"] = benchmark::Counter(double(updates) / double(state.iterations()));
    QVector<QString> ids;
    for (const auto& p : params)
        ids.append(p.requestId);
    manager->unrequestFormulas(ids);
    manager->setSimulator(nullptr);
}
BENCHMARK(BM_OneTickThroughFiftySubscriptions)->Unit(benchmark::kMillisecond)->Iterations(200);

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
