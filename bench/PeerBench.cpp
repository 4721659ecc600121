// Side by side in one process: the same 4-pane daily chart (candles + MA
// 5/10/20/60, VOL + MAVOL 5/10, MACD 12/26/9, KDJ 9/3/3) over the same
// 10 000 bars at 1600 x 900, drawn by this project's chart, by QCustomPlot
// and by Qt Charts, for 200, 1000 and 5000 visible bars. Rows: a full frame,
// a one-bar pan, a crosshair move (real mouse event and the real repaint of
// the shown window) and a last-bar update. Every library draws with its own
// default antialiasing. After Google Benchmark's table a markdown table of
// the medians gives this chart's time against the fastest peer.
//
// The peers get the indicators as input data, computed once here from their
// public definitions; only the drawing is compared.
#include <benchmark/benchmark.h>

#include "BenchInstrument.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <QApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QGraphicsLineItem>
#include <QGraphicsSimpleTextItem>
#include <QHash>
#include <QImage>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTextStream>
#include <QVBoxLayout>

#include <QtCharts/QBarSeries>
#include <QtCharts/QBarSet>
#include <QtCharts/QCandlestickSeries>
#include <QtCharts/QCandlestickSet>
#include <QtCharts/QChart>
#include <QtCharts/QChartView>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>

#include <qcustomplot.h>

#include "kline/CKLineMainWidget.h"
#include "kline/CKLineWidget.h"
#include "model/CKLineUiParam.h"
#include "pane/CKLineGraphWidget.h"
#include "platform/config/QLLog.h"
#include "platform/formula/IdGenerator.h"
#include "series/CKLineData.h"

namespace {

using bench::kBars;
const int kWidth = 1600;
const int kHeight = 900;
using bench::kKey;

// ---------------------------------------------------------------- data


struct Bars {
    QVector<QString> dates;
    QVector<double> key, open, high, low, close, volume;
    int size() const { return int(close.size()); }
};

// The peers read back what the chart reads, so the rounding of the CSV is
// the same for all three.
Bars readCsv(const QString& path)
{
    Bars b;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return b;
    QTextStream in(&f);
    in.readLine();
    while (!in.atEnd()) {
        const QStringList c = in.readLine().split(QLatin1Char(','));
        if (c.size() != 6)
            continue;
        b.key << double(b.dates.size());
        b.dates << c[0];
        b.open << c[1].toDouble();
        b.high << c[2].toDouble();
        b.low << c[3].toDouble();
        b.close << c[4].toDouble();
        b.volume << c[5].toDouble();
    }
    return b;
}

const double kNaN = std::numeric_limits<double>::quiet_NaN();

QVector<double> movingAverage(const QVector<double>& x, int n)
{
    QVector<double> out(x.size(), kNaN);
    double sum = 0;
    for (int i = 0; i < x.size(); ++i) {
        sum += x[i];
        if (i >= n)
            sum -= x[i - n];
        if (i >= n - 1)
            out[i] = sum / n;
    }
    return out;
}

// EMA(X, N): Y = (2X + (N-1)Y') / (N+1), starting at the first value.
QVector<double> ema(const QVector<double>& x, int n)
{
    QVector<double> out(x.size());
    for (int i = 0; i < x.size(); ++i)
        out[i] = i == 0 ? x[0] : (2 * x[i] + (n - 1) * out[i - 1]) / (n + 1);
    return out;
}

// SMA(X, N, M): Y = (M X + (N-M) Y') / N, starting at the first value.
QVector<double> sma(const QVector<double>& x, int n, int m)
{
    QVector<double> out(x.size());
    for (int i = 0; i < x.size(); ++i)
        out[i] = i == 0 ? x[0] : (m * x[i] + (n - m) * out[i - 1]) / n;
    return out;
}

struct Indicators {
    QVector<double> ma[4];
    QVector<double> mavol[2];
    QVector<double> dif, dea, macd;
    QVector<double> k, d, j;
};

Indicators computeIndicators(const Bars& b)
{
    Indicators r;
    const int maN[4] = {5, 10, 20, 60};
    for (int i = 0; i < 4; ++i)
        r.ma[i] = movingAverage(b.close, maN[i]);
    r.mavol[0] = movingAverage(b.volume, 5);
    r.mavol[1] = movingAverage(b.volume, 10);
    const QVector<double> fast = ema(b.close, 12);
    const QVector<double> slow = ema(b.close, 26);
    r.dif.resize(b.size());
    for (int i = 0; i < b.size(); ++i)
        r.dif[i] = fast[i] - slow[i];
    r.dea = ema(r.dif, 9);
    r.macd.resize(b.size());
    for (int i = 0; i < b.size(); ++i)
        r.macd[i] = (r.dif[i] - r.dea[i]) * 2;
    QVector<double> rsv(b.size());
    for (int i = 0; i < b.size(); ++i) {
        double lo = b.low[i], hi = b.high[i];
        for (int t = std::max(0, i - 8); t < i; ++t) {
            lo = std::min(lo, b.low[t]);
            hi = std::max(hi, b.high[t]);
        }
        rsv[i] = hi > lo ? (b.close[i] - lo) / (hi - lo) * 100 : 0;
    }
    r.k = sma(rsv, 3, 1);
    r.d = sma(r.k, 3, 1);
    r.j.resize(b.size());
    for (int i = 0; i < b.size(); ++i)
        r.j[i] = 3 * r.k[i] - 2 * r.d[i];
    return r;
}

const Bars* g_bars = nullptr;
const Indicators* g_ind = nullptr;

// ---------------------------------------------------------------- checks

// Share of the pixels of `r` outside its three most common colours. An empty
// plot is its background, its grid and an axis line; candles, bars and
// indicator lines add colours (and antialiased shades) of their own.
double inkShare(const QImage& img, const QRect& r)
{
    const QRect area = r.intersected(img.rect());
    if (area.isEmpty())
        return 0;
    QHash<QRgb, int> counts;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        for (int x = area.left(); x <= area.right(); ++x)
            ++counts[line[x]];
    }
    std::vector<int> sizes;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        sizes.push_back(it.value());
    std::sort(sizes.begin(), sizes.end(), std::greater<int>());
    int rest = 0;
    for (size_t i = 3; i < sizes.size(); ++i)
        rest += sizes[i];
    return double(rest) / double(area.width() * area.height());
}

class PaintCounter : public QObject
{
public:
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

void sendMove(QWidget* w, const QPoint& p)
{
    QMouseEvent move(QEvent::MouseMove, p, w->mapToGlobal(p), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &move);
}

// ---------------------------------------------------------------- sides

// One library's chart window and the four operations the rows time.
class Side
{
public:
    virtual ~Side() = default;
    // Empty when the side is usable.
    virtual QString problem() const { return QString(); }
    // Shows the last `n` bars.
    virtual void setWindow(int n) = 0;
    virtual void fullFrame() = 0;
    virtual void pan(int dir) = 0;
    // Moves the mouse to (x, y) of the main plot and lets the window repaint.
    virtual void crosshair(int x, int y) = 0;
    virtual void lastBar(double close) = 0;
    // Paint events the window's plots received so far.
    virtual int paints() const = 0;
    // The plot rectangles of the four panes in `image()`.
    virtual QVector<QRect> plotRects() const = 0;
    QImage& image() { return m_image; }

    // Empty when every pane of the last rendered frame shows something.
    QString emptyPane() const
    {
        const QVector<QRect> rects = plotRects();
        for (int i = 0; i < rects.size(); ++i)
            if (inkShare(m_image, rects[i]) < 0.005)
                return QStringLiteral("pane %1 drew nothing").arg(i);
        return QString();
    }

protected:
    void render(QWidget* top)
    {
        // A window of the chart may have moved its axes: lay out first, as a
        // shown window would before painting.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        top->render(&m_image);
    }
    QImage m_image{kWidth, kHeight, QImage::Format_ARGB32_Premultiplied};
};

// This project's chart, set up as ChartBench does, the sub-panes VOL, MACD, KDJ.
class ChartSide : public Side
{
public:
    ChartSide()
    {
        m_widget = std::make_unique<TC::CKLineMainWidget>(nullptr, 0);
        m_widget->resize(kWidth, kHeight);
        m_widget->adjustIndexWidgetSize(4);
        const QStringList subs{QStringLiteral("VOL"), QStringLiteral("MACD"), QStringLiteral("KDJ")};
        for (int i = 0; i < subs.size() && i < m_widget->subPanes().size(); ++i)
            if (m_widget->subPanes().at(i)->indexNames() != QStringList{subs[i]})
                m_widget->subPanes().at(i)->setIndex(subs[i], QString());
        m_widget->setStock(QString::fromLatin1(kKey));
        m_widget->setDrType(0);
        m_widget->show();
        m_widget->request(true);
        QCoreApplication::processEvents();
        m_last = m_widget->getUiParam()->getLastIndex();
        m_panes << m_widget->mainPane() << m_widget->subPanes();
        for (TC::CKLineWidget* p : m_panes)
            p->graph()->installEventFilter(&m_counter);
    }

    QString problem() const override
    {
        if (m_last + 1 < kBars)
            return QStringLiteral("the benchmark instrument did not load");
        const QStringList want[4] = {{QStringLiteral("KLINE"), QStringLiteral("MA")},
                                     {QStringLiteral("VOL")},
                                     {QStringLiteral("MACD")},
                                     {QStringLiteral("KDJ")}};
        if (m_panes.size() != 4)
            return QStringLiteral("the chart has %1 panes").arg(m_panes.size());
        if (!klineResult())
            return QStringLiteral("the main pane holds no KLINE result");
        for (int i = 0; i < 4; ++i)
            if (m_panes[i]->indexNames() != want[i])
                return QStringLiteral("pane %1 shows %2").arg(i).arg(m_panes[i]->indexNames().join(QLatin1Char(',')));
        return QString();
    }

    // The outer heights of the panes, the time strip added to the last one.
    QVector<int> paneHeights() const
    {
        QVector<int> h;
        for (TC::CKLineWidget* p : m_panes)
            h << p->height();
        if (!h.isEmpty())
            h.last() += kHeight - m_panes.last()->geometry().bottom() - 1;
        return h;
    }

    void setWindow(int n) override
    {
        m_widget->handleEvent(190, m_last - n + 1, m_last, QString(), nullptr);
        m_widget->getUiParam()->crossVisible = false;
        QCoreApplication::processEvents();
    }

    void fullFrame() override
    {
        for (TC::CKLineWidget* p : m_panes)
            p->graph()->refreshGraph();
        render(m_widget.get());
    }

    void pan(int dir) override
    {
        m_widget->handleEvent(193, 0, dir, QString(), nullptr);
        render(m_widget.get());
    }

    void crosshair(int x, int y) override
    {
        m_widget->getUiParam()->crossVisible = true;
        sendMove(m_panes[0]->graph(), QPoint(x, y));
        QCoreApplication::processEvents();
    }

    void lastBar(double close) override
    {
        if (!m_instant) {
            const se::RPCFormulaResult& result = *klineResult();
            m_instant = std::make_shared<se::RPCFormulaInstantResult>();
            m_instant->time = result.times.back();
            for (const auto& v : result.values)
                m_instant->values.push_back(v.back());
            m_id = se::IdGenerator::genId(m_widget->mainId(), "KLINE", QString::fromLatin1(kKey));
        }
        m_instant->values[3] = close;
        const int before = m_panes[0]->graph()->refreshCount();
        m_panes[0]->series()->formulaRealtimeCallback(2, m_id, m_instant);
        // Real-time repaints may be put off to the next frame; the frame the
        // user then sees is the refreshed pane, so refresh it here.
        if (m_panes[0]->graph()->refreshCount() == before) {
            m_panes[0]->refresh();
            ++m_deferred;
        }
        render(m_widget.get());
    }

    int paints() const override { return m_counter.paints; }
    // Last-bar updates whose pane refresh the chart put off.
    int deferred() const { return m_deferred; }
    int refreshes() const
    {
        int n = 0;
        for (TC::CKLineWidget* p : m_panes)
            n += p->graph()->refreshCount();
        return n;
    }

    QVector<QRect> plotRects() const override
    {
        // The graph without its price axis strip.
        const int axis = m_widget->getUiParam()->axisWidth;
        QVector<QRect> r;
        for (TC::CKLineWidget* p : m_panes) {
            QWidget* g = p->graph();
            r << QRect(g->mapTo(m_widget.get(), QPoint(0, 0)), QSize(g->width() - axis, g->height()));
        }
        return r;
    }

private:
    const se::RPCFormulaResult* klineResult() const
    {
        const auto& data = m_panes[0]->series()->getData();
        const auto found = data.find(TC::CFormulaKey(QString::fromLatin1(kKey), "KLINE"));
        if (found == data.end() || !found->result || found->result->times.empty() ||
            found->result->values.size() < 4)
            return nullptr;
        return found->result.get();
    }

    std::unique_ptr<TC::CKLineMainWidget> m_widget;
    QVector<TC::CKLineWidget*> m_panes;
    PaintCounter m_counter;
    int m_last = 0;
    std::shared_ptr<se::RPCFormulaInstantResult> m_instant;
    QString m_id;
    int m_deferred = 0;
};

// Bar indices on the key axis, labelled with the bar's date.
class DateTicker : public QCPAxisTicker
{
public:
    explicit DateTicker(const QVector<QString>* dates) : m_dates(dates) {}

protected:
    QString getTickLabel(double tick, const QLocale&, QChar, int) override
    {
        const int i = qRound(tick);
        return i >= 0 && i < m_dates->size() ? m_dates->at(i) : QString();
    }

private:
    const QVector<QString>* m_dates;
};

// QCustomPlot: four axis rects stacked with the chart's pane heights, all
// the history in the plottables, the key range set to the window; the
// crosshair on a buffered layer of its own, as QCustomPlot recommends.
class QcpSide : public Side
{
public:
    explicit QcpSide(const QVector<int>& heights)
    {
        const Bars& b = *g_bars;
        const Indicators& in = *g_ind;
        m_plot.resize(kWidth, kHeight);
        m_plot.setMouseTracking(true);
        m_plot.plotLayout()->clear();
        m_plot.plotLayout()->setRowSpacing(1);
        auto* margins = new QCPMarginGroup(&m_plot);
        QList<double> stretch;
        for (int i = 0; i < 4; ++i) {
            auto* rect = new QCPAxisRect(&m_plot);
            m_plot.plotLayout()->addElement(i, 0, rect);
            rect->setMarginGroup(QCP::msLeft | QCP::msRight, margins);
            rect->axis(QCPAxis::atLeft)->setVisible(false);
            rect->axis(QCPAxis::atRight)->setVisible(true);
            rect->axis(QCPAxis::atBottom)->setTickLabels(i == 3);
            if (i == 3)
                rect->axis(QCPAxis::atBottom)->setTicker(QSharedPointer<QCPAxisTicker>(new DateTicker(&b.dates)));
            stretch << (i < heights.size() ? heights[i] : 1);
            m_rects[i] = rect;
        }
        m_plot.plotLayout()->setRowStretchFactors(stretch);

        m_candles = new QCPFinancial(keyAxis(0), valueAxis(0));
        m_candles->setChartStyle(QCPFinancial::csCandlestick);
        m_candles->setData(b.key, b.open, b.high, b.low, b.close, true);
        m_candles->setWidth(0.7);
        m_candles->setTwoColored(true);
        m_candles->setBrushPositive(QColor(Qt::red));
        m_candles->setPenPositive(QPen(Qt::red));
        m_candles->setBrushNegative(QColor(Qt::darkCyan));
        m_candles->setPenNegative(QPen(Qt::darkCyan));
        for (const QVector<double>& ma : in.ma)
            line(0, ma);
        bars(1, b.volume);
        for (const QVector<double>& ma : in.mavol)
            line(1, ma);
        bars(2, in.macd);
        line(2, in.dif);
        line(2, in.dea);
        line(3, in.k);
        line(3, in.d);
        line(3, in.j);

        m_plot.addLayer(QStringLiteral("cursor"), m_plot.layer(QStringLiteral("overlay")), QCustomPlot::limAbove);
        m_cursor = m_plot.layer(QStringLiteral("cursor"));
        m_cursor->setMode(QCPLayer::lmBuffered);
        for (int i = 0; i < 4; ++i) {
            m_vline[i] = new QCPItemStraightLine(&m_plot);
            placeOn(m_vline[i]->point1, i);
            placeOn(m_vline[i]->point2, i);
            m_vline[i]->setClipAxisRect(m_rects[i]);
            m_vline[i]->setLayer(m_cursor);
        }
        m_hline = new QCPItemStraightLine(&m_plot);
        placeOn(m_hline->point1, 0);
        placeOn(m_hline->point2, 0);
        m_hline->setClipAxisRect(m_rects[0]);
        m_hline->setLayer(m_cursor);
        m_label = new QCPItemText(&m_plot);
        placeOn(m_label->position, 0);
        m_label->position->setTypeX(QCPItemPosition::ptAxisRectRatio);
        m_label->setPositionAlignment(Qt::AlignRight | Qt::AlignVCenter);
        m_label->setClipAxisRect(m_rects[0]);
        m_label->setLayer(m_cursor);
        QObject::connect(&m_plot, &QCustomPlot::mouseMove, [this](QMouseEvent* e) { moveCursor(e->pos()); });

        m_plot.installEventFilter(&m_counter);
        m_plot.show();
        QCoreApplication::processEvents();
    }

    void setWindow(int n) override
    {
        m_first = g_bars->size() - n;
        m_last = g_bars->size() - 1;
        applyRange();
        m_plot.replot(QCustomPlot::rpQueuedRefresh);
        QCoreApplication::processEvents();
    }

    void fullFrame() override
    {
        m_plot.replot(QCustomPlot::rpQueuedRefresh);
        render(&m_plot);
    }

    void pan(int dir) override
    {
        m_first += dir;
        m_last += dir;
        applyRange();
        m_plot.replot(QCustomPlot::rpQueuedRefresh);
        render(&m_plot);
    }

    void crosshair(int x, int y) override
    {
        const QPoint topLeft = m_rects[0]->rect().topLeft();
        sendMove(&m_plot, topLeft + QPoint(x, y));
        QCoreApplication::processEvents();
    }

    void lastBar(double close) override
    {
        auto it = m_candles->data()->end() - 1;
        it->close = close;
        it->high = std::max(it->high, close);
        m_plot.replot(QCustomPlot::rpQueuedRefresh);
        render(&m_plot);
    }

    int paints() const override { return m_counter.paints; }

    QVector<QRect> plotRects() const override
    {
        QVector<QRect> r;
        for (QCPAxisRect* rect : m_rects)
            r << rect->rect();
        return r;
    }

private:
    QCPAxis* keyAxis(int pane) const { return m_rects[pane]->axis(QCPAxis::atBottom); }
    QCPAxis* valueAxis(int pane) const { return m_rects[pane]->axis(QCPAxis::atRight); }

    void line(int pane, const QVector<double>& values)
    {
        QCPGraph* g = m_plot.addGraph(keyAxis(pane), valueAxis(pane));
        g->setData(g_bars->key, values, true);
        m_plottables[pane] << g;
    }

    void bars(int pane, const QVector<double>& values)
    {
        auto* b = new QCPBars(keyAxis(pane), valueAxis(pane));
        b->setData(g_bars->key, values, true);
        b->setWidth(0.7);
        m_plottables[pane] << b;
    }

    void placeOn(QCPItemPosition* pos, int pane)
    {
        pos->setAxes(keyAxis(pane), valueAxis(pane));
        pos->setAxisRect(m_rects[pane]);
    }

    // The window's key range on every pane and each pane's value range fitted
    // to the visible data, as the chart fits its panes.
    void applyRange()
    {
        for (int i = 0; i < 4; ++i)
            keyAxis(i)->setRange(m_first - 0.5, m_last + 0.5);
        m_candles->rescaleValueAxis(false, true);
        for (QCPAbstractPlottable* p : m_plottables[0])
            p->rescaleValueAxis(true, true);
        for (int i = 1; i < 4; ++i)
            for (int k = 0; k < m_plottables[i].size(); ++k)
                m_plottables[i][k]->rescaleValueAxis(k > 0, true);
    }

    void moveCursor(const QPoint& p)
    {
        for (int i = 0; i < 4; ++i) {
            const double key = keyAxis(i)->pixelToCoord(p.x());
            m_vline[i]->point1->setCoords(key, 0);
            m_vline[i]->point2->setCoords(key, 1);
        }
        const double value = valueAxis(0)->pixelToCoord(p.y());
        m_hline->point1->setCoords(0, value);
        m_hline->point2->setCoords(1, value);
        m_label->position->setCoords(1.0, value);
        m_label->setText(QString::number(value, 'f', 2));
        m_cursor->replot();
    }

    QCustomPlot m_plot;
    QCPAxisRect* m_rects[4] = {};
    QVector<QCPAbstractPlottable*> m_plottables[4];
    QCPFinancial* m_candles = nullptr;
    QCPLayer* m_cursor = nullptr;
    QCPItemStraightLine* m_vline[4] = {};
    QCPItemStraightLine* m_hline = nullptr;
    QCPItemText* m_label = nullptr;
    PaintCounter m_counter;
    int m_first = 0;
    int m_last = 0;
};

// A chart view that hands its mouse moves to a callback.
class CursorChartView : public QtCharts::QChartView
{
public:
    CursorChartView(QtCharts::QChart* chart, std::function<void(const QPoint&)> onMove)
        : QtCharts::QChartView(chart), m_onMove(std::move(onMove))
    {
        setMouseTracking(true);
        viewport()->setMouseTracking(true);
    }

protected:
    void mouseMoveEvent(QMouseEvent* e) override
    {
        m_onMove(e->pos());
        QtCharts::QChartView::mouseMoveEvent(e);
    }

private:
    std::function<void(const QPoint&)> m_onMove;
};

// Qt Charts: one chart per pane in a vertical layout with the chart's pane
// heights; the series hold only the visible bars (x = position in the
// window); volume and the MACD histogram are QBarSeries; the crosshair is
// QGraphicsLineItems moved in the scenes.
class QtChartsSide : public Side
{
public:
    explicit QtChartsSide(const QVector<int>& heights)
    {
        using namespace QtCharts;
        m_top.resize(kWidth, kHeight);
        auto* layout = new QVBoxLayout(&m_top);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(1);
        for (int i = 0; i < 4; ++i) {
            auto* chart = new QChart;
            chart->legend()->hide();
            chart->layout()->setContentsMargins(0, 0, 0, 0);
            chart->setBackgroundRoundness(0);
            m_x[i] = new QValueAxis;
            m_y[i] = new QValueAxis;
            m_x[i]->setLabelsVisible(i == 3);
            chart->addAxis(m_x[i], Qt::AlignBottom);
            chart->addAxis(m_y[i], Qt::AlignRight);
            m_charts[i] = chart;
            m_views[i] = new CursorChartView(chart, [this, i](const QPoint& p) { moveCursor(i, p); });
            m_views[i]->setFixedHeight(i < heights.size() ? heights[i] : kHeight / 4);
            m_views[i]->viewport()->installEventFilter(&m_counter);
            layout->addWidget(m_views[i]);
        }
        m_candles = new QCandlestickSeries;
        m_candles->setIncreasingColor(QColor(Qt::red));
        m_candles->setDecreasingColor(QColor(Qt::darkCyan));
        m_candles->setBodyWidth(0.7);
        add(0, m_candles);
        for (auto& s : m_ma)
            s = line(0);
        m_volSet = new QBarSet(QString());
        // The theme's white bar border would hide bars about a pixel wide.
        m_volSet->setPen(Qt::NoPen);
        m_volBars = new QBarSeries;
        m_volBars->append(m_volSet);
        m_volBars->setBarWidth(0.7);
        add(1, m_volBars);
        for (auto& s : m_mavol)
            s = line(1);
        m_macdSet = new QBarSet(QString());
        m_macdSet->setPen(Qt::NoPen);
        m_macdBars = new QBarSeries;
        m_macdBars->append(m_macdSet);
        m_macdBars->setBarWidth(0.7);
        add(2, m_macdBars);
        m_dif = line(2);
        m_dea = line(2);
        m_k = line(3);
        m_d = line(3);
        m_j = line(3);
        for (int i = 0; i < 4; ++i) {
            m_vline[i] = new QGraphicsLineItem;
            m_vline[i]->setZValue(1000);
            m_charts[i]->scene()->addItem(m_vline[i]);
        }
        m_hline = new QGraphicsLineItem;
        m_hline->setZValue(1000);
        m_charts[0]->scene()->addItem(m_hline);
        m_label = new QGraphicsSimpleTextItem;
        m_label->setZValue(1000);
        m_charts[0]->scene()->addItem(m_label);
        m_top.show();
        QCoreApplication::processEvents();
    }

    void setWindow(int n) override
    {
        m_first = g_bars->size() - n;
        m_count = n;
        for (int i = 0; i < 4; ++i)
            m_x[i]->setRange(-0.5, n - 0.5);
        fill();
        QCoreApplication::processEvents();
    }

    void fullFrame() override { render(&m_top); }

    void pan(int dir) override
    {
        m_first += dir;
        fill();
        render(&m_top);
    }

    void crosshair(int x, int y) override
    {
        sendMove(m_views[0]->viewport(), QPoint(x, y));
        QCoreApplication::processEvents();
    }

    void lastBar(double close) override
    {
        QtCharts::QCandlestickSet* set = m_candles->sets().last();
        set->setClose(close);
        set->setHigh(std::max(set->high(), close));
        render(&m_top);
    }

    int paints() const override { return m_counter.paints; }

    QVector<QRect> plotRects() const override
    {
        QVector<QRect> r;
        for (int i = 0; i < 4; ++i)
            r << m_charts[i]->plotArea().toRect().translated(m_views[i]->mapTo(&m_top, QPoint(0, 0)));
        return r;
    }

private:
    void add(int pane, QtCharts::QAbstractSeries* s)
    {
        m_charts[pane]->addSeries(s);
        s->attachAxis(m_x[pane]);
        s->attachAxis(m_y[pane]);
    }

    QtCharts::QLineSeries* line(int pane)
    {
        auto* s = new QtCharts::QLineSeries;
        add(pane, s);
        return s;
    }

    struct Range {
        double lo = std::numeric_limits<double>::max();
        double hi = std::numeric_limits<double>::lowest();
        void take(double v)
        {
            lo = std::min(lo, v);
            hi = std::max(hi, v);
        }
    };

    void points(QtCharts::QLineSeries* s, const QVector<double>& v, Range& range)
    {
        QVector<QPointF> pts(m_count);
        for (int i = 0; i < m_count; ++i) {
            pts[i] = QPointF(i, v[m_first + i]);
            range.take(v[m_first + i]);
        }
        s->replace(pts);
    }

    void bars(QtCharts::QBarSet* set, const QVector<double>& v, Range& range)
    {
        QList<qreal> values;
        values.reserve(m_count);
        for (int i = 0; i < m_count; ++i) {
            values << v[m_first + i];
            range.take(v[m_first + i]);
        }
        set->remove(0, set->count());
        set->append(values);
    }

    // Puts the window's bars into the series and fits each pane's value axis.
    void fill()
    {
        const Bars& b = *g_bars;
        const Indicators& in = *g_ind;
        Range range[4];
        QList<QtCharts::QCandlestickSet*> sets;
        sets.reserve(m_count);
        for (int i = 0; i < m_count; ++i) {
            const int t = m_first + i;
            sets << new QtCharts::QCandlestickSet(b.open[t], b.high[t], b.low[t], b.close[t], i);
            range[0].take(b.high[t]);
            range[0].take(b.low[t]);
        }
        m_candles->clear();
        m_candles->append(sets);
        for (int k = 0; k < 4; ++k)
            points(m_ma[k], in.ma[k], range[0]);
        range[1].take(0);
        bars(m_volSet, b.volume, range[1]);
        for (int k = 0; k < 2; ++k)
            points(m_mavol[k], in.mavol[k], range[1]);
        bars(m_macdSet, in.macd, range[2]);
        points(m_dif, in.dif, range[2]);
        points(m_dea, in.dea, range[2]);
        points(m_k, in.k, range[3]);
        points(m_d, in.d, range[3]);
        points(m_j, in.j, range[3]);
        for (int i = 0; i < 4; ++i)
            m_y[i]->setRange(range[i].lo, range[i].hi);
    }

    void moveCursor(int pane, const QPoint& p)
    {
        const QPointF at = m_views[pane]->mapToScene(p);
        for (int i = 0; i < 4; ++i) {
            const QRectF area = m_charts[i]->plotArea();
            m_vline[i]->setLine(at.x(), area.top(), at.x(), area.bottom());
        }
        const QRectF area = m_charts[pane]->plotArea();
        m_hline->setLine(area.left(), at.y(), area.right(), at.y());
        const QPointF value = m_charts[pane]->mapToValue(at, m_candles);
        m_label->setText(QString::number(value.y(), 'f', 2));
        m_label->setPos(area.right() - m_label->boundingRect().width(), at.y());
    }

    QWidget m_top;
    QtCharts::QChart* m_charts[4] = {};
    CursorChartView* m_views[4] = {};
    QtCharts::QValueAxis* m_x[4] = {};
    QtCharts::QValueAxis* m_y[4] = {};
    QtCharts::QCandlestickSeries* m_candles = nullptr;
    QtCharts::QLineSeries* m_ma[4] = {};
    QtCharts::QBarSeries* m_volBars = nullptr;
    QtCharts::QBarSet* m_volSet = nullptr;
    QtCharts::QLineSeries* m_mavol[2] = {};
    QtCharts::QBarSeries* m_macdBars = nullptr;
    QtCharts::QBarSet* m_macdSet = nullptr;
    QtCharts::QLineSeries* m_dif = nullptr;
    QtCharts::QLineSeries* m_dea = nullptr;
    QtCharts::QLineSeries* m_k = nullptr;
    QtCharts::QLineSeries* m_d = nullptr;
    QtCharts::QLineSeries* m_j = nullptr;
    QGraphicsLineItem* m_vline[4] = {};
    QGraphicsLineItem* m_hline = nullptr;
    QGraphicsSimpleTextItem* m_label = nullptr;
    PaintCounter m_counter;
    int m_first = 0;
    int m_count = 0;
};

struct Sides {
    std::unique_ptr<ChartSide> chart;
    std::unique_ptr<QcpSide> qcp;
    std::unique_ptr<QtChartsSide> qtcharts;
};
Sides g_sides;

// ---------------------------------------------------------------- rows

bool prepare(benchmark::State& state, Side* side)
{
    const QString problem = side->problem();
    if (!problem.isEmpty()) {
        state.SkipWithError(problem.toStdString().c_str());
        return false;
    }
    side->setWindow(int(state.range(0)));
    return true;
}

bool drew(benchmark::State& state, Side* side)
{
    const QString empty = side->emptyPane();
    if (empty.isEmpty())
        return true;
    state.SkipWithError(empty.toStdString().c_str());
    return false;
}

void BM_FullFrame(benchmark::State& state, Side* side)
{
    if (!prepare(state, side))
        return;
    side->image().fill(0);
    side->fullFrame();
    if (!drew(state, side))
        return;
    for (auto _ : state)
        side->fullFrame();
    drew(state, side);
}

// Back and forth by one bar; every step redraws the whole frame.
void BM_PanOneBar(benchmark::State& state, Side* side)
{
    if (!prepare(state, side))
        return;
    const int before = side == g_sides.chart.get() ? g_sides.chart->refreshes() : 0;
    side->image().fill(0);
    int dir = -1;
    for (auto _ : state) {
        side->pan(dir);
        dir = -dir;
    }
    if (dir == 1)
        side->pan(1);
    if (side != g_sides.chart.get()) {
        drew(state, side);
        return;
    }
    const int redrawn = g_sides.chart->refreshes() - before;
    state.counters["pictures_per_pan"] = double(redrawn) / double(state.iterations() + (dir == 1 ? 1 : 0));
    if (redrawn == 0)
        state.SkipWithError("a pan redrew no pane picture");
    else
        drew(state, side);
}

// The mouse walks across the main plot; each step is delivered as a real
// mouse event and the window's posted repaints are processed.
void BM_CrosshairMove(benchmark::State& state, Side* side)
{
    if (!prepare(state, side))
        return;
    const int before = side->paints();
    int x = 10;
    int64_t moves = 0;
    for (auto _ : state) {
        x = x >= 1400 ? 10 : x + 7;
        side->crosshair(x, 300);
        ++moves;
    }
    const int painted = side->paints() - before;
    state.counters["paints_per_move"] = double(painted) / double(std::max<int64_t>(moves, 1));
    if (painted < moves)
        state.SkipWithError("a crosshair move was not repainted");
}

void BM_LastBarUpdate(benchmark::State& state, Side* side)
{
    if (!prepare(state, side))
        return;
    const int before = side == g_sides.chart.get() ? g_sides.chart->refreshes() : 0;
    const int deferredBefore = side == g_sides.chart.get() ? g_sides.chart->deferred() : 0;
    const double base = g_bars->close.last();
    side->image().fill(0);
    int i = 0;
    for (auto _ : state)
        side->lastBar(base * (1.0 + 0.001 * (i++ % 7)));
    side->lastBar(base);
    if (side != g_sides.chart.get()) {
        drew(state, side);
        return;
    }
    state.counters["deferred_share"] =
        double(g_sides.chart->deferred() - deferredBefore) / double(state.iterations() + 1);
    if (g_sides.chart->refreshes() == before)
        state.SkipWithError("the last-bar update redrew no pane picture");
    else
        drew(state, side);
}

// ---------------------------------------------------------------- report

const char* const kLibs[3] = {"Chart", "QCustomPlot", "QtCharts"};
const char* const kRows[4] = {"FullFrame", "PanOneBar", "CrosshairMove", "LastBarUpdate"};

// The console table, and every run's real time per iteration kept for the
// medians (the aggregate when Google Benchmark reports one, else the median
// of the repetitions seen).
class MedianReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        benchmark::ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) {
            const std::string name = r.run_name.function_name + "/" + r.run_name.args;
            if (r.error_occurred) {
                m_failed[name] = r.error_message;
                continue;
            }
            const double ms = r.GetAdjustedRealTime() * unitToMs(r.time_unit);
            if (r.run_type == Run::RT_Aggregate) {
                if (r.aggregate_name == "median")
                    m_median[name] = ms;
            } else {
                m_times[name].push_back(ms);
            }
        }
    }

    void printMedians(std::FILE* out) const
    {
        std::fprintf(out, "\n| row | visible bars | this chart (ms) | QCustomPlot (ms) | Qt Charts (ms) | "
                          "this chart / fastest peer |\n|---|---:|---:|---:|---:|---:|\n");
        for (const char* row : kRows) {
            for (int bars : {200, 1000, 5000}) {
                double t[3];
                bool any = false;
                for (int l = 0; l < 3; ++l) {
                    t[l] = median(std::string(row) + "/" + kLibs[l] + "/" + std::to_string(bars));
                    any = any || !std::isnan(t[l]);
                }
                if (!any)
                    continue;
                std::fprintf(out, "| %s | %d |", row, bars);
                for (double v : t)
                    std::fprintf(out, std::isnan(v) ? " - |" : " %.3f |", v);
                const double best = std::fmin(t[1], t[2]);
                if (std::isnan(t[0]) || std::isnan(best))
                    std::fprintf(out, " - |\n");
                else
                    std::fprintf(out, " %.2f |\n", t[0] / best);
            }
        }
        for (const auto& f : m_failed)
            std::fprintf(out, "\nfailed: %s: %s", f.first.c_str(), f.second.c_str());
        std::fprintf(out, "\n");
    }

private:
    static double unitToMs(benchmark::TimeUnit u)
    {
        switch (u) {
        case benchmark::kNanosecond:
            return 1e-6;
        case benchmark::kMicrosecond:
            return 1e-3;
        case benchmark::kMillisecond:
            return 1.0;
        default:
            return 1e3;
        }
    }

    double median(const std::string& name) const
    {
        if (m_failed.count(name))
            return kNaN;
        auto m = m_median.find(name);
        if (m != m_median.end())
            return m->second;
        auto it = m_times.find(name);
        if (it == m_times.end() || it->second.empty())
            return kNaN;
        std::vector<double> v = it->second;
        std::sort(v.begin(), v.end());
        const size_t n = v.size();
        return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
    }

    std::map<std::string, double> m_median;
    std::map<std::string, std::vector<double>> m_times;
    std::map<std::string, std::string> m_failed;
};

void registerRows()
{
    using Fn = void (*)(benchmark::State&, Side*);
    const Fn fns[4] = {BM_FullFrame, BM_PanOneBar, BM_CrosshairMove, BM_LastBarUpdate};
    Side* sides[3] = {g_sides.chart.get(), g_sides.qcp.get(), g_sides.qtcharts.get()};
    for (int r = 0; r < 4; ++r)
        for (int l = 0; l < 3; ++l)
            benchmark::RegisterBenchmark((std::string(kRows[r]) + "/" + kLibs[l]).c_str(), fns[r], sides[l])
                ->Arg(200)
                ->Arg(1000)
                ->Arg(5000)
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime();
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // As on a user's machine: local time from /etc/localtime.
    qunsetenv("TZ");
    QTemporaryDir home;
    qputenv("KLINEVIEW_HOME", home.path().toUtf8());
    const QString csv = bench::writeInstrumentCsv(home.path());
    const Bars bars = readCsv(csv);
    const Indicators indicators = computeIndicators(bars);
    g_bars = &bars;
    g_ind = &indicators;

    QApplication app(argc, argv);
    qlog::configureDefault();
    benchmark::Initialize(&argc, argv);
    if (bars.size() != kBars) {
        std::fprintf(stderr, "PeerBench: the generated CSV has %d bars\n", bars.size());
        return 1;
    }
    g_sides.chart = std::make_unique<ChartSide>();
    const QVector<int> heights = g_sides.chart->paneHeights();
    g_sides.qcp = std::make_unique<QcpSide>(heights);
    g_sides.qtcharts = std::make_unique<QtChartsSide>(heights);
    registerRows();

    MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printMedians(stdout);
    benchmark::Shutdown();

    // Frames of the three at 1000 bars, to look at.
    const QByteArray shots = qgetenv("PEERBENCH_SHOTS");
    if (!shots.isEmpty()) {
        Side* sides[3] = {g_sides.chart.get(), g_sides.qcp.get(), g_sides.qtcharts.get()};
        for (int l = 0; l < 3; ++l) {
            sides[l]->setWindow(1000);
            sides[l]->fullFrame();
            sides[l]->image().save(QString::fromLocal8Bit(shots) + "/" + QLatin1String(kLibs[l]) + ".png");
        }
    }
    g_sides.qtcharts.reset();
    g_sides.qcp.reset();
    g_sides.chart.reset();
    return 0;
}
