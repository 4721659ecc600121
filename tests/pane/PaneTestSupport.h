#pragma once

#include <cmath>
#include <memory>
#include <vector>

#include <boost/make_shared.hpp>
#include <boost/shared_ptr.hpp>

#include <QApplication>
#include <QImage>
#include <QTest>

#include <gtest/gtest.h>

#include "common/EventLog.h"
#include "model/CKLineUiParam.h"
#include "pane/CKLineGraphWidget.h"
#include "platform/framework/CEventDeliverer.h"
#include "platform/framework/CUiResource.h"
#include "platform/market/CStockManager.h"
#include "series/CFormulaBaseAxis.h"
#include "series/CKLineData.h"

namespace ptest {

// The pane's container: records what the pane and its series deliver.
class CSink : public KW::CEventDeliverer, public ktest::EventLog
{
public:
    bool handleEvent(int id, int p1, int p2, const QString& text, void* data) override
    {
        record(id, p1, p2, text, data);
        return true;
    }
};

// A series that takes its answers straight from the test.
class CPaneSeries : public TC::CKLineData
{
public:
    using TC::CKLineData::CKLineData;
    void book(const TC::CFormulaKey& key, const QString& id) { m_req.add(key, id); }
};

// `n` daily tags from 2024-01-02 on.
inline QVector<qint64> dayTags(int n)
{
    QVector<qint64> t;
    for (int i = 0; i < n; ++i)
        t << 1704153600LL + qint64(i) * 86400;
    return t;
}

// A K-line result: bar i opens at 10 + i, trades 1 around it, closes at 10.5 + i.
inline void klineRecords(const QVector<qint64>& tags, se::RPCFormulaMetaResult& m, se::RPCFormulaResult& r)
{
    m.formulaName = "KLINE";
    m.names = {"KLINE"};
    m.styles = {12};
    m.colors = {se::RPCFormulaMetaResult::kDefaultColor};
    m.columns = {{0, 1, 2, 3}};
    m.outputInts = {0};
    m.nameGroups = {{"OPEN", "HIGH", "LOW", "CLOSE"}};
    r.values.assign(4, {});
    r.columnMap = {{0, 0}, {1, 1}, {2, 2}, {3, 3}};
    for (int i = 0; i < tags.size(); ++i) {
        r.times.push_back({tags[i] * 1000, 0});
        const double open = 10.0 + i;
        r.values[0].push_back(open);
        r.values[1].push_back(open + 1.0);
        r.values[2].push_back(open - 0.5);
        r.values[3].push_back(open + 0.5);
        r.barFlags.push_back(1);
    }
    r.outputInts = {1};
}

// A main pane on SH600000 with `bars` daily K-line bars, all visible,
// shown at the given size.
class PaneFixture : public ::testing::Test
{
protected:
    void build(int bars = 30, QSize size = QSize(420, 300), const QStringList& formulas = {"KLINE"},
               int displayType = 0, int viewType = 0)
    {
        // A second build in one test replaces the first pane and its model.
        release();
        ui = boost::make_shared<TC::CKLineUiParam>();
        ui->mainPanel = std::make_shared<TC::CPanelInfo>();
        ui->mainPanel->id = 5000;
        ui->setStock(TC::CStockManager::getInstrumentDetail("SH600000"));
        ui->period = 86400;
        ui->formulaBase = TC::CFormulaBaseAxis::create(0, nullptr, ui);
        series = boost::shared_ptr<CPaneSeries>(new CPaneSeries(ui, 0, &sink));
        series->setFormulas(formulas);
        graph.reset(new TC::CKLineGraphWidget(0, ui, series, displayType, viewType));
        graph->setUpstream(&sink);
        // Setting the instrument clears the series: the answer comes after.
        graph->setStock(ui->curStock);
        if (bars > 0) {
            series->book(TC::CFormulaKey("SH600000", formulas.first()), "pane-id");
            auto meta = std::make_shared<se::RPCFormulaMetaResult>();
            auto result = std::make_shared<se::RPCFormulaResult>();
            klineRecords(dayTags(bars), *meta, *result);
            meta->formulaName = formulas.first().toStdString();
            series->formulaHistoryCallback(meta, result, "pane-id", 1, QString(), false, true);
            ui->m_tradeDateList = dayTags(bars);
        }
        ui->setMinDispIndex(0);
        ui->setMaxDispIndex(std::max(bars - 1, 0));
        ui->crossVisible = false;
        ui->crossIndex = -1;
        graph->resize(size);
        graph->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(graph.get()));
        graph->refreshGraph();
        sink.events.clear();
    }
    void TearDown() override
    {
        release();
        QCoreApplication::processEvents();
    }
    // The model owns its formula base only through the chart, which a pane
    // test has not: the base holds the model, so both would leak.
    void release()
    {
        graph.reset();
        if (ui) {
            delete ui->formulaBase;
            ui->formulaBase = nullptr;
        }
    }
    QImage shot() { return graph->grab().toImage().convertToFormat(QImage::Format_RGB32); }
    static QColor colour(const char* key)
    {
        return KW::CUiResource::instance()->getColor(QLatin1String(key));
    }
    static QColor at(const QImage& img, int x, int y) { return QColor(img.pixel(x, y)); }
    int axisLeft() const { return graph->width() - ui->axisWidth + 1; }

    CSink sink;
    boost::shared_ptr<TC::CKLineUiParam> ui;
    boost::shared_ptr<CPaneSeries> series;
    std::unique_ptr<TC::CKLineGraphWidget> graph;
};

// Columns (or rows) in which two images differ.
inline QVector<int> differingColumns(const QImage& a, const QImage& b)
{
    QVector<int> cols;
    for (int x = 0; x < a.width(); ++x)
        for (int y = 0; y < a.height(); ++y)
            if (a.pixel(x, y) != b.pixel(x, y)) {
                cols << x;
                break;
            }
    return cols;
}

inline QVector<int> differingRows(const QImage& a, const QImage& b, int x0 = 0, int x1 = -1)
{
    QVector<int> rows;
    if (x1 < 0)
        x1 = a.width() - 1;
    for (int y = 0; y < a.height(); ++y)
        for (int x = x0; x <= x1; ++x)
            if (a.pixel(x, y) != b.pixel(x, y)) {
                rows << y;
                break;
            }
    return rows;
}

} // namespace ptest
