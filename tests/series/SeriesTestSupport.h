#pragma once

#include <cfloat>
#include <memory>
#include <vector>

#include <boost/make_shared.hpp>
#include <boost/shared_ptr.hpp>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QVector>

#include "common/EventLog.h"
#include "model/CKLineUiParam.h"
#include "platform/framework/CEventDeliverer.h"
#include "platform/market/CStockManager.h"
#include "series/CFormulaBaseAxis.h"
#include "series/CKLineData.h"

namespace stest {

// The pane a series reports to: records every event, answers event 221
// (N of an N-minute period) with `periodN`.
class CRecordingPane : public KW::CEventDeliverer, public ktest::EventLog
{
public:
    bool handleEvent(int id, int p1, int p2, const QString& text, void* data) override
    {
        if (id == 221 && data)
            *static_cast<int*>(data) = periodN;
        record(id, p1, p2, text, data);
        return true;
    }
    int periodN = 1;
};

// A series with its request book open to the test.
class CTestSeries : public TC::CKLineData
{
public:
    using TC::CKLineData::CKLineData;
    void book(const TC::CFormulaKey& key, const QString& id) { m_req.add(key, id); }
    bool fill(TC::CFormulaParam& p, const QString& stock, const QString& formula)
    {
        return fillParam(p, stock, formula, 0);
    }
};

// Processes events until `cond` holds; the limit only bounds a failure.
template <typename F> bool waitFor(F cond, int limitMs = 20000)
{
    QElapsedTimer t;
    t.start();
    while (!cond() && t.elapsed() < limitMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return cond();
}

// A chart view model on an instrument of the sample market, with its
// selector; release() deletes the selector the model does not own.
struct CChart {
    explicit CChart(const QString& key, qint64 period = 86400, int indexType = 0)
    {
        ui = boost::make_shared<TC::CKLineUiParam>();
        ui->mainPanel = std::make_shared<TC::CPanelInfo>();
        ui->mainPanel->id = 5000;
        ui->setStock(TC::CStockManager::getInstrumentDetail(key));
        ui->period = period;
        ui->indexType = indexType;
        ui->formulaBase = TC::CFormulaBaseAxis::create(indexType, nullptr, ui);
    }
    ~CChart()
    {
        delete ui->formulaBase;
        ui->formulaBase = nullptr;
    }
    boost::shared_ptr<TC::CKLineUiParam> ui;
};

// Synthetic records: a K-line-like meta (first group OPEN HIGH LOW CLOSE)
// and a result with one bar per time tag whose close is 10 + bar.
inline std::shared_ptr<se::RPCFormulaMetaResult> klineMeta()
{
    auto m = std::make_shared<se::RPCFormulaMetaResult>();
    m->formulaName = "KLINE";
    m->names = {"KLINE"};
    m->styles = {0};
    m->colors = {se::RPCFormulaMetaResult::kDefaultColor};
    m->columns = {{0, 1, 2, 3}};
    m->outputInts = {0};
    m->nameGroups = {{"OPEN", "HIGH", "LOW", "CLOSE"}};
    return m;
}

inline std::shared_ptr<se::RPCFormulaResult> klineResult(const QVector<qint64>& tags)
{
    auto r = std::make_shared<se::RPCFormulaResult>();
    r->values.assign(4, {});
    r->columnMap = {{0, 0}, {1, 1}, {2, 2}, {3, 3}};
    for (int i = 0; i < tags.size(); ++i) {
        r->times.push_back({tags[i] * 1000, 0});
        for (int v = 0; v < 4; ++v)
            r->values[size_t(v)].push_back(10.0 + i + v * 0.1);
        r->barFlags.push_back(1);
    }
    r->outputInts = {1};
    return r;
}

inline std::shared_ptr<se::RPCFormulaInstantResult> instant(qint64 tag, double close)
{
    auto in = std::make_shared<se::RPCFormulaInstantResult>();
    in->time.timeMs = tag * 1000;
    in->values = {close, close, close, close};
    return in;
}

} // namespace stest
