#pragma once

#include <memory>
#include <vector>

#include <boost/function.hpp>
#include <boost/shared_ptr.hpp>

#include <QHash>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QVector>

#include "kline/IndexKLineViewGlobal.h"
#include "platform/config/BsonDefs.h"
#include "platform/formula/CHistoryDataParam.h"
#include "platform/formula/FormulaRunTypes.h"
#include "platform/formula/RPCFormulaMetaResult.h"
#include "platform/formula/RPCFormulaResult.h"
#include "platform/framework/CBaseWidget.h"
#include "platform/indexui/CIndexDetail.h"
#include "platform/market/CInstrumentDetail.h"

class QDateTime;
class QPainter;
class QRect;
class QKeyEvent;
class QVBoxLayout;
class QWheelEvent;

namespace KW {
class CDragWidgetList;
class CHighlightWidget;
} // namespace KW

namespace TC {

class CIndexModelWidget;
class CKLineData;
class CKLineDealDialog;
class CKLineLinkageSettingDialog;
class CKLineOrderDialog;
class CKLineTaskTableDialog;
class CKLineTimeLineWidget;
class CKLineUiParam;
class CKLineWidget;
class CSubScriptLogInfo;

// The view type a host gives a chart (0 full chart, 3 chart without time
// strip and sub-pane titles, 7 chart handling its own keys, ...).
typedef int EIndexViewType;
// Bar period in seconds (0 tick chart; 10, 11, 13 N days / hours / minutes).
typedef int EFormulaPeriod;

// The exported chart widget: a vertical list of panes (item 0 the main
// K-line pane, then the indicator panes), the time-line strip under them, the
// pane highlight overlay and, in the concise full view, the template strip.
//
// The chart's view model is shared by every pane, series and the strip. A
// full request (request(true)) gathers every pane's request records and asks
// the formula service for all of them in one synchronous call; the results go
// back to the panes by position. The batch's real-time updates are routed by
// request id to the series that booked the id, held weakly: a series that is
// gone or has cancelled the id simply drops them.
//
// No pane is laid out shorter than minimumPaneHeight(): its title bar plus
// kMinPlotHeight pixels of plot, room for three price labels. Splitter drags
// stop there and factors remembered from another window size cannot squeeze
// a pane below it (only a chart too short for all panes at that height
// shares its height equally).
//
// Panes are deleted with deleteLater() when removed (queued events may still
// reach them); the destructor deletes the remaining ones at once after
// cancelling every subscription, so a destroyed chart leaves nothing live at
// the formula service.
class INDEXKLINEVIEW_EXPORT CKLineMainWidget : public KW::CBaseWidget
{
public:
    CKLineMainWidget(QWidget* parent, EIndexViewType type);
    ~CKLineMainWidget() override;

    static constexpr int kMinPlotHeight = 40;

    // The chart instance number of the next chart (tests).
    static int nextChartInstanceNumber();

    // --- instrument, period, ex-rights
    void setStock(const QString& code);
    void setStock(std::shared_ptr<qlservice::CInstrumentDetail> detail);
    void setPeriod(EFormulaPeriod p);
    void setDrType(int t);
    int getDrType() const;
    qint64 getPeriod() const;
    int getKlinePeriod() const;
    QString getStock() const;
    QString getMarket() const;
    boost::shared_ptr<CKLineUiParam> getUiParam() const { return m_uiParam; }
    EIndexViewType viewType() const { return m_viewType; }
    int mainId() const { return m_mainId; }
    bool isRequested() const { return m_requested; }
    bool isTickGraph() const;

    // --- requests
    void request(bool full);
    void requestNoChangeAxis(bool flag);
    // --- request orchestration
    // The next period of the period table (position 16 wraps to 0), through
    // event 194 (also on the bus with the concise style).
    void switchPeriod();
    // In tick mode, puts "TICKDATA" back on the main pane when it lost it.
    void updateLevelTickIndex();
    // Time tag of the locked bar, else of the crosshair bar; 0 without one.
    int getCurIndexTradeDate() const;
    bool switchToHistory();
    bool switchToOneDay(const QString& key, qint64 timeMs);
    bool switchToToday();
    void setGetTickRangeFunc(const boost::function<std::pair<qint64, qint64>(
                                 std::shared_ptr<qlservice::CInstrumentDetail>)>& func);
    void setGetTradeDateFunc(const boost::function<int()>& func);
    // The history download request of the chart as it stands.
    CHistoryDataParam historyDataParam() const;
    // Asks the formula service for the missing history of the chart; every
    // chunk it reports re-requests the chart without moving the window.
    // (Public: hosts offer it as a command of their own.)
    void downloadData();
    // Progress of the last history download (done -1: failed).
    int downloadDone() const { return m_downloadDone; }
    int downloadTotal() const { return m_downloadTotal; }
    QString downloadText() const { return m_downloadText; }
    void requestMainGraph();
    void unrequest();
    void unrequestMainGraph();
    void unrequestSubGraph();
    void clear(bool repaint);
    void updateView();
    void resetFormulaAxis();
    void setIndexType(int t);
    void getIndexType(int& t) const;
    void resetUiParam();
    void setAutoIndex(bool on);
    // The main pane's series forgets the instrument's ex-rights records and
    // (with `reload`) loads them again.
    void clearAndRequestDivid(bool reload);
    // Batch results handed to panes by the last full request (tests, logs).
    int lastBatchSize() const { return m_lastBatchSize; }

    // --- per-pane flags
    void setCreateNewWorkShow(bool on);
    void setTimeRangeQuotation(bool on);
    void beReplay(bool on);
    void setQuickBuySell(bool on);
    void setHistorySector(bool on) { m_historySector = on; }
    void setEnableDoubleClick(bool on);
    void setFormulaAccount(const QString& account);
    void setBtnToolVisible(bool on);
    void setConciseStyle(bool on);
    void setStopBtnVisible(bool on);
    void setIsLoginInit(bool on);
    void setSubIndexCloseBtnVisible(int index, bool on);
    void setCurrGraphColor(const QString& key);
    // Removes the selected drawn shape of any pane; false when none is selected.
    bool deleteCurrGraph();
    // Starts a drawing tool (a KW::CGraphShape::EType) in the main pane.
    bool startDrawTool(int type);
    void setWidgetFocus();

    // --- panes
    CKLineWidget* mainPane() const { return m_mainPane; }
    const QVector<CKLineWidget*>& subPanes() const { return m_subPanes; }
    KW::CDragWidgetList* paneList() const { return m_paneList; }
    int minimumPaneHeight() const;
    KW::CHighlightWidget* highlight() const { return m_highlight; }
    CKLineTimeLineWidget* timeLine() const { return m_timeLine; }
    CIndexModelWidget* indexModel() const { return m_indexModel; }
    int highlightedPaneId() const { return m_highlightedPaneId; }
    const QList<QString>& defaultSubIndexes() const { return m_defaultSubIndexes; }
    // Puts a formula on the chart without requesting: a price-pane formula
    // replaces the main pane's indicators, any other one goes to the first
    // sub-pane (added when there is none).
    void setIndex(const QString& name);
    void setSubIndex(int index, const QString& name);
    void clearSubGraphFormulas();
    void adjustIndexWidgetSize(int count);
    void setSubIndexSize(int n);
    int getNewIndexStretchFactor() const;
    std::vector<int> getStretchFactorList() const;
    bool hasIndex(const QString& name) const;
    bool isGroupIndexExist(int paneId) const;
    // The first sub-pane's formula ("" without one).
    QString frontSubIndex() const;
    void setMouseInFalse();
    // Every pane repaints the strips its crosshair left and entered.
    void updateCrosshairs();
    QList<int> getModelGroupList() const;
    // The highlighted sub-pane's group model shows its holdings (event 217);
    // asked again, the view closes (so does Esc).
    void viewGroupModelPosition();
    // The highlighted pane shows (or, asked again, hides) its formula's
    // variables at the cursor bar.
    void viewVariable();
    // Group-model panes take the catalogue's formula of the identifier their
    // answers carry (no request).
    void loadGroupSingleFormula();
    // The template strip (concise full chart only).
    void showIndexModelWidget();
    void setIndexModelVisible(bool on);
    void changeBtnStatus(bool enabled);
    void subScriptLog(const boost::shared_ptr<CSubScriptLogInfo>& info);
    void unSubScriptLog(const QString& formula);

    // --- satellite panes
    void createIndexWidget(const QString& paneName, int placement, const QString& formula, bool reuse);
    void destoryWidget(const QString& paneName);
    void satelliteFormulaDataCallback(const QString& name, const std::shared_ptr<se::RPCFormulaMetaResult>& meta,
                                      const std::shared_ptr<se::RPCFormulaResult>& result);
    CKLineWidget* satellitePane(const QString& paneName) const;

    // --- time line
    // The strip's two drawings: the time axis of the visible window (the
    // view model draws it) and the overview of the whole history (the main
    // pane's series draws it).
    void drawTimeline(QPainter* painter, QRect& rect);
    void drawOverview(QPainter* painter, QRect& rect);
    // Time text of bar `index` for the strip's tip box ("" out of range).
    QString getTimelineTip(int index);
    // Crosshair state read by the strip.
    bool isShowCrossLine() const;
    bool isShowCrossline() const { return isShowCrossLine(); }
    bool isLockShow() const;
    int getLockId() const;
    int getLockPos() const;
    void resetTimeline();
    void updateTimeline(int first, int last);

    // --- cursor and navigation
    void moveCursor(bool left, bool fast);
    void moveToFirst();
    void moveToHome();
    void moveToEnd();
    void moveToLast();
    void scaleView(bool wider);
    void lockCursor(bool on);
    void lockOrUnlockCursor();
    void lockMaxCursor();
    void hideCrossline();
    void showCrossLine();
    void switchCrossline();
    void updateKeboardIndex(int timetag);
    void setCurrentTradeDateTime(int day);
    void changeDispTimeRegion(const int& from, const int& to);
    void moveViewHasTime(int timetag);
    void connectTickData();
    void updateGroupModelPosition();
    void fixMultiWidgetTimetag();
    void setTimetag(int t);
    // Opens the region statistics of the bar at `time` alone (null: nothing).
    void statisticSelectRegion(QDateTime* time);

    // --- persistence
    // The layout as text: the full parameter (param / setParam(QString)) and
    // the per-period default ("mapPeriod2Index", getDefaultParam /
    // setDefaultParam), both strict JSON of a BSON object; the main pane's
    // drawings as a BSON object (getParam / setParam(BSONObj)).
    //
    // Choices made for stored texts, which come from disk and may be old,
    // hand-edited or damaged:
    //  - A restored layout never names a formula the catalogue does not
    //    hold: such a name is left out with a log line (a main-pane entry
    //    leaves the main pane without indicator, a sub-pane entry is dropped
    //    and the panes under it move up).
    //  - At most kMaxRestoredSubPanes sub-panes are restored (from the
    //    stretch factors and from the layout list); the rest is logged and
    //    left out. Stretch factors below 1 are taken as 1.
    //  - Pane ids: a stored id that is not positive or repeats one already
    //    given is replaced by a fresh one; ids apply to the sub-panes in
    //    order whether the stretch factors or the layout list create them,
    //    so param(false) restores the same ids. No pane is ever given an id
    //    another pane of the chart holds.
    //  - "period" values outside the period table and "drtype" values that
    //    are no ex-rights type are skipped with a log line; the restore goes
    //    on. A numeric period key of "index" that is no int (NaN, out of
    //    range) reads as 0, as a non-number does.
    //  - Lists of strings skip elements of other types; the linkage pairs
    //    count the strings only.
    //  - loadLinkageDialogSetting without a dialog keeps the setting, so a
    //    host's setting is never dropped before the dialog exists.
    //  - An empty "mapPeriod2Index" value is an empty map, not a failure.
    static constexpr int kMaxRestoredSubPanes = 32;
    // `freshIds`: write no pane ids, so that a restore generates new ones
    // (a copy of the chart into another window).
    QString param(bool freshIds);
    void setParam(QString text);
    std::string getDefaultParam();
    void setDefaultParam(const std::string& text);
    void loadSettings(const QMap<int, QList<QString>>& indexes, std::vector<int>& stretch, QList<int> keys);
    QMap<int, QList<QString>> getIndexParam() const;
    std::vector<int> getKeyList();
    bson::BSONObj getParam() const;
    void setParam(const bson::BSONObj& param);
    QMap<QString, bool> getLinkageDialogSetting();
    void loadLinkageDialogSetting(const QMap<QString, bool>& setting);
    // The trade linkage dialog and the record windows; null until first used.
    CKLineLinkageSettingDialog* linkageDialog() const { return m_linkageDialog; }
    CKLineOrderDialog* orderDialog() const { return m_orderDialog; }
    CKLineDealDialog* dealDialog() const { return m_dealDialog; }
    CKLineTaskTableDialog* taskDialog() const { return m_taskDialog; }
    // --- formula management
    // The formula manager's single entry: op 0 double-clicked, 1 applied
    // (`applyArg` becomes the view model's applied-index argument), 2
    // confirmed after editing, 3 modified, 4 deleted; the layout is stored
    // after each. Where a formula goes follows its catalogue placement:
    // 0 a sub-pane (the highlighted one, else the last, else a new one),
    // 1 overlaid on the candles (replacing the other overlays), 2 taking
    // over the main pane. A formula without an ex-rights preference (-1)
    // never changes the chart's ex-rights type.
    void updateIndex(const QString& name, int op, int applyArg, kelv::EFormulaLanguage language,
                     kelv::ERunMode runMode, const QString& paramText);
    // Re-requests every sub-pane whose last formula lists `name` among its
    // extension names.
    void upIndexByExtend(const QString& name);
    void updateIndexTemplate();
    // The chart shows the custom index (with index type 1); the main pane
    // is cleared, the host requests.
    void setCustomIndex(CIndexDetail index);

    // --- superposition
    // Superposed instruments (keys of the view model's added instruments).
    QStringList superposedStock() const;
    void addSuperposedStock(std::shared_ptr<qlservice::CInstrumentDetail> stock);
    void addSuperposedCustomIndex(CIndexDetail index);
    // Keys of the superposed custom indexes.
    QStringList superposedIndex() const;
    int superposedStockSize() const;
    // Every superposition goes (user instruments, sector index, convertible
    // bond, custom indexes); the chart's own series stay.
    void delAllAddStock();
    void clearSuperposIndex();
    // The instruments the user added go; the sector index and the
    // convertible bond, which follow the instrument, stay.
    void clearStock();
    // Superposes the sector index of the instrument's industry (level 1
    // unless a level is set) and requests it.
    void showContrastSector();
    // The template strip's selections (empty without a strip).
    QVector<QString> getSelectIndex() const;
    QVector<QString> getSelectTempalte() const;
    void updateSelectIndex(QVector<QString> names);
    void updateSelectTemplate(QVector<QString> entries);

    bool handleEvent(int id, int p1, int p2, const QString& text, void* data) override;
    void themeChanged() override;
    // The keyboard spirit's pick: the chart shows that instrument (kind 0)
    // and requests it.
    void onSelectStock(std::shared_ptr<qlservice::CInstrumentDetail> stock, int kind);

protected:
    void handleApplyFormula(const QString& name, kelv::EFormulaLanguage language, kelv::ERunMode runMode);
    void handleConfirmFormula(const QString& name, kelv::EFormulaLanguage language);
    void handleModifyFormula(const QString& name, kelv::EFormulaLanguage language);
    void handleDeleteFormula(const QString& name);
    virtual void handleDoubleClickedFormula(const QString& name, const QString& paramText);
    // The strip remembers the formula `pane` is about to lose.
    void updateIndexTemplate(CKLineWidget* pane, QString name, bool force);
    // Puts a formula where its placement says (the apply and double-click
    // rules) and requests the receiving pane with `runMode`.
    void placeFormula(int placement, const QString& name, const QString& paramText, int runMode,
                      bool drChanged);
    // The sub-pane a sub-graph formula goes to: the highlighted sub-pane,
    // else the last one; null without sub-panes.
    CKLineWidget* formulaTargetPane() const;
    // The chart takes a formula's ex-rights type; true when it changed.
    bool takeOverDrType(int drType);
    void requestAfterDrChange();

    void createUi();
    CKLineWidget* addIndexWidget();
    // A sub-pane with the chart's pane flags, appended to the pane list
    // (anchor 3, fixed); neither highlighted nor announced.
    CKLineWidget* createSubPane(int paneId, int stretch);
    void delIndexWidget(int paneId);
    void delAllIndexWidgets();
    void clearSubIndexes();
    void highlightWidget(int paneId);
    // Keeps the overlay on the selected pane when the panes move or resize.
    void placeHighlight();
    void enableTickGraph(bool on);
    void saveCurrentIndexs();
    // Entry 0 the main pane's indicator, then each sub-pane's formula.
    QList<QString> getCurrentIndexes() const;
    void setCurrentIndexes(const QList<QString>& list);
    // Applies a period's remembered layout and the further overlays of it.
    void applyPeriodLayout(int period);
    // The main pane's formulas other than the price (in pane order).
    QStringList mainOverlays() const;
    void removeMainOverlays();
    CKLineWidget* findPane(int paneId) const;
    void removeSubPane(CKLineWidget* pane);
    // Drops a main-graph formula from the main pane and puts "KLINE" back
    // when no price formula is left.
    bool takeOffMainPane(const QString& formula);

    void changeDispRegion(int first, int last);
    void timeLineTryMoveById(int id);
    void timeLineMoveIdToCenter(int id);
    void updateKlineId(int id);
    void updateIndexId();
    void moveLockCursor(int index);
    void moveLockCursor(bool left, bool fast);
    void dragWidget(int offset);
    // The view model takes the strip's regions back (the actual one too
    // when `withActual`).
    void syncFromTimeLine(bool withActual);

    // Event 191: statistics of bars `first`..last, `text` "last,start,end"
    // (seconds); the dialog replaces the one opened before.
    void statisticSelectRegion(int first, const QString& text);
    void suppleProgress(int done, int total, QString text, QString key);

    // --- trade linkage (events 3160 to 3164)
    // Opens the linkage setting dialog (made on first use with the stored
    // setting) and previews its choice on the marks (mode bit 4).
    void showLinkageSetting();
    // The dialog's flags and selections into the view model; the main pane
    // redraws.
    void updateLinkageSetting();
    void closeLinkageSetting();
    // The records changed: the main pane redraws unless the marks are off.
    void updateLinkageDatas();
    // `data` is the pane (a CKLineGraphWidget) double-clicked at (x, y);
    // `kind` "linkage_orders", "linkage_deals" or "linkage_tasks". The
    // records under that point go to their record window; none: nothing
    // changes.
    void showLinkageDatas(void* data, const QString& kind, int x, int y);

    void keyPressEvent(QKeyEvent* event) override;
    // A typed letter or digit: post 157 (0, 0, "", an int the host may set
    // non-zero to take the key) and, unless taken, open the keyboard spirit
    // with the key.
    void openKeyboardSpirit(const QString& typed);
    void wheelEvent(QWheelEvent* event) override;
    void enterEvent(QEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct SatellitePane {
        QString formula;
        QString paneName;
        int placement = 0;
        CKLineWidget* pane = nullptr;
    };
    struct BatchRoutes;

    // --- persistence
    // A pane id no pane of this chart holds.
    int freshPaneId() const;
    // The map without formula names the catalogue lacks and without
    // sub-panes beyond the restore limit.
    QMap<int, QList<QString>> checkedIndexes(const QMap<int, QList<QString>>& indexes) const;

    boost::shared_ptr<CKLineUiParam> m_uiParam;
    KW::CDragWidgetList* m_paneList = nullptr;
    CKLineTimeLineWidget* m_timeLine = nullptr;
    CKLineWidget* m_mainPane = nullptr;
    QVector<CKLineWidget*> m_subPanes;
    CIndexModelWidget* m_indexModel = nullptr;
    EIndexViewType m_viewType = 0;
    int m_highlightedPaneId = -1;
    KW::CHighlightWidget* m_highlight = nullptr;
    int m_mainId = 0;
    QList<QString> m_defaultSubIndexes;
    bool m_requested = false;
    QMap<int, QList<QString>> m_periodIndexes;
    QMap<int, std::vector<int>> m_periodStretch;
    // Every overlay of the main pane per period; the layout list holds only
    // the first.
    QMap<int, QStringList> m_periodOverlays;
    QWidget* m_statisticDialog = nullptr;
    // Trade linkage windows; created on demand by the linkage features.
    CKLineLinkageSettingDialog* m_linkageDialog = nullptr;
    CKLineOrderDialog* m_orderDialog = nullptr;
    CKLineDealDialog* m_dealDialog = nullptr;
    CKLineTaskTableDialog* m_taskDialog = nullptr;
    QMap<QString, bool> m_linkageSetting;
    bool m_createNewWorkShow = true;
    bool m_timeRangeQuotation = true;
    bool m_replay = false;
    // The time strip's box text of the last bar asked for: asked several
    // times per crosshair move, it converts to local time once.
    struct TimelineTip {
        int index = -1;
        qint64 tag = 0;
        qint64 period = -1;
        bool replay = false;
        QString text;
    };
    TimelineTip m_timelineTip;
    bool m_quickBuySell = false;
    bool m_historySector = false;
    QMap<QString, SatellitePane> m_satellitePanes;

    int m_downloadDone = 0;
    int m_downloadTotal = 0;
    QString m_downloadText;

    std::shared_ptr<BatchRoutes> m_batchRoutes;
    int m_lastBatchSize = 0;
};

} // namespace TC
