// Drawing cost of candles and lines into a pane-sized image.
//   cmake -S . -B build-bench -G Ninja -DKLINE_BUILD_BENCH=ON -DCMAKE_BUILD_TYPE=Release
//   ninja -C build-bench DrawStyleBench && QT_QPA_PLATFORM=offscreen ./build-bench/bench/DrawStyleBench
#include <algorithm>

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include "platform/config/QLLog.h"
#include "platform/indexui/CDrawStyle.h"

namespace {

const int kWidth = 1600;
const int kHeight = 900;

// Candles (output 0) and a moving average (output 1) over a seeded walk.
TC::RPCFormulaResultCache walk(int bars)
{
    se::RPCFormulaMetaResult meta;
    meta.names = {"KLINE", "MA5"};
    meta.styles = {12, 0};
    meta.colors = {se::RPCFormulaMetaResult::kDefaultColor, se::RPCFormulaMetaResult::kDefaultColor};
    meta.widths = {1, 1};
    meta.columns = {{0, 1, 2, 3}, {4}};
    se::RPCFormulaResult result;
    result.values.assign(5, std::vector<double>(size_t(bars)));
    for (int c = 0; c < 5; ++c)
        result.columnMap[c] = c;
    double close = 100.0;
    quint32 seed = 12345;
    for (int i = 0; i < bars; ++i) {
        seed = seed * 1664525u + 1013904223u;
        const double r = (double(seed >> 8) / double(1u << 24) - 0.5) * 0.04;
        const double open = close;
        close = std::max(1.0, close * (1.0 + r));
        const auto b = size_t(i);
        result.values[0][b] = open;
        result.values[1][b] = std::max(open, close) * 1.01;
        result.values[2][b] = std::min(open, close) * 0.99;
        result.values[3][b] = close;
        double sum = 0.0;
        const int n = std::min(i + 1, 5);
        for (int k = 0; k < n; ++k)
            sum += result.values[3][b - size_t(k)];
        result.values[4][b] = sum / n;
        result.times.push_back({qint64(i) * 86400000, qint64(i) * 86400000});
    }
    result.barFlags.assign(size_t(bars), 1);
    return TC::RPCFormulaResultCache(meta, result);
}

TC::CDrawContext context(const TC::RPCFormulaResultCache& cache, int bars)
{
    double max = 0.0;
    double min = 0.0;
    TC::CDrawStyle::calcMaxMin(max, min, 0, bars - 1, cache);
    const double step = double(kWidth) / bars;
    return TC::CDrawContext(QRect(0, 0, kWidth, kHeight), max, min, 0, bars - 1, bars - 1,
                            std::max(0, int(step * 0.35)));
}

void BM_DrawKLine(benchmark::State& state)
{
    const int bars = int(state.range(0));
    const auto cache = walk(bars);
    const auto ctx = context(cache, bars);
    QImage image(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
    TC::CDrawStyle style;
    for (auto _ : state) {
        image.fill(Qt::black);
        QPainter p(&image);
        style.drawKLine(p, ctx, cache, 0, false, 1.0, 2);
    }
    state.SetItemsProcessed(state.iterations() * bars);
}

void BM_DrawSimpleLine(benchmark::State& state)
{
    const int bars = int(state.range(0));
    const auto cache = walk(bars);
    const auto ctx = context(cache, bars);
    QImage image(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
    TC::CDrawStyle style;
    for (auto _ : state) {
        image.fill(Qt::black);
        QPainter p(&image);
        style.drawSimpleLine(p, ctx, cache, 1);
    }
    state.SetItemsProcessed(state.iterations() * bars);
}

void BM_CalcMaxMin(benchmark::State& state)
{
    const int bars = int(state.range(0));
    const auto cache = walk(bars);
    for (auto _ : state) {
        double max = 0.0;
        double min = 0.0;
        benchmark::DoNotOptimize(TC::CDrawStyle::calcMaxMin(max, min, 0, bars - 1, cache));
    }
    state.SetItemsProcessed(state.iterations() * bars);
}

} // namespace

BENCHMARK(BM_DrawKLine)->Arg(200)->Arg(1000)->Arg(5000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DrawSimpleLine)->Arg(200)->Arg(1000)->Arg(5000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CalcMaxMin)->Arg(200)->Arg(1000)->Arg(5000)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv); // fonts for the high / low price marks
    qlog::configureDefault();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
