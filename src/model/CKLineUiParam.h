#pragma once

#include <map>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <utility>

#include <boost/function.hpp>

#include <QColor>
#include <QDateTime>
#include <QFont>
#include <QFontMetrics>
#include <QList>
#include <QMap>
#include <QPair>
#include <QPixmap>
#include <QRect>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVector>

#include "kline/IndexKLineViewGlobal.h"
#include "model/CTimeLabel.h"
#include "platform/config/CUserConfig.h"
#include "platform/indexui/CIndexDetail.h"
#include "platform/indexui/CPanelInfo.h"
#include "platform/market/CInstrumentDetail.h"
#include "platform/market/CLocalTimeConverter.h"

class QPainter;

namespace TC {

class CFormulaBaseAxis;
class CSubScriptLogInfo;

// The shared view model of one chart: instrument, period, the bar time tags of
// the main series, the visible window, crosshair and lock state, and the
// mapping between bar indexes and plot pixels. Public data by design: the
// host, the panes and the series read and write the fields directly.
//
// Ownership notes:
// - `formulaBase` is created and deleted by the chart that owns the model;
//   copies of the model share the pointer without owning it (a member-wise
//   copy that also owned it would delete it twice).
// - Copies share `curStock`, the superposed instruments and `mainPanel`.
//
// The window rules below (reset, new bar, explicit window, requested time
// tag) are applied by the host through its time-line strip; the helpers
// `resetWindowStart`, `explicitOverview`, `stepCursor`, `timetagWindow` and
// `optionExtraDays` compute their numbers so every host applies them alike.
//
// Time axis: labels stand at the plot's bar pixels (getXAxisByIndex), so the
// ticks line up with the bars above whatever the axis rectangle's offset;
// drawTimeline translates to the rectangle's top-left corner. Where labels
// collide the higher boundary (year > month > day > time) wins; a label
// that is kept but drawn too close to its list neighbour is skipped at
// drawing only.
class INDEXKLINEVIEW_EXPORT CKLineUiParam
{
public:
    // Packed 0x00BBGGRR colours of superposed series.
    using PackedColor = unsigned;
    // Trade-mark table: trading day -> bar index -> (volume, amount).
    using TradeMarkMap = std::map<qint64, std::map<int, std::pair<double, double>>>;

    CKLineUiParam();
    CKLineUiParam(const CKLineUiParam&) = default;
    CKLineUiParam& operator=(const CKLineUiParam&) = default;
    ~CKLineUiParam() = default;

    // --- visible window and coordinate mapping -----------------------------
    void clear();
    void resize(QRect& r);
    int getMinDispIndex() const { return minDispIndex; }
    int getMaxDispIndex() const { return maxDispIndex; }
    void setMinDispIndex(int v);
    void setMaxDispIndex(int v);
    int getMouseX() const { return mouseX; }
    void setMouseX(int x) { mouseX = x; }
    int getLastIndex() const { return int(m_tradeDateList.size()) - 1; }
    // Pixel x of bar `index`; -1 for `first`/`last` means the visible window.
    int getXAxisByIndex(int index, int first, int last) const;
    // Bar index under plot pixel x; -1 while the plot has no width.
    int getIndexByXAxis(int x) const;
    int getEndStartSub(int end, int start) const;
    void setKlineModel(int m) { klineModel = m; }
    bool isHistoryKlineModel() const { return klineModel == 1; }
    bool isLevelOne() const { return quoteLevel == 1; }
    bool isLevelHolographic() const { return quoteLevel == 3; }
    QString getCurrCode() const;
    QString getCurrMarket() const;
    QString getCurrKey() const;
    double getCurrLastClose() const;
    double getCurrTick() const;
    double getLastClose() const;
    int getMainPanelID() const;
    bool isShowGroupIndexGraph() const;
    void setCustomIndex(const CIndexDetail& index) { customIndex = index; }
    void setFormulaAccount(const QString& account) { formulaAccount = account; }

    // --- window rules applied by the host ----------------------------------
    // First visible bar after a reload of the main series (actualEnd set).
    int resetWindowStart() const;
    // Overview region for an explicit display window [a, b]; `actualEndTime`
    // is the strip's last bar. Rounds half away from zero as the strip does.
    static QPair<int, int> explicitOverview(int a, int b, int actualEndTime);
    // One keyboard step from `from`: 1 bar, 4 when fast, clamped to the
    // actual region.
    int stepCursor(int from, bool left, bool fast) const;
    // Window opened around bar k of a requested time tag.
    QPair<int, int> timetagWindow(int k) const;
    // Days from the last bar's date to the latest date the data centre lists
    // for the instrument; 0 unless the option expectation mode is on.
    int optionExtraDays() const;

    // --- time tags and time lookup -----------------------------------------
    int getTimeTagByIndex(int i) const;
    int getLastTimeTag() const;
    int getIndexByTimeTag(int t) const;
    QDateTime getDateTimeByIndex(int i) const;
    // The local date and minute of the day of getDateTimeByIndex(i), through
    // cached UTC offsets: the time axis reads many bars per layout, and each
    // QDateTime in local time costs a time-zone lookup (a file check of the
    // zone when TZ is unset).
    void getDateByIndex(int i, QDate& date, int& minuteOfDay) const;
    QDate getDateByIndex(int i) const;
    // The same to the second (the crosshair's time box of tick bars).
    void getDateSecondByIndex(int i, QDate& date, int& secondOfDay) const;
    int transferIndexId(int index, int) const { return index; }
    void setOptionWinner(const QString& key, const QString& codes, int type);
    void limitWinnerMaxExpireTimeTag(int count);

    // --- time axis ----------------------------------------------------------
    // Draws the time axis of the visible window into `rect`: exactly the
    // labels of layoutTimeLabels() that labelsToDraw() keeps, each with its
    // tick mark. A null painter or an empty rectangle draws nothing.
    void drawTimeline(QPainter* painter, QRect& rect);
    // The labels of the visible window for an axis of `rect`'s width measured
    // with `fm`; x is relative to the rectangle's left edge. Empty when the
    // window holds one bar or the rectangle has no width.
    QVector<CTimeLabel> layoutTimeLabels(const QRect& rect, const QFontMetrics& fm) const;
    // Positions in `labels` that are drawn: the first, and every label at
    // least `w4` pixels right of the label before it in the list (drawn or
    // not, so a dropped label still pushes the next one away).
    static QVector<int> labelsToDraw(const QVector<CTimeLabel>& labels, int w4);

    // --- instrument and superposition lists --------------------------------
    void setStock(std::shared_ptr<qlservice::CInstrumentDetail> s);
    std::shared_ptr<qlservice::CInstrumentDetail> getStockDetail() const { return curStock; }
    std::shared_ptr<qlservice::CInstrumentDetail> getStockDetail(QString key) const;
    // A fourth instrument has no colour of its own: it takes the colours in
    // turn again (position modulo 3), so every superposed line stays visible.
    void addStock(std::shared_ptr<qlservice::CInstrumentDetail> s);
    void addStock(QString key);
    void delAllStock();
    bool isSuperPosStock(QString key) const;
    bool isSuperPosCustomIndex(QString key) const;
    bool isStockEmpty() const;
    void setAddSwBkzsLevel(int level) { swLevel = level; }
    void updateAddSwBkzsCode();
    void clearAddSwBkzsCode();
    void updateAddConvertibleCode();
    void clearAddConvertibleCode();

protected:
    // Index of the first bar of a year (unit 0), month (1) or day (other)
    // equal to `value`, searched by halving in [lo, hi]; -1 when not found.
    int findTimeIndex(int value, int lo, int hi, int unit) const;

public:
    std::shared_ptr<qlservice::CInstrumentDetail> curStock;
    CIndexDetail customIndex;
    QList<std::shared_ptr<qlservice::CInstrumentDetail>> addStockList;
    QList<CIndexDetail> addCustomIndexList;
    QVector<qint64> m_tradeDateList;
    int resetSpanNarrow = 20;
    int resetSpan = 30;
    int actualStart = 0;
    int actualEnd = 0;
    int overviewStart = 0;
    int overviewEnd = 0;
    qint64 period = 86400;
    bool crossVisible = false;
    bool crossOnClose = false;
    bool mouseInChart = false;
    int crossIndex = -1;
    int lockedIndex = -1;
    int lockedTimeTag = -1;
    int axisWidth = 50;
    int plotWidth = 0;
    int indexType = 0;
    bool tickGraph = false;
    bool connectTick = true;
    bool enableDoubleClick = true;
    QList<PackedColor> superposeColors;
    QMap<QString, PackedColor> superposeColorMap;
    int drType = 3;
    bool lockCursor = false;
    bool lockClicked = false;
    int lastTradingDay = 0;
    int timetag = 0;
    bool timetagSet = false;
    int highlightedPane = 0;
    boost::function<int()> getTradeDateFunc;
    using TickRangeFunc =
        boost::function<std::pair<qint64, qint64>(std::shared_ptr<qlservice::CInstrumentDetail>)>;
    TickRangeFunc getTickRangeFunc;
    // Set by the chart: downloads the missing history of the chart (the
    // panes' "下载数据").
    std::function<void()> downloadFunc;
    CFormulaBaseAxis* formulaBase = nullptr;
    int applyIndexArg = 0;
    QString mergeKey;
    QMap<QString, std::shared_ptr<CSubScriptLogInfo>> scriptLogSubscribers;
    int runMode = 0;
    int minDispSpan = 20;
    int quoteLevel = 1;
    int timetagSpan = 15;
    int tradeMarkMode = 0;
    // Flags copied from the trade linkage setting.
    bool showOrderMark = false;
    bool showDealMark = false;
    bool showTaskMark = false;
    bool strategyFilter = false;
    // Selections of the trade linkage setting.
    std::set<std::string> linkAccounts;
    std::set<std::string> linkStrategies;
    std::set<std::string> linkStocks;
    // Buy side [0] and sell side [1] trade-mark tables.
    TradeMarkMap tradeMarkMaps[2];
    QStringList stockMarkNames;
    QStringList futuresMarkNames;
    int optionExpectMode = 0;
    QString winnerCodes[2];
    int winnerType = WinnerAbove;
    CWinnerSetting winnerSetting;
    int maxExpireTimeTag = 0;
    std::shared_ptr<CPanelInfo> mainPanel;
    int swLevel = -1;
    QString addSwBkzsCode;
    QString formulaAccount;
    int autoConvertible = 0;
    QSet<QString> addConvertibleCodes;
    int mouseX = 0;
    int minDispIndex = 0;
    int maxDispIndex = 0;
    int klineModel = 0;

private:
    // The time axis's last layout: crosshair moves repaint the strip many
    // times over one window, and laying it out converts every label's time
    // to local time. Reused while everything the layout reads is the same.
    struct CTimelineCache {
        const qint64* times = nullptr;
        int count = -1;
        qint64 firstTime = 0;
        qint64 lastTime = 0;
        int first = 0;
        int last = 0;
        qint64 period = -1;
        int optionMode = -1;
        bool clientType3 = false;
        int plotWidth = -1;
        QSize size;
        QFont font;
        QDate labelsDate;
        // Today, looked up at most once a second (a local-time
        // conversion each time).
        QDate today;
        qint64 todayCheckedMs = -1;
        QVector<CTimeLabel> labels;
        QVector<int> drawn;
        // The labels drawn once: a repaint of the strip blits them.
        QPixmap picture;
        QColor background;
        QColor text;
        QColor scale;
        qreal pixelRatio = 0.0;
    };
    mutable CTimelineCache m_timelineCache;
    mutable CLocalTimeConverter m_timeConverter; // see getDateByIndex
    PackedColor colorAt(int position) const;
    // Steps of the time-axis layout.
    bool isFewDaysWindow(int first, int last, int step) const;
    void finishFirstLabel(QVector<CTimeLabel>& labels) const;
    void removeSectorIndexes();
};

} // namespace TC
