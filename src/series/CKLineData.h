#pragma once

#include <cfloat>
#include <climits>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <boost/enable_shared_from_this.hpp>
#include <boost/shared_ptr.hpp>
#include <boost/thread/shared_mutex.hpp>

#include <QDate>
#include <QFont>
#include <QHash>
#include <QLine>
#include <QMap>
#include <QPair>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QTime>
#include <QVector>

#include "kline/IndexKLineViewGlobal.h"
#include "platform/formula/CFormulaParam.h"
#include "platform/formula/LongHuBangRankListInfo.h"
#include "platform/formula/RPCFormulaInstantResult.h"
#include "platform/formula/RPCFormulaMetaResult.h"
#include "platform/formula/RPCFormulaResult.h"
#include "platform/formula/RPCGroupResult.h"
#include "platform/framework/CShapedTextCache.h"
#include "platform/indexui/IndexBaseData.h"
#include "platform/market/DividData.h"

class QFontMetrics;
class QPainter;

namespace qlservice {
class COrderDetail;
class CDealDetail;
class CTaskDetail;
} // namespace qlservice

namespace TC {

class CDrawStyle;

class CKLineUiParam;

// One chart pane's set of series: the pane's formulas requested for the
// chart's instrument (and, on the main pane, for every superposed
// instrument), and the results received for them.
//
// Created with new and owned through boost::shared_ptr: request() binds the
// service's callbacks to shared_from_this(), so the service keeps the series
// alive until it is unrequested. request() on a series that no shared
// pointer owns logs an error and sends nothing.
//
// Choices:
//  - Both request paths also hand the service a response-back callback, so
//    an id the service moves (a merged request split off) is followed.
//  - A record that cannot be filled (tick mode without an instrument) is
//    not sent and its key stays out of the request table.
//  - Periods 10/11/13 ask the host for N with event 221; N below 1 (no
//    answer) counts as 1.
//  - The chart's bar list (m_tradeDateList) follows the base instrument's
//    main-graph results. Several main-graph formulas (KLINE and overlaid
//    indicators) report the same new bar, so a real-time append extends the
//    list only when the bar is later than its last tag, and a superposed
//    series gets a placeholder only when it has no bar at that time yet.
//    Events 197 and 3266 go out when the base instrument's main-graph series
//    gains a bar; a superposed series' own bar only repaints (180).
//  - The ranking-list callbacks hold the series weakly: they run on a worker
//    thread and must not keep a chart alive, nor let it die there.
//  - Satellite data is aligned by time bucket onto the chart's bars (or the
//    market's trading days for the day period): per bucket the latest bar
//    wins, buckets without data get "no value" (flag 0). The sub-pane bound
//    compares seconds with seconds.
// Drawing: calcDrawRange / calcYAxis prepare the value ranges and axis ticks
// of the pane, drawSeries paints the axis and every series (other
// instruments first, the chart's own last) through the owned CDrawStyle.
class INDEXKLINEVIEW_EXPORT CKLineData : public IndexBaseData,
                                         public boost::enable_shared_from_this<CKLineData>
{
    Q_OBJECT

public:
    using MetaPtr = std::shared_ptr<se::RPCFormulaMetaResult>;
    using ResultPtr = std::shared_ptr<se::RPCFormulaResult>;
    using InstantPtr = std::shared_ptr<se::RPCFormulaInstantResult>;
    using RankRecords = QVector<std::shared_ptr<se::LongHuBangRankListInfo>>;
    using RankListByDay = QMap<qint64, RankRecords>;

    static constexpr int kStockTypeRankList = 100001;

    explicit CKLineData(boost::shared_ptr<CKLineUiParam> uiParam, int paneRole = 0,
                        KW::CEventDeliverer* deliverer = nullptr);
    // Does not cancel requests: the owner calls unrequest() first.
    ~CKLineData() override;
    CKLineData(const CKLineData&) = delete;
    CKLineData& operator=(const CKLineData&) = delete;

    boost::shared_ptr<CKLineUiParam> uiParam() const { return m_pUiParam; }

    // --- requests
    void request(int mode, bool flag) override;
    void requestReplay(int mode);
    // The records a full (batch) request of the chart needs from this series;
    // their ids are booked as for request().
    void collectFormulaParams(QVector<CFormulaParam>& records, int mode) { collectParams(records, mode); }
    void unrequest();
    void updateFormula(const QString& name, const QString& mergeGroup);
    void removeFormula(const QString& name);
    // Parameter values the pane gives a formula ("12,26,9"); requests use
    // them instead of the catalogue's defaults.
    void setParamText(const QString& formula, const QString& text);
    void setViewType(int viewType) { m_viewType = viewType; }
    int viewType() const { return m_viewType; }
    void setPaneNo(const int& paneNo) { m_paneNo = paneNo; }
    int paneNo() const { return m_paneNo; }
    const QString& mergeGroup() const { return m_mergeGroup; }
    int modelRun() const { return m_modelRun; }
    // Bar indexes of a series of `bars` bars for the chart's window (x first,
    // y last bar of the main series).
    QPoint getSeriesRegion(QPoint window, int bars, const CFormulaKey& key) const;
    // Drops every stored result.
    void clearSeries();

    // --- results (called by the formula service on the GUI thread)
    void formulaHistoryCallback(const MetaPtr& meta, const ResultPtr& result, QString reqId, int dataType,
                                QString text, bool quiet, bool flag);
    void formulaRealtimeCallback(int dataType, QString reqId, const InstantPtr& instant);
    // True while the repaint event of a real-time update is delivered: the
    // pane may then coalesce it with the updates that follow.
    bool isRealtimeRepaint() const { return m_realtimeRepaint; }
    void formulaResponseBack(const QVector<QString>& reqIds, const QVector<CFormulaParam>& params);
    void satelliteFormulaDataCallback(const MetaPtr& meta, const ResultPtr& result, const QString& reqId,
                                      const QString& formulaName, int dataType);
    void updateGroupResult(const QString& reqId);
    // Results of superposed instruments as received (not re-indexed).
    const DataMap& nonBaseData() const { return m_nonBaseData; }
    int lockRestoreCount() const { return m_lockRestoreCount; }
    // The pane shows data pushed by the satellite client.
    void setSatelliteFed(bool on) { m_satelliteFed = on; }
    bool isSatelliteFed() const { return m_satelliteFed; }

    // --- drawing (GUI thread; the pane's refreshGraph calls the preparation
    // steps, then the passes, on its cached picture)
    void calcDrawRange(const QRect& rect);
    void calcYAxis(const QRect& rect);
    void calcDividData(const QRect& rect);
    void calcLongHuBangData(const QRect& rect);
    // `fromX`: the painter is clipped to the columns from fromX on (a strip
    // redraw), so strokes well left of it may be left out.
    void drawSeries(QPainter& painter, const QRect& rect, int fromX = INT_MIN);
    void drawDividMark(QPainter& painter, const QRect& rect);
    void drawDot(QPainter& painter, const QRect& rect);
    // The trading-linkage records on the tick chart's main pane: orders
    // (hollow circles), deals (filled), the day's average cost step lines and
    // algorithmic tasks. Rebuilds the three hit tables below.
    void drawTradeMark(QPainter& painter, const QRect& rect);
    // fromX as drawSeries's: the grid starts at the dash before it.
    void drawAxis(QPainter& painter, const QRect& rect, int fromX = INT_MIN);
    // The bar of a linkage record's time (seconds) on the record's own day;
    // -1 when it has none.
    int barOfRecord(qint64 secs) const;
    void drawCostLines(QPainter& painter, const QRect& rect, int first, int last, qint64 lastDay);
    void drawTasks(QPainter& painter, const QRect& rect, const std::set<std::string>& accounts, double refClose,
                   int first, int last);
    void drawIndex(QPainter& painter, const QRect& plot, int first, int last, const CFormulaKey& key,
                   RPCFormulaResultCache& cache, int fromX = INT_MIN);
    void drawLatestPrice(QPainter& painter, int output, const QPair<double, double>& range, double price,
                         const QRect& plot);
    // The overview strip: the close curve of the whole history (the view
    // model's overview range) as a filled area, then the year labels.
    void drawTimelineOverview(QPainter& painter, const QRect& rect);
    void drawYearLabels(QPainter& painter, const QRect& rect);
    // Decimals of a price tick (2 without an instrument).
    static int tickDigits(double tick);
    void beReplay(bool on) { m_replay = on; }
    bool isReplay() const { return m_replay; }
    // Factor mapping a superposed entry's prices onto the chart instrument's
    // at the first visible bar (1 when it cannot be computed).
    float getSuperposScale(const CFormulaKey& key) const;
    // The visible window re-expressed as the superposed entry's bars at the
    // same times (unchanged when the times are not found).
    void adjustSuperposDrawRegion(QPoint& window, const RPCFormulaResultCache& cache) const;
    // Drops the results of every superposed instrument of the view model's
    // list; the chart's own instrument keeps its series even when it is in
    // the list too.
    void delAllStockData();
    // Drops every result of one superposed instrument or custom index.
    void removeStockData(const QString& key);
    // --- ex-rights records of the chart's instrument (main pane)
    // Loads the records of the current instrument from the data source.
    void loadDividData();
    // Forgets the records; `reload` loads them again at once (otherwise the
    // next request does).
    void clearAndRequestDivid(bool reload);
    const std::vector<std::shared_ptr<quoter::DividData>>& dividData() const { return m_dividData; }
    const QString& dividKey() const { return m_dividKey; }
    // For hosts that bring their own records: replaces the loaded ones as
    // the records of `key` (sorted here). A request for another instrument
    // loads that one's again.
    void setDividData(const QString& key, std::vector<std::shared_ptr<quoter::DividData>> records);
    // Ex-rights marks of the visible window, rebuilt by calcDividData: mark x
    // -> tip lines (records sharing a pixel share the list).
    const QMap<int, QStringList>& dividTable() const { return m_dividTable; }
    // The tip lines of the first mark (in x order) whose box (x, pane bottom
    // 8 rows, 5 wide) holds `p`; false when none does.
    bool getDividTip(const QPoint& p, const QRect& rect, QStringList& lines) const;
    // The labels drawAxis prints at the ticks (none when the pane has no
    // result of the base instrument).
    // With a font's metrics, each label fits `width` pixels (fewer decimals).
    QStringList axisLabelTexts(const QFontMetrics* fm = nullptr, int width = 0) const;
    // The boxes of the price labels drawn by the last axis pass.
    const QVector<QRect>& axisLabelRects() const { return m_axisLabelRects; }
    // Axis ticks of the last calcYAxis: (value, y).
    const QVector<QPair<double, int>>& axisTicks() const { return m_axisTicks; }
    // The pane's value range: that of its first formula with a result of the
    // base instrument (false when there is none).
    bool paneRange(double& max, double& min) const;
    // The value the crosshair follows at bar `index`: the close of the price
    // formula, else output 0 of the first formula with a result (NaN: none).
    double valueAtIndex(int index) const;
    // Value <-> pixel row in `rect` with the pane range (NaN / INT_MIN when the
    // pane has no range).
    double valueAtY(int y, const QRect& rect) const;
    int yOfValue(double value, const QRect& rect) const;
    // What the picture was drawn with. After covers of the newest bar a pane
    // redraws only tailStrip(), and only while this stays the same.
    struct PictureState {
        QSize size;
        int first = 0;
        int last = -1;
        int dates = 0;
        int plotWidth = 0;
        int axisWidth = 0;
        QVector<int> bars;                     // per result
        QVector<QPair<double, double>> ranges; // the pane ranges
        QVector<QPair<double, int>> ticks;
        // Known once drawn: each output's drawn range, the marks' bars.
        QVector<QPair<double, double>> drawn;
        int highBar = -1;
        int lowBar = -1;
        // Everything known before drawing is the same.
        bool sameLayout(const PictureState& o) const;
        bool operator==(const PictureState& o) const;
    };
    PictureState pictureState(const QRect& pane) const;
    // Whether a cover of the newest bar can change the picture only in
    // tailStrip(): every output draws at its own bars (no texts, icons or
    // lines reaching back), every result has one bar per chart slot, and
    // there is no superposed instrument, tick chart or replay.
    bool coversAreLocal() const;
    // From the bar before the newest one (or the plot's right edge when the
    // newest is not shown) to the pane's right edge, axis included.
    QRect tailStrip(const QRect& pane) const;
    // The value range output `output` of `key` was last drawn with: the
    // pane's range, or the output's own over the window for an output off
    // the pane's scale. False before it was drawn.
    bool drawnRange(const CFormulaKey& key, int output, QPair<double, double>& range) const;

    // --- trade marks of the last drawTradeMark: x -> y -> record key -> record
    template <typename R>
    using TradeTable = std::map<int, std::map<int, std::map<std::string, std::shared_ptr<R>>>>;
    // Records drawn within 4 pixels of (x, y) in both directions.
    void getOrdersAt(int x, int y, QVector<std::shared_ptr<qlservice::COrderDetail>>& out) const;
    void getDealsAt(int x, int y, QVector<std::shared_ptr<qlservice::CDealDetail>>& out) const;
    void getTasksAt(int x, int y, QVector<std::shared_ptr<qlservice::CTaskDetail>>& out) const;
    // Whether a record lies there, answered only while the linkage dialog
    // previews that kind (mode bit 4 and its show flag) or accounts are
    // chosen for the marks (bit 2).
    bool hitOrderMark(int x, int y) const;
    bool hitDealMark(int x, int y) const;
    bool hitTaskMark(int x, int y) const;

    // --- ranking list
    // May be called on any thread; off the GUI thread the answer is handed
    // to the GUI thread first, where the view model is read.
    void LonghubangCallback(const std::string& market, const std::string& code, const RankListByDay& records,
                            int requestType);
    // Asks for the current instrument's ranking lists when it has them (any
    // other instrument's are dropped); the main pane's request and the
    // chart's batch request both do.
    void requestRankList();
    QString rankListKey() const;
    // The ranking-list records whose mark box (x, 0, 6 x 8) holds `point`;
    // on a hit the point moves to (mark x, 0).
    bool getRankListAt(QPoint& point, RankRecords& records) const;
    // The records of visible bar `bar` (the crosshair's), whichever side of
    // the bar's x its mark lies; *markX receives the mark's x on a hit.
    bool getRankListOfBar(int bar, RankRecords& records, int* markX = nullptr) const;
    // Mark positions of the visible listed days (rebuilt by calcLongHuBangData).
    QMap<int, RankRecords> rankTable() const { return m_rankTable; }
    RankListByDay rankListRecords() const;

    // --- group results
    // Keeps the group result of request id `key` (replacing an earlier one).
    void setGroupResult(const QString& key, std::shared_ptr<se::RPCGroupResult> result);
    void removeGroupResult(const QString& key);
    bool hasGroupResult(const QString& key) const { return m_groupResults.contains(key); }
    // Fills `out` with the group result of `key`; false (and `out` untouched)
    // when the series holds none.
    virtual bool getGroupResult(const QString& key, std::shared_ptr<se::RPCGroupResult>& out) const;
    // Price of the group's last trade of instrument `code` on bar `barIndex`;
    // the largest double when the group did not trade it on that bar.
    virtual double getRealTradePrice(const QString& key, int barIndex, const QString& code) const;

    // One instrument's holding of a group result as of a bar. Volumes are
    // signed (a sell beyond the holding opens a short at the sell price).
    struct GroupHolding {
        QString code;
        double volume = 0.0;
        // Average cost of the open holding; 0 while flat.
        double avgCost = 0.0;
        double realized = 0.0;
        // At the bar's close; the largest double when the series has no close
        // of the instrument at that time.
        double floating = DBL_MAX;
        int tradeCount = 0;
        qint64 lastTime = 0; // seconds
        int lastSide = 0;
        double lastPrice = 0.0;
        double lastVolume = 0.0;
    };
    // Holdings of group result `key` as of chart bar `barIndex` (trades whose
    // time tag is at or before the bar's): one per instrument traded by then,
    // in the order of the result's codes. Empty for an unknown key or bar.
    QVector<GroupHolding> getGroupHoldings(const QString& key, int barIndex) const;
    // The request id of the pane's first formula that has a group result
    // (empty when none has).
    QString firstGroupResultKey() const;
    // Every trade of that group result, in time order (none without one).
    std::vector<se::RPCGroupTrade> groupTrades() const;
    // The group result of the pane's formula `formula` (null when none).
    std::shared_ptr<se::RPCGroupResult> groupResultOf(const QString& formula) const;

    // The newest trading day of the pane's first model result: what it
    // bought and sold that day (volumes summed per instrument key, in order
    // of first trade; a key "SH_600000" counts as "SH600000") and what it
    // held after it (non-zero holdings).
    struct TradeDayItems {
        QDate day;
        QVector<QPair<QString, double>> bought;
        QVector<QPair<QString, double>> sold;
        QVector<QPair<QString, double>> held;
    };
    // False when the series holds no model trade.
    bool lastDayTradeItems(TradeDayItems& out) const;
    // Writes "<name>_<title>_<yyyyMMdd>_buy/_sell/_hold.csv" (the first
    // formula's name and title, today's date) into `folder`, each line
    // "code,name,volume,1,0" ("...,1" for sold items); items whose
    // instrument is unknown are left out. Each file is replaced atomically;
    // names are reduced to plain file names so nothing lands outside
    // `folder`. False (nothing written) without a model trade or when the
    // first formula is not in the catalogue; false with `error` set when a
    // file cannot be written.
    bool exportTradeDetail(const QString& folder, QString* error = nullptr) const;
    // The run result of the pane's model as text: per instrument its
    // holding, cost and profit at the last bar, then the trade count.
    QString modelRunResultText() const;

    // --- region statistics
    // The statistics of bars first..last of the chart's price series, keyed
    // 0..25 as the statistics dialog lists them, each formatted for display
    // ("非法值" where a value cannot be formed). Empty without a price series,
    // for a K-line that is not open/high/low/close, or a range outside the
    // bars. Turnover (13) is the summed volume over the circulating shares:
    // the store counts volume in shares, so the terminal's lots-to-shares
    // factor of 100 does not apply.
    QMap<int, QString> statisticRange(int first, int last) const;

signals:
    void sigUpdateLonghubangData();

public slots:
    void slotUpdateIndexView();

protected:
    // The records of the normal branch: cancels what is no longer wanted and
    // builds the missing ones.
    void collectParams(QVector<CFormulaParam>& records, int mode);
    // Fills one record; false when it cannot be (unknown formula, tick mode
    // without an instrument).
    bool fillParam(CFormulaParam& param, const QString& stockKey, const QString& formula, int mode);
    // Fills, ids and books the missing keys, in order.
    void buildRecords(const QVector<CFormulaKey>& keys, QVector<CFormulaParam>& records, int mode,
                      const QString& builder);
    // False (and the records' keys leave the table) when no shared pointer
    // owns the series.
    bool sendRecords(const QVector<CFormulaParam>& records, bool viaMerge, bool flag);
    QString baseKey() const;
    // The price series of the chart's own instrument (K-line or tick line,
    // whatever name the pane gave it); null before it arrived. *closeColumn
    // receives the column of its close (3 for a K-line, 0 for the tick line).
    const RPCFormulaResultCache* mainGraphResult(int* closeColumn = nullptr) const;
    // The first formula of the pane with a result of the base instrument.
    const RPCFormulaResultCache* firstBaseEntry(CFormulaKey* key) const;
    bool isMergedSubPane() const { return m_paneRole == 1 && !m_mergeGroup.isEmpty(); }

    void processHistory(const MetaPtr& meta, const ResultPtr& result, const QString& reqId, int dataType,
                        const CFormulaKey& key, bool isMain, bool quiet, bool flag);
    void reindexSuperposed(const CFormulaKey& superKey);
    void fillSuperposedPlaceholders(const se::RPCTimeItem& time);
    ResultPtr alignSatellite(const CFormulaKey& key, const se::RPCFormulaResult& received) const;

    // Lets a log subscriber of `formula` follow the request id.
    void subscribeScriptLog(const QString& formula, const QString& reqId);
    void unrequestId(const QString& id);
    void unrequestIds(const QVector<QString>& ids);

    boost::shared_ptr<CKLineUiParam> m_pUiParam;
    int m_viewType = 0;
    DataMap m_nonBaseData;
    QString m_lhbKey;
    RankListByDay m_lhbRecords;
    QMap<int, RankRecords> m_rankTable;
    // Where the price labels of the last axis pass went (the latest-price
    // tag clears those it would cover).
    QVector<QRect> m_axisLabelRects;
    // The visible listed days by bar index: mark x and that day's records
    // (marks of neighbouring days may share an x when bars are dense).
    QHash<int, QPair<int, RankRecords>> m_rankByBar;
    QString m_mergeGroup;
    QMap<QString, QString> m_paramTexts; // upper-case formula name -> text
    // Sorted by time; the key they belong to ("" none loaded).
    std::vector<std::shared_ptr<quoter::DividData>> m_dividData;
    QString m_dividKey;
    QMap<int, QStringList> m_dividTable;
    int m_paneNo = 0;
    int m_modelRun = 0;
    int m_lockRestoreCount = 0;
    bool m_satelliteFed = false;
    bool m_replay = false;
    bool m_realtimeRepaint = false;
    QTime m_lastDrawnTime;
    TradeTable<qlservice::COrderDetail> m_orderTable;
    TradeTable<qlservice::CDealDetail> m_dealTable;
    TradeTable<qlservice::CTaskDetail> m_taskTable;
    QVector<QPair<double, int>> m_axisTicks;
    // What the axis labels are formatted from besides the ticks.
    struct AxisLabelFormat {
        int configured = -1; // the formula's decimals, -1 by the value
        int tickDecimals = 2;
        bool percent = false;
        double reference = 0.0;
        bool operator==(const AxisLabelFormat& o) const
        {
            return configured == o.configured && tickDecimals == o.tickDecimals && percent == o.percent &&
                   reference == o.reference;
        }
    };
    // False when the pane has no result of the base instrument.
    bool axisLabelFormat(AxisLabelFormat& format) const;
    QStringList formatAxisLabels(const AxisLabelFormat& format, const QFontMetrics* fm, int width) const;
    // The labels of the last drawAxis and what they were made of: a refresh
    // with the same ticks, format, font and width measures no text again.
    struct AxisLabelCache {
        QVector<QPair<double, int>> ticks;
        AxisLabelFormat format;
        QFont font;
        int width = -1;
        QStringList labels;
    };
    AxisLabelCache m_axisLabelCache;
    // The labels' glyphs, shaped once: a refresh draws the same few texts.
    KW::CShapedTextCache m_axisTexts{512};
    QVector<QLine> m_axisLines; // drawAxis: the grid lines, then the tick marks
    std::unique_ptr<CDrawStyle> m_drawStyle;
    // drawIndex: each output's range, so the cursor's hit tests need not scan
    // the bars again.
    QMap<CFormulaKey, QVector<QPair<double, double>>> m_drawnRanges;
    int m_lhbState = 0;
    mutable boost::shared_mutex m_lhbLock;
    quint64 m_lhbSerial = 0; // the latest ranking-list request (GUI thread only)
    // Queues a ranking-list answer to the GUI thread holding the series
    // weakly, so the strong reference is taken and dropped there only; a
    // non-zero serial other than the latest request's drops the answer.
    static void postRankList(boost::weak_ptr<CKLineData> weak, quint64 serial, const std::string& market,
                             const std::string& code, const RankListByDay& records, int requestType);
    struct CRankListAnswer;
    QMap<QString, std::shared_ptr<se::RPCGroupResult>> m_groupResults;
    // Cumulative holdings after each trade, per instrument, built once per
    // received result so a crosshair query is a binary search per instrument.
    struct GroupBookStep {
        qint64 timeTag = 0;
        GroupHolding state;
    };
    struct GroupBook {
        QVector<QString> codes;
        QVector<QVector<GroupBookStep>> steps; // parallel to codes
    };
    static GroupBook buildGroupBook(const se::RPCGroupResult& result);
    // Close of `code` at the bar of time tag `t` (seconds) among the series'
    // results; the largest double when none holds that bar.
    double closeOfInstrument(const QString& code, qint64 t) const;
    QMap<QString, GroupBook> m_groupBooks;
};

} // namespace TC
