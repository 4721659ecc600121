// What a pane refresh costs besides drawing: the 1600 x 900 four-pane chart
// (main pane KLINE + MA, KDJ, MACD, VOL) over 10 000 daily bars of a user CSV
// instrument, as in ChartBench.
//  - BM_RefreshAllocations: the heap allocations of one refresh of the four
//    pane pictures on the GUI thread (malloc, calloc, realloc and the aligned
//    forms; operator new and Qt's containers end there) at 200, 1000, 5000
//    and all 10 000 visible bars: the count must not grow with the bars
//    drawn. glibc only (the hooks forward to its __libc_* entry points).
//  - BM_RefreshFloor: what every refresh pays before a bar is drawn, filling
//    each pane's picture with the background and opening and closing a
//    painter on it.
//   env -u TZ QT_QPA_PLATFORM=offscreen build-rel/bench/PaneRefreshBench
// KLINE_ALLOC_TRACE=1 prints the call stack of every allocation of one
// refresh per size, to find where they come from.
#include <benchmark/benchmark.h>

#include "BenchInstrument.h"

#include <execinfo.h>
#include <pthread.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <memory>
#include <random>

#include <QApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QPainter>
#include <QPixmap>
#include <QTemporaryDir>
#include <QTextStream>

#include "kline/CKLineMainWidget.h"
#include "kline/CKLineWidget.h"
#include "model/CKLineUiParam.h"
#include "pane/CKLineGraphWidget.h"
#include "platform/config/QLLog.h"
#include "platform/framework/CUiResource.h"

#ifdef __GLIBC__
extern "C" {
void* __libc_malloc(size_t);
void* __libc_calloc(size_t, size_t);
void* __libc_realloc(void*, size_t);
void* __libc_memalign(size_t, size_t);
void __libc_free(void*);
}

namespace {
std::atomic<bool> g_counting{false};
pthread_t g_thread;
long g_allocs = 0;
long g_bytes = 0;
bool g_trace = false;
thread_local bool t_inHook = false;

void count(size_t bytes)
{
    if (!g_counting.load(std::memory_order_relaxed) || !pthread_equal(pthread_self(), g_thread))
        return;
    ++g_allocs;
    g_bytes += long(bytes);
    if (g_trace && !t_inHook) {
        t_inHook = true;
        void* frames[12];
        const int n = backtrace(frames, 12);
        static const char kHead[] = "--- allocation\n";
        (void)!write(2, kHead, sizeof kHead - 1);
        backtrace_symbols_fd(frames + 1, n - 1, 2);
        t_inHook = false;
    }
}
} // namespace

extern "C" {
void* malloc(size_t n)
{
    count(n);
    return __libc_malloc(n);
}
void* calloc(size_t n, size_t size)
{
    count(n * size);
    return __libc_calloc(n, size);
}
void* realloc(void* p, size_t n)
{
    count(n);
    return __libc_realloc(p, n);
}
void* memalign(size_t align, size_t n)
{
    count(n);
    return __libc_memalign(align, n);
}
void* aligned_alloc(size_t align, size_t n)
{
    count(n);
    return __libc_memalign(align, n);
}
int posix_memalign(void** out, size_t align, size_t n)
{
    count(n);
    void* p = __libc_memalign(align, n);
    if (!p)
        return 12; // ENOMEM
    *out = p;
    return 0;
}
void free(void* p)
{
    __libc_free(p);
}
}
#endif

namespace {

using bench::kBars;
using bench::kKey;


std::unique_ptr<TC::CKLineMainWidget> g_chart;
int g_last = 0;

void BM_RefreshAllocations(benchmark::State& state)
{
#ifndef __GLIBC__
    state.SkipWithError("needs glibc's allocator entry points");
    return;
#endif
    if (g_last + 1 < kBars) {
        state.SkipWithError("the benchmark instrument did not load");
        return;
    }
    g_chart->handleEvent(190, g_last - int(state.range(0)) + 1, g_last, QString(), nullptr);
    QVector<TC::CKLineWidget*> panes{g_chart->mainPane()};
    panes << g_chart->subPanes();
    auto refresh = [&]() {
        for (TC::CKLineWidget* p : panes)
            p->graph()->refreshGraph();
    };
    refresh(); // buffers reach their size, lazy caches fill
    refresh();
#ifdef __GLIBC__
    g_allocs = g_bytes = 0;
    long refreshes = 0;
    for (auto _ : state) {
        g_trace = refreshes == 0 && qEnvironmentVariableIsSet("KLINE_ALLOC_TRACE");
        g_counting = true;
        refresh();
        g_counting = false;
        g_trace = false;
        ++refreshes;
    }
    state.counters["allocs_per_refresh"] = double(g_allocs) / double(refreshes);
    state.counters["bytes_per_refresh"] = double(g_bytes) / double(refreshes);
#endif
}

void BM_RefreshFloor(benchmark::State& state)
{
    QVector<QPixmap> pictures;
    pictures << QPixmap(g_chart->mainPane()->graph()->size());
    for (TC::CKLineWidget* p : g_chart->subPanes())
        pictures << QPixmap(p->graph()->size());
    const QColor background = KW::CUiResource::instance()->getColor(QStringLiteral("ic_clr_graph_kline_bg"));
    for (auto _ : state)
        for (QPixmap& picture : pictures) {
            picture.fill(background);
            QPainter painter(&picture);
            painter.end();
        }
    QStringList sizes;
    for (const QPixmap& picture : pictures)
        sizes << QStringLiteral("%1x%2").arg(picture.width()).arg(picture.height());
    state.SetLabel(sizes.join(QLatin1Char(' ')).toStdString());
}

} // namespace

BENCHMARK(BM_RefreshAllocations)->Arg(200)->Arg(1000)->Arg(5000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RefreshFloor)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
#ifdef __GLIBC__
    g_thread = pthread_self();
#endif
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    qputenv("KLINEVIEW_HOME", home.path().toUtf8());
    bench::writeInstrumentCsv(home.path());
    QApplication app(argc, argv);
    qlog::configureDefault();
    g_chart = std::make_unique<TC::CKLineMainWidget>(nullptr, 0);
    g_chart->resize(1600, 900);
    g_chart->adjustIndexWidgetSize(4);
    g_chart->setStock(QString::fromLatin1(kKey));
    g_chart->setDrType(0);
    g_chart->show();
    g_chart->request(true);
    g_last = g_chart->getUiParam()->getLastIndex();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_chart.reset();
    return 0;
}
