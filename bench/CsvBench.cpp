// Parsing a user CSV history: 100 000 daily rows and 100 000 one-minute rows,
// with the process's local time zone as a user's machine has it (TZ unset).
//   cmake --build build-rel --target CsvBench && ./build-rel/bench/CsvBench
#include <benchmark/benchmark.h>

#include <QByteArray>
#include <QDate>

#include "platform/market/CCsvLoader.h"

namespace {

QByteArray dailyRows(int n)
{
    QByteArray out = "date,open,high,low,close,volume\n";
    QDate d(1700, 1, 1);
    for (int i = 0; i < n; ++i, d = d.addDays(1)) {
        const double c = 10.0 + (i % 97) * 0.01;
        out += d.toString(QStringLiteral("yyyy-MM-dd")).toLatin1() + ',' + QByteArray::number(c, 'f', 2) + ',' +
               QByteArray::number(c + 0.2, 'f', 2) + ',' + QByteArray::number(c - 0.2, 'f', 2) + ',' +
               QByteArray::number(c, 'f', 2) + ',' + QByteArray::number(1000 + i) + '\n';
    }
    return out;
}

QByteArray minuteRows(int n)
{
    QByteArray out;
    QDate d(2020, 1, 1);
    int minute = 570;
    for (int i = 0; i < n; ++i) {
        const double c = 10.0 + (i % 89) * 0.01;
        out += d.toString(QStringLiteral("yyyy-MM-dd")).toLatin1() + ' ' +
               QByteArray::number(minute / 60).rightJustified(2, '0') + ':' +
               QByteArray::number(minute % 60).rightJustified(2, '0') + ',' + QByteArray::number(c, 'f', 2) + ',' +
               QByteArray::number(c + 0.1, 'f', 2) + ',' + QByteArray::number(c - 0.1, 'f', 2) + ',' +
               QByteArray::number(c, 'f', 2) + ',' + QByteArray::number(500 + i % 300) + '\n';
        if (++minute == 900) {
            minute = 570;
            d = d.addDays(1);
        }
    }
    return out;
}

void parse(benchmark::State& state, const QByteArray& text)
{
    for (auto _ : state) {
        TC::CCsvLoader loader;
        if (!loader.parse(text, QStringLiteral("bench.csv")))
            state.SkipWithError(loader.errorString().toUtf8().constData());
        benchmark::DoNotOptimize(loader.bars().size());
    }
    state.SetItemsProcessed(state.iterations() * 100000);
}

void BM_CsvDaily100k(benchmark::State& state)
{
    static const QByteArray text = dailyRows(100000);
    parse(state, text);
}

void BM_CsvMinute100k(benchmark::State& state)
{
    static const QByteArray text = minuteRows(100000);
    parse(state, text);
}

} // namespace

BENCHMARK(BM_CsvDaily100k)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_CsvMinute100k)->Unit(benchmark::kMillisecond)->Iterations(5);

BENCHMARK_MAIN();
