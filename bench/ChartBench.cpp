// A 1600 x 900 chart (main pane KLINE + MA, panes KDJ, MACD, VOL) over 10 000
// daily bars of a user CSV instrument: the cached-picture refresh of every
// pane for 200, 1000, 5000 and all 10 000 visible bars (also with the
// per-bar path forced, the drawing before dense windows went per pixel
// column), a one-bar pan, and the paths a user sees, really painted into the
// offscreen backing store: a crosshair move, a whole frame from the cached
// pictures, a real-time cover with its refresh, the GUI thread's share of a
// 5 000-updates-per-second feed, and a history request up to the first paint.
// Run with TZ unset, as on a user's machine.
#include <benchmark/benchmark.h>

#include "BenchInstrument.h"

#include <time.h>

#include <chrono>
#include <memory>
#include <random>

#include <QApplication>
#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QImage>
#include <QMap>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QSet>
#include <QStringList>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include "dialogs/CKLineTimeLineWidget.h"
#include "kline/CKLineMainWidget.h"
#include "kline/CKLineWidget.h"
#include "model/CKLineUiParam.h"
#include "pane/CKLineGraphWidget.h"
#include "platform/config/QLLog.h"
#include "platform/formula/IdGenerator.h"
#include "platform/indexui/CDrawStyle.h"
#include "platform/market/CMarketStore.h"
#include "series/CKLineData.h"

namespace {

using bench::kBars;
using bench::kKey;


struct Chart {
    std::unique_ptr<TC::CKLineMainWidget> widget;
    int last = 0;
};

Chart& chart()
{
    static Chart c;
    if (!c.widget) {
        c.widget = std::make_unique<TC::CKLineMainWidget>(nullptr, 0);
        c.widget->resize(1600, 900);
        c.widget->adjustIndexWidgetSize(4);
        c.widget->setStock(QString::fromLatin1(kKey));
        c.widget->setDrType(0);
        c.widget->show();
        c.widget->request(true);
        // The window is exposed, so updates paint into the backing store.
        QCoreApplication::processEvents();
        c.last = c.widget->getUiParam()->getLastIndex();
    }
    return c;
}

void showBars(int n)
{
    Chart& c = chart();
    c.widget->handleEvent(190, c.last - n + 1, c.last, QString(), nullptr);
}

QVector<TC::CKLineWidget*> panes()
{
    QVector<TC::CKLineWidget*> all{chart().widget->mainPane()};
    all << chart().widget->subPanes();
    return all;
}

void BM_RefreshGraph(benchmark::State& state)
{
    if (chart().last + 1 < kBars) {
        state.SkipWithError("the benchmark instrument did not load");
        return;
    }
    showBars(int(state.range(0)));
    const QVector<TC::CKLineWidget*> all = panes();
    for (auto _ : state)
        for (TC::CKLineWidget* p : all)
            p->graph()->refreshGraph();
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_RefreshGraphPerBar(benchmark::State& state)
{
    TC::CDrawStyle::setColumnDrawing(false);
    BM_RefreshGraph(state);
    TC::CDrawStyle::setColumnDrawing(true);
}

// A one-bar pan, back and forth, for n visible bars: dragged in a pane (193,
// kind 0) or moved by the time line (170, kind 1). Every pane redraws its
// picture once per pan.
void BM_PanOneBar(benchmark::State& state)
{
    showBars(int(state.range(0)));
    Chart& c = chart();
    auto ui = c.widget->getUiParam();
    const bool timeLine = state.range(1) == 1;
    const QVector<TC::CKLineWidget*> all = panes();
    int refreshes = 0;
    for (TC::CKLineWidget* p : all)
        refreshes -= p->graph()->refreshCount();
    int dir = -1;
    for (auto _ : state) {
        if (timeLine) {
            int overviewEnd = ui->overviewEnd;
            c.widget->handleEvent(170, ui->getMinDispIndex() + dir, ui->getMaxDispIndex() + dir,
                                  QString::number(ui->overviewStart), &overviewEnd);
        } else {
            c.widget->handleEvent(193, 0, dir, QString(), nullptr);
        }
        dir = -dir;
    }
    for (TC::CKLineWidget* p : all)
        refreshes += p->graph()->refreshCount();
    state.counters["redraws_per_pan"] = double(refreshes) / double(state.iterations());
}

// Counts the paints the event loop really runs, and the area they cover.
class PaintCounter : public QObject
{
public:
    PaintCounter() { qApp->installEventFilter(this); }
    ~PaintCounter() override { qApp->removeEventFilter(this); }
    bool eventFilter(QObject* o, QEvent* e) override
    {
        if (e->type() == QEvent::Paint) {
            ++paints;
            ++byClass[QString::fromLatin1(o->metaObject()->className())];
            if (qobject_cast<TC::CKLineGraphWidget*>(o)) {
                ++panePaints;
                for (const QRect& r : static_cast<QPaintEvent*>(e)->region())
                    paneArea += qint64(r.width()) * r.height();
            }
        }
        return false;
    }
    // "class:paints per n" for the classes painted, to see what a path repaints.
    std::string label(double n) const
    {
        QStringList parts;
        for (auto it = byClass.constBegin(); it != byClass.constEnd(); ++it)
            parts << QStringLiteral("%1:%2")
                         .arg(it.key().section(QLatin1String("::"), -1))
                         .arg(it.value() / n, 0, 'g', 3);
        return parts.join(QLatin1Char(' ')).toStdString();
    }
    qint64 paints = 0;
    qint64 panePaints = 0;
    qint64 paneArea = 0;
    QMap<QString, qint64> byClass;
};

// Paints what updates have asked for, as the event loop would next.
void paintPending()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
}

int totalRefreshes()
{
    int n = 0;
    for (TC::CKLineWidget* p : panes())
        n += p->graph()->refreshCount();
    return n;
}

qint64 paneArea()
{
    qint64 a = 0;
    for (TC::CKLineWidget* p : panes())
        a += qint64(p->graph()->width()) * p->graph()->height();
    return a;
}

// A real mouse move over the main pane with the crosshair on, then the paint
// of what it invalidated: every pane's crosshair, titles and the time strip.
void BM_CrosshairMove(benchmark::State& state)
{
    showBars(1000);
    auto ui = chart().widget->getUiParam();
    ui->crossVisible = true;
    TC::CKLineGraphWidget* g = chart().widget->mainPane()->graph();
    paintPending();
    const int refreshes = totalRefreshes();
    PaintCounter counter;
    int x = 10;
    for (auto _ : state) {
        x = x >= 1400 ? 10 : x + 7;
        QMouseEvent move(QEvent::MouseMove, QPoint(x, 300), g->mapToGlobal(QPoint(x, 300)), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(g, &move);
        paintPending();
    }
    if (totalRefreshes() != refreshes)
        state.SkipWithError("a crosshair move redrew the cached picture");
    else if (counter.panePaints < state.iterations())
        state.SkipWithError("a crosshair move painted no pane");
    const double n = double(state.iterations());
    state.counters["pane_paints_per_move"] = double(counter.panePaints) / n;
    state.counters["paints_per_move"] = double(counter.paints) / n;
    // The share of the panes' area a move repaints.
    state.counters["pane_area_share"] = double(counter.paneArea) / n / double(paneArea());
    state.SetLabel(counter.label(n));
}

// A whole frame of the chart composed from the cached pictures.
void BM_FrameFromCaches(benchmark::State& state)
{
    showBars(int(state.range(0)));
    Chart& c = chart();
    paintPending();
    QImage frame(c.widget->size(), QImage::Format_ARGB32_Premultiplied);
    const int refreshes = totalRefreshes();
    for (auto _ : state) {
        c.widget->render(&frame);
        benchmark::DoNotOptimize(frame.constBits());
    }
    if (totalRefreshes() != refreshes)
        state.SkipWithError("composing a frame redrew a cached picture");
}

struct Feed {
    TC::CKLineData* series = nullptr;
    QString id;
    std::shared_ptr<se::RPCFormulaInstantResult> instant;
};

// One cover of the newest bar per live subscription of the chart, starting
// from the stored last bar.
std::vector<Feed> feeds()
{
    std::vector<Feed> out;
    for (TC::CKLineWidget* p : panes()) {
        const auto& series = p->series();
        for (const QString& id : series->reqIds()) {
            TC::CFormulaKey key;
            if (!series->getReq().getKey(key, id))
                continue;
            const auto it = series->getData().constFind(key);
            if (it == series->getData().constEnd() || !it->isValid() || it->result->times.empty())
                continue;
            Feed f;
            f.series = series.get();
            f.id = id;
            f.instant = std::make_shared<se::RPCFormulaInstantResult>();
            f.instant->time = it->result->times.back();
            for (const auto& v : it->result->values)
                f.instant->values.push_back(v.back());
            out.push_back(f);
        }
    }
    return out;
}

void cover(Feed& f, double step)
{
    for (double& v : f.instant->values)
        if (TC::CDrawStyle::isValue(v))
            v += step;
    f.series->formulaRealtimeCallback(2, f.id, f.instant);
}

// A cover of the main series' last bar, the pane refresh it triggers and the
// paint of the pane.
void BM_RealtimeCover(benchmark::State& state)
{
    showBars(1000);
    Chart& c = chart();
    paintPending();
    std::vector<Feed> all = feeds();
    Feed* main = nullptr;
    for (Feed& f : all)
        if (f.series == c.widget->mainPane()->series().get() && f.instant->values.size() >= 4)
            main = &f;
    if (!main) {
        state.SkipWithError("no main series subscription");
        return;
    }
    TC::CKLineGraphWidget* g = c.widget->mainPane()->graph();
    const int before = g->refreshCount();
    const int tailsBefore = g->tailRefreshCount();
    double step = 0.01;
    for (auto _ : state) {
        step = -step;
        cover(*main, step);
        // The refresh the coalescing timer would run within a frame.
        c.widget->mainPane()->flushRefresh();
        paintPending();
    }
    state.counters["refreshes_per_cover"] = double(g->refreshCount() - before) / double(state.iterations());
    // Covers whose refresh drew only the newest bars' strip.
    state.counters["strip_share"] = double(g->tailRefreshCount() - tailsBefore) / double(state.iterations());
}

double threadCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// 5 000 covers a second spread over the chart's subscriptions, for two
// seconds through the real event loop: the GUI thread's CPU share.
void BM_RealtimeCpuShare(benchmark::State& state)
{
    showBars(1000);
    paintPending();
    const int rate = int(state.range(0));
    const qint64 durationMs = 2000;
    double share = 0.0;
    qint64 delivered = 0;
    int refreshes = 0;
    qint64 panePaints = 0;
    for (auto _ : state) {
        std::vector<Feed> all = feeds();
        if (all.empty()) {
            state.SkipWithError("no subscription");
            return;
        }
        PaintCounter counter;
        const int refreshesBefore = totalRefreshes();
        QEventLoop loop;
        QTimer tick;
        tick.setTimerType(Qt::PreciseTimer);
        tick.setInterval(1);
        QElapsedTimer wall;
        std::size_t next = 0;
        double step = 0.01;
        delivered = 0;
        QObject::connect(&tick, &QTimer::timeout, [&] {
            const qint64 due = std::min(wall.elapsed(), durationMs) * rate / 1000;
            for (; delivered < due; ++delivered) {
                step = -step;
                cover(all[next], step);
                next = (next + 1) % all.size();
            }
            if (wall.elapsed() >= durationMs)
                loop.quit();
        });
        const double cpu0 = threadCpuSeconds();
        wall.start();
        tick.start();
        loop.exec();
        const double cpu = threadCpuSeconds() - cpu0;
        share = cpu / (double(wall.nsecsElapsed()) * 1e-9);
        refreshes = totalRefreshes() - refreshesBefore;
        panePaints = counter.panePaints;
    }
    state.counters["cpu_share"] = share;
    state.counters["updates"] = double(delivered);
    state.counters["refreshes"] = refreshes;
    state.counters["pane_paints"] = double(panePaints);
}

// A new 4-pane chart on the 10 000-bar instrument: from the history request
// until every pane has painted its bars.
void BM_HistoryToFirstPaint(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        auto w = std::make_unique<TC::CKLineMainWidget>(nullptr, 0);
        w->resize(1600, 900);
        w->adjustIndexWidgetSize(4);
        w->setStock(QString::fromLatin1(kKey));
        w->setDrType(0);
        w->show();
        QCoreApplication::processEvents();
        QVector<TC::CKLineWidget*> all{w->mainPane()};
        all << w->subPanes();
        QSet<QObject*> painted;
        struct Filter : QObject {
            QSet<QObject*>* painted = nullptr;
            QVector<TC::CKLineWidget*>* all = nullptr;
            bool eventFilter(QObject* o, QEvent* e) override
            {
                if (e->type() == QEvent::Paint)
                    for (TC::CKLineWidget* p : *all)
                        if (o == p->graph() && p->graph()->hasData())
                            painted->insert(o);
                return false;
            }
        } filter;
        filter.painted = &painted;
        filter.all = &all;
        qApp->installEventFilter(&filter);
        QElapsedTimer guard;
        guard.start();
        state.ResumeTiming();
        w->request(true);
        while (painted.size() < all.size() && guard.elapsed() < 10000)
            QCoreApplication::processEvents();
        state.PauseTiming();
        qApp->removeEventFilter(&filter);
        const bool ok = painted.size() == all.size() && w->getUiParam()->getLastIndex() + 1 >= kBars;
        w.reset();
        state.ResumeTiming();
        if (!ok) {
            state.SkipWithError("the chart did not paint its bars");
            return;
        }
    }
}

} // namespace

BENCHMARK(BM_RefreshGraph)->Arg(200)->Arg(1000)->Arg(5000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RefreshGraphPerBar)->Arg(5000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PanOneBar)->Args({1000, 0})->Args({1000, 1})->Args({5000, 1})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CrosshairMove)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FrameFromCaches)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RealtimeCover)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RealtimeCpuShare)->Arg(5000)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HistoryToFirstPaint)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    qputenv("KLINEVIEW_HOME", home.path().toUtf8());
    bench::writeInstrumentCsv(home.path());
    QApplication app(argc, argv);
    qlog::configureDefault();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    chart().widget.reset();
    return 0;
}
