// A 1600 x 900 chart (main pane KLINE + MA, panes KDJ, MACD, VOL) over 10 000
// daily bars of a user CSV instrument: the cached-picture refresh of every
// pane for 200, 1000, 5000 and all 10 000 visible bars (also with the
// per-bar path forced, the drawing before dense windows went per pixel
// column), a one-bar pan, a crosshair move (compose only), and a real-time
// cover of the last bar with the pane refresh it triggers.
#include <benchmark/benchmark.h>

#include <memory>
#include <random>

#include <QApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTextStream>

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

const int kBars = 10000;
const char* const kKey = "SH688888";

void writeCsv(const QString& dir)
{
    QDir().mkpath(dir + "/csv");
    QFile f(dir + "/csv/SH_688888_BENCH_day.csv");
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    QTextStream out(&f);
    out << "date,open,high,low,close,volume\n";
    std::mt19937 rng(7);
    std::normal_distribution<double> step(0.0, 0.02);
    double close = 10.0;
    QDate d(1985, 1, 2);
    for (int i = 0; i < kBars; ++i) {
        while (d.dayOfWeek() > 5)
            d = d.addDays(1);
        const double open = close;
        close = std::max(0.5, open * (1.0 + step(rng)));
        const double high = std::max(open, close) * 1.01;
        const double low = std::min(open, close) * 0.99;
        out << d.toString("yyyy-MM-dd") << ',' << open << ',' << high << ',' << low << ',' << close << ','
            << 100000 + (i * 7919) % 900000 << '\n';
        d = d.addDays(1);
    }
}

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

void BM_CrosshairMove(benchmark::State& state)
{
    showBars(1000);
    auto ui = chart().widget->getUiParam();
    ui->crossVisible = true;
    TC::CKLineGraphWidget* g = chart().widget->mainPane()->graph();
    const int refreshes = g->refreshCount();
    int x = 10;
    for (auto _ : state) {
        x = x >= 1400 ? 10 : x + 7;
        QMouseEvent move(QEvent::MouseMove, QPoint(x, 300), g->mapToGlobal(QPoint(x, 300)), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(g, &move);
        g->repaint();
    }
    if (g->refreshCount() != refreshes)
        state.SkipWithError("a crosshair move redrew the cached picture");
}

void BM_RealtimeCover(benchmark::State& state)
{
    showBars(1000);
    Chart& c = chart();
    const auto series = c.widget->mainPane()->series();
    const TC::CFormulaKey key(QString::fromLatin1(kKey), "KLINE");
    const QString id = se::IdGenerator::genId(c.widget->mainId(), "KLINE", QString::fromLatin1(kKey));
    const TC::RPCFormulaResultCache& cache = series->getData()[key];
    auto instant = std::make_shared<se::RPCFormulaInstantResult>();
    instant->time = cache.result->times.back();
    for (const auto& v : cache.result->values)
        instant->values.push_back(v.back());
    double price = instant->values[3];
    for (auto _ : state) {
        price += 0.01;
        instant->values[3] = price;
        series->formulaRealtimeCallback(2, id, instant);
    }
}

} // namespace

BENCHMARK(BM_RefreshGraph)->Arg(200)->Arg(1000)->Arg(5000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RefreshGraphPerBar)->Arg(5000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PanOneBar)->Args({1000, 0})->Args({1000, 1})->Args({5000, 1})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CrosshairMove)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RealtimeCover)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    qputenv("KLINEVIEW_HOME", home.path().toUtf8());
    writeCsv(home.path());
    QApplication app(argc, argv);
    qlog::configureDefault();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    chart().widget.reset();
    return 0;
}
