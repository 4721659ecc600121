#pragma once

#include <QMap>
#include <QObject>
#include <QPair>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVector>

#include "platform/formula/RPCFormulaMetaResult.h"
#include "platform/formula/RPCFormulaResult.h"
#include "platform/framework/CEventDeliverer.h"
#include "platform/indexui/CFormulaKey.h"
#include "platform/indexui/IndexBaseDataReq.h"
#include "platform/indexui/RPCFormulaResultCache.h"

namespace TC {

// Base of every chart series: the formulas a pane shows, their request book
// and the results received for them. It is an event deliverer whose upstream
// is the owning pane, so every event a series delivers reaches the pane's
// handler first.
//
// Choices of this library:
//  - isMainGraph(name) is true for the series' main-graph name (the formula
//    that draws the price itself, set by the pane), compared without case;
//    while none is set, for the price formulas "KLINE" and "TICKDATA".
//    Overlays such as "MA" are not the main graph: superposed instruments
//    and the bar list follow the price formula only.
//  - isNeedYAxis(cache, i): an output takes part in the value range only
//    when it has a drawing style, its style is not one of the codes that
//    draw outside the price scale (14 to 19 vertical lines, whose values are
//    conditions, and 31 the text at a fixed place of the pane), and it has
//    at least one value in the bar window.
//  - updateStrategyBacktestData(ids): the terminal refreshes its back-test
//    panel from those requests. The stand-in has no back-test panel; it keeps
//    the set of request ids whose back-test data is current (backtestIds()):
//    ids still in the request book are marked current, others are forgotten.
//  - getResultTxtStr renders one result as tab-separated text for the
//    clipboard: an optional header line ("时间" and the output names), then
//    one line per bar: the bar time (yyyy-MM-dd hh:mm:ss, local) and each
//    output's first column with up to 6 significant digits; "no value" is
//    left empty.
// GUI thread only.
class IndexBaseData : public QObject, public KW::CEventDeliverer
{
    Q_OBJECT

public:
    using DataMap = QMap<CFormulaKey, RPCFormulaResultCache>;
    using MaxMinMap = QMap<CFormulaKey, QPair<double, double>>;

    explicit IndexBaseData(KW::CEventDeliverer* upstream = nullptr, QObject* parent = nullptr);
    ~IndexBaseData() override;

    const DataMap& getData() const { return m_data; }
    const MaxMinMap& getMaxMinMap() const { return m_maxMinMap; }
    MaxMinMap& getMaxMinMap() { return m_maxMinMap; }

    const QStringList& getFormulas() const { return m_formulas; }
    // Names are kept upper case; a name already held is not added twice.
    void addFormula(const QString& name);
    void setFormulas(const QStringList& names);
    QString getMainGraph() const { return m_mainGraph; }
    void setMainGraph(const QString& name) { m_mainGraph = name.toUpper(); }
    virtual bool isMainGraph(const QString& name) const;

    const QStringList& getTradeModels() const { return m_tradeModels; }
    void setTradeModels(const QStringList& names);

    int getPaneRole() const { return m_paneRole; }
    void setPaneRole(int role) { m_paneRole = role; }

    const IndexBaseDataReq& getReq() const { return m_req; }

    bool hasData() const { return !m_data.isEmpty(); }
    bool hasGroupModelIndex() const;
    bool hasPythonIndex() const;
    // See the class comment; `first`/`last` bound the window (-1: last bar).
    static bool isNeedYAxis(const RPCFormulaResultCache& cache, int i, int first = 0, int last = -1);
    QVector<QString> reqIds() const { return m_req.reqIds(); }

    static QString getResultTxtStr(const se::RPCFormulaResult& result, const se::RPCFormulaMetaResult& meta,
                                   bool withHeader);
    // Several results, separated by one empty line.
    static QString getResultTxtStr(const QVector<RPCFormulaResultCache>& caches, bool withHeader);

    void updateStrategyBacktestData(const QVector<QString>& ids);
    const QSet<QString>& backtestIds() const { return m_backtestIds; }

    // Issues the series' requests; the base has nothing to request.
    virtual void request(int runMode, bool flag);

protected:
    DataMap m_data;
    MaxMinMap m_maxMinMap;
    QStringList m_formulas;
    QString m_mainGraph;
    QStringList m_tradeModels;
    int m_paneRole = 0;
    IndexBaseDataReq m_req;
    QSet<QString> m_backtestIds;
};

} // namespace TC
