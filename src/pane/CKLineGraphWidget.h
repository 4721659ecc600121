#pragma once

#include <functional>
#include <memory>

#include <boost/shared_ptr.hpp>

#include <QFont>
#include <QHash>
#include <QList>
#include <QMap>
#include <QPixmap>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QRegion>
#include <QString>
#include <QStringList>
#include <QVector>

#include "kline/IndexKLineViewGlobal.h"
#include "pane/CTradeTip.h"
#include "platform/formula/LongHuBangRankListInfo.h"
#include "platform/framework/CBaseWidget.h"
#include "platform/framework/CShapedTextCache.h"
#include "platform/framework/IGraphWidget.h"
#include "platform/market/CInstrumentDetail.h"
#include "series/CKLineData.h"

class QAction;
class QContextMenuEvent;
class QMenu;

namespace KW {
class CPushButton;
}

namespace TC {

class CFormulaCatalog;
class CGraphAttributeDialog;
class CKLineData;
class CKLineUiParam;
class CModifyKLineDataDialog;
class CModifyModelParamDialog;
class CMessageTipBox;
class CParamRankWidget;
class CKLineGenerateExternalDialog;
class CTimeFieldSelectionDialog;
class CWinnerDragButton;

// One chart pane's drawing area: the main K-line pane (display type 0) or an
// indicator pane (1). It shares the chart's view model and the pane's series
// with its container and owns only its interaction state and the cached
// picture of the series.
//
// The picture (`graphPicture`) is redrawn by refreshGraph() only; paintEvent()
// composes it with the live overlays. Events of the series travel through the
// container (the series' upstream), events of this widget go to the
// container as well.
//
// Formula parameter texts are kept per formula name (upper case); the pane's
// "name" is the parameter text of its first formula, which is how a pane fed
// by the satellite client is recognised (its pane name is passed as the
// parameter text).
//
// Painting choices:
//  - The crosshair and lock line follow the series' own value mapping
//    (valueAtIndex / yOfValue / valueAtY). A bar without a value has no row:
//    its horizontal line and label are left out rather than drawn at an
//    arbitrary height; a value label at the mouse row of a pane without a
//    value range reads "非法值".
//  - The lock line needs a locked bar (lockedIndex >= 0).
//  - The drawing-tool conversions return NaN for a point that has no place
//    on the chart (a time after the last bar, a pane without a range); the
//    engine keeps such shapes but does not draw them. In client type 3 the
//    pixel-to-value direction gives milliseconds, the unit value-to-pixel
//    reads there, so stored points round-trip in both client types.
//  - Drawings are stored per drawGraphKey; a new instrument or period loads
//    its own (or none), so lines never move to another chart.
//  - A trade tip line is a buy when its direction is 0.
//  - Drawing tools start from startDrawTool; Delete removes the selected
//    shape, a double-click on it opens "画线属性".
//  - Option expectation overlay (main pane only, while the view model's
//    optionExpectMode is 1): see the section of that name below.
// Not yet here: client type 3 enhance drawing.
class INDEXKLINEVIEW_EXPORT CKLineGraphWidget : public KW::CBaseWidget, public KW::IGraphWidget
{
    Q_OBJECT

public:
    CKLineGraphWidget(int paneIndex, boost::shared_ptr<CKLineUiParam> uiParam,
                      boost::shared_ptr<CKLineData> series, int displayType, int viewType,
                      QWidget* parent = nullptr);
    ~CKLineGraphWidget() override;

    int paneIndex() const { return m_paneIndex; }
    void setPaneIndex(int index) { m_paneIndex = index; }
    int displayType() const { return m_displayType; }
    int viewType() const { return m_viewType; }
    const boost::shared_ptr<CKLineData>& series() const { return m_pData; }
    const boost::shared_ptr<CKLineUiParam>& uiParam() const { return m_pUiParam; }

    // --- formulas of the pane
    void addIndex(const QString& name, const QString& paramText);
    // Replaces every formula of the pane by `name`.
    void setIndex(const QString& name, const QString& paramText);
    void removeIndex(const QString& name);
    void removeAllIndexes();
    QStringList indexNames() const;
    bool hasIndex(const QString& name) const;
    QString paramText(const QString& name) const;
    QString getName() const;
    // The next formula added becomes the main graph (a strategy that draws
    // its own price series); cleared by setStock.
    void prepareExternalMainGraph();
    bool isExternalMainGraph() const { return m_externalMainGraph; }

    // --- data
    // Requests the series (replay requests in replay mode). A group-model
    // series in an indicator pane outside the group-index views requests only
    // when the catalogue knows its first formula.
    void requestData(bool flag, int mode);
    void clearData();
    void reset();
    bool hasData() const;
    bool hasGroupModelIndex() const;
    bool hasPythonIndex() const;

    // --- instrument and period
    void setStock(std::shared_ptr<qlservice::CInstrumentDetail> stock);
    void setPeriod(int period);
    QString drawGraphKey() const { return m_drawGraphKey; }

    // --- cursor
    // The bar the pane reports: the locked bar while the cursor is locked,
    // else the crosshair bar (-1: none).
    int cursorIndex() const;
    // The cursor rested on one bar for the container's wait.
    void cursorRested();
    int restCount() const { return m_restCount; }
    // Time (ms) of bar `index` of the chart's bar list; -1 when out of range.
    qint64 timeAtIndex(int index) const;

    // Linkage to a day view of the host: deliver 203 with (-1, a time in
    // seconds, an instrument key): the bar under the mouse and this chart's
    // instrument; a given key and time (ms); the market's last trading day
    // and this chart's instrument. False without a view model (the first two).
    bool switchToHistory();
    bool switchToOneDay(const QString& key, qint64 timeMs);
    bool switchToToday();

    // The indicator value popup at a global point (title-bar button).
    void showParamPopup(const QPoint& globalPos);
    QPoint paramPopupPos() const { return m_popupPos; }

    // Colour key of the drawing tool being placed.
    void setCurrGraphColor(const QString& key) { m_currGraphColor = key; }
    QString currGraphColor() const { return m_currGraphColor; }
    // Starts placing a drawing tool (a KW::CGraphShape::EType) in the
    // colour set above (the theme's line colour when none); false for an
    // unknown type or a pane without bars.
    bool startDrawTool(int type);
    // Runs the line attribute dialog; replaceable so tests and headless hosts
    // need no modal dialog (an empty function restores exec()).
    using GraphAttributePrompt = std::function<int(CGraphAttributeDialog& dialog)>;
    static void setGraphAttributePrompt(GraphAttributePrompt prompt);

    // --- flags
    void setCreateNewWorkShow(bool on) { m_createNewWorkShow = on; }
    bool createNewWorkShow() const { return m_createNewWorkShow; }
    void setTimeRangeQuotation(bool on) { m_timeRangeQuotation = on; }
    bool timeRangeQuotation() const { return m_timeRangeQuotation; }
    void setReplay(bool on) { m_replay = on; }
    bool isReplay() const { return m_replay; }
    void setQuickBuySell(bool on) { m_quickBuySell = on; }
    bool quickBuySell() const { return m_quickBuySell; }
    void setMouseIn(bool on);
    bool isMouseIn() const { return m_mouseIn; }

    // Redraws the cached picture from the series (resize, data, formulas).
    void refreshGraph();
    // The same after covers of the newest bar: when the window, the value
    // ranges, the axis and the marks stay those of the picture, only the
    // strip the newest bar can change is drawn again (clipped, so its pixels
    // are a full redraw's); otherwise the whole picture. Returns what of the
    // pane to repaint.
    QRegion refreshTail();
    // Refreshes that drew the newest bars' strip only.
    int tailRefreshCount() const { return m_tailRefreshCount; }
    const QImage& graphPicture() const { return m_graphImage; }
    int refreshCount() const { return m_refreshCount; }
    // Paint events run so far (whole or partial).
    int paintCount() const { return m_paintCount; }

    // The crosshair moved, showed or hid: repaints only the strips its lines
    // and value label leave and enter (the whole pane while an inspection
    // view, which follows the crosshair bar, is open).
    void updateCrosshair();
    // Where the crosshair's lines and value label are drawn now (empty when
    // none shows).
    QRegion crosshairRegion() const;

    const QPixmap& descriptionPixmap() const { return m_descriptionPixmap; }

    // --- option expectation overlay (main pane, optionExpectMode 1)
    // The expectation is the view model's winnerSetting: upper and lower
    // price, and a range of days from startTimeTag to expireTimeTag drawn
    // right of the last bar. Choices of this pane:
    //  - Values the setting lacks (another instrument's setting counts as
    //    none) are taken from the trading data centre once the chart has
    //    bars: its price band, the last bar's day as the range start and the
    //    first listed expiry after it as the range end.
    //  - Prices are dragged in price ticks within the pane's value range;
    //    for types 2 and 3 the upper price stays at least a tick above the
    //    lower one. A dragged button keeps its offset from its line.
    //  - The range start stays between the last bar and the range end; the
    //    range end between the start and maxExpireTimeTag. When a drag ends
    //    the range end moves to the first listed expiry on or after its day
    //    (the latest listed when it lies past them all); the setting is then
    //    stored in the user configuration when there is one.
    //  - A click on a price button (no drag) shows or hides the description.
    // The buttons exist after the first refresh in the mode; null before.
    enum WinnerButtonId { WinnerPriceUpper = 1000, WinnerPriceLower, WinnerRangeStart, WinnerRangeEnd };
    KW::CPushButton* winnerButton(int id) const;
    // Follows the view model's mode, type and setting: button visibility,
    // missing values, button places and the description (refreshGraph
    // calls it).
    void updateWinnerOverlay();
    bool isWinnerDragging() const { return m_winnerDrag == kWinnerDragging; }
    // The expectation line and the drag hint of the description box.
    QStringList winnerDescriptionTexts() const;
    // Where the last paint put the expected range's zones and the
    // description box (null when not drawn).
    QRect winnerZoneRect() const { return m_winnerZoneRect; }
    QRect winnerDescriptionRect() const { return m_winnerDescriptionRect; }

    // Interaction state that mouse handling sets; public so the container
    // (and tests) can drive the overlays.
    void setMousePoint(const QPoint& p) { m_mousePoint = p; }
    QPoint mousePoint() const { return m_mousePoint; }
    void setZoomSelecting(bool on, const QRect& rect = QRect());
    void setStatSelecting(bool on, const QRect& rect = QRect());
    bool isZoomSelecting() const { return m_zoomSelecting; }
    bool isStatSelecting() const { return m_statSelecting; }
    bool isDragging() const { return m_dragging; }
    bool isStatOpen() const { return m_statOpen; }
    QRect zoomRect() const { return m_zoomRect; }
    QRect statRect() const { return m_statRect; }
    CParamRankWidget* paramRankWidget() const { return m_paramRank; }
    CMessageTipBox* tipBox() const { return m_tipBox; }
    int rankHitCount() const { return m_rankHits.size(); }
    // Deals and orders under the pointer; the box shows while either is non-empty.
    void setTradeTips(const QVector<CTradeTip>& deals, const QVector<CTradeTip>& orders);
    bool isTradeTipShown() const { return m_tradeTipShown; }
    bool isExpectationShown() const { return m_showExpectation; }

    // --- inspection views: a box at the plot's top-left describing the
    // crosshair bar (the locked bar while the cursor is locked, else the last
    // bar). One view at a time: showing one hides the other. They survive
    // refresh and new bars and close with the pane's last formula; Esc closes.
    //  - Position view: the holdings of the pane's group result as of the bar.
    //  - Variable view: the hidden variables of the pane's formulas at the bar.
    enum InspectionView { NoInspection = 0, PositionInspection = 1, VariableInspection = 2 };
    void showPositionView(bool on);
    bool isPositionViewShown() const { return m_inspection == PositionInspection; }
    void togglePositionView() { showPositionView(!isPositionViewShown()); }
    void showVariableView(bool on);
    bool isVariableViewShown() const { return m_inspection == VariableInspection; }
    void toggleVariableView() { showVariableView(!isVariableViewShown()); }
    // Closes the open view; false when none was open.
    bool hideInspectionView();
    // The cursor moved or the group result changed: repaints the open view.
    void updateInspectionView();
    // The bar the views describe (-1 without bars).
    int inspectionIndex() const;
    // Texts of the open view as it is drawn at the current size, one entry
    // per line (header first, table cells joined by tabs); empty when none
    // is open.
    QStringList inspectionLines() const;
    // Where the last compose drew the box (null when not drawn).
    QRect inspectionBoxRect() const { return m_inspectionBox; }
    // The plot area the box is kept inside.
    QRect inspectionPlotRect() const;

    // Value-space conversions handed to the drawing-tool engine:
    // pixel -> (time tag, value) and back.
    QPointF pixelToValue(const QPointF& pixel) const;
    QPointF valueToPixel(const QPointF& value) const;

    // --- context menu
    // The menu a right click opens, built fresh from the pane's kind, the
    // view model, the user's rights and the client type; null where the pane
    // offers none. The caller owns it (the right click executes and deletes
    // it). Choices of this pane:
    //  - "叠加指标" in the main pane replaces the other overlays but never
    //    the price series, which the pane could not do without.
    //  - "生成持仓扩展数据" stores under <user data>/EP/ (the shipped data
    //    folder may be read-only) and reports what it made in a message box;
    //    "导出最后一天交易记录" starts its folder choice in <user data>/trading.
    //  - Uploads stop with the message of a terminal that has no OA table
    //    parameters, which the stand-in never has.
    //  - "生成外部数据" offers the named outputs with data of the pane's first
    //    formula that has a result; before any result it says so instead.
    QMenu* createContextMenu();
    // The title bar's superposition menu (null in view type 3).
    QMenu* createSuperposeMenu();
    void showSuperposeMenu(const QPoint& globalPos);
    static constexpr int kMaxSuperposed = 3;
    // The keyboard spirit's pick for "叠加品种".
    void onSuperposeStockSelected(std::shared_ptr<qlservice::CInstrumentDetail> stock, int kind);
    // Asks where to save an export; replaceable so tests and headless hosts
    // need no modal dialog (an empty function restores QFileDialog).
    using SaveFilePrompt =
        std::function<QString(QWidget* parent, const QString& caption, const QString& name, const QString& filter)>;
    static void setSaveFilePrompt(SaveFilePrompt prompt);
    // Asks for a folder (the trade detail export), replaceable likewise.
    using FolderPrompt = std::function<QString(QWidget* parent, const QString& caption, const QString& start)>;
    static void setFolderPrompt(FolderPrompt prompt);

    bool handleEvent(int id, int p1, int p2, const QString& text, void* data) override;
    void themeChanged() override;

    // KW::IGraphController
    void onDone() override;
    void onGraphNotify(void* data) override;
    void onGraphStateChanged(int state) override;
    void onEditGraphAttribute() override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void enterEvent(QEvent* event) override;
    void leaveEvent(QEvent* event) override;
    bool event(QEvent* e) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // Where the window system asks for the menu on the right press (X11),
    // it opens on the release instead, so a right-drag can select a range
    // first (the menu then offers the selection's commands).
    void contextMenuEvent(QContextMenuEvent* event) override;
    void openContextMenu(const QPoint& globalPos);

private slots:
    void slotAddIndexWidget();
    void slotAddIndex();
    void slotDelIndex();
    void slotUpdateIndex();
    void slotDelFormula();
    void slotEditFormula();
    void slotModifyModelParam();
    void slotEditKLineData();
    void slotTimeFieldSelect();
    void slotRestoreGraph();
    void slotShowOrHideParamRank();
    void slotContrastSector();
    void slotAddBkzsCode();
    void slotAddConvertibleCode();
    void slotSuperposedStock();
    void slotCancleAddStock();
    void slotCopy();
    void slotAddSelfStock();
    void slotAutoChangePeriod();
    void slotConnectTick();
    void slotShowAllCachedTick();
    void slotRefreshTickData();
    void slotLockCursor();
    void slotScale(bool checked, int first, const QString& last);
    void slotStatistic(bool checked, int first, const QString& text);
    void slotPeroidTriggered();
    void slotDrTriggered();
    void slotCheck();
    void slotCopyModelGroupData();
    void slotShowPositonPanel();
    void slotGenerateHoldingExData();
    void slotExportTradeDetail();
    void slotRefresh();
    void slotExportFormula();
    void slotExportIndexGraphData();
    void slotUploadOutData();
    void slotUploadGroupRelevanceData();
    void slotUploadGroupWeightData();
    void slotCreateNewWork();
    void slotSelectAllAccount(bool checked);
    void slotSelectShowAccount(bool checked);
    void slotShowLinkageData();
    void slotCopyRequestInfo();
    void slotDownloadDatas();
    void slotAddExpandData();
    void slotCopyProgressInfo();

private:
    // refreshGraph's steps: the ranges and axis, the picture (all of it, or
    // only within clip), then what follows the ranges.
    void prepareRefresh();
    void drawPicture(const QRegion& clip);
    void finishRefresh();
    // --- context menu
    QAction* addMenuAction(QMenu* menu, const QString& text, void (CKLineGraphWidget::*slot)());
    void buildMenuA(QMenu* menu);
    void buildMenuB(QMenu* menu);
    void buildMenuS(QMenu* menu);
    void buildMenuD(QMenu* menu);
    void buildMenuE(QMenu* menu);
    void buildMenuF(QMenu* menu);
    void buildMenuG(QMenu* menu);
    void buildCommonTail(QMenu* menu);
    // "申万一级".."申万三级" with levels 1..3 (checked by the view model's level).
    void addSectorLevels(QMenu* menu, bool checkable);
    // Trade-mark hit test of a double-click (orders, deals, tasks): the first
    // hit delivers 3164.
    bool hitTradeMarks(const QPoint& pos);
    static CTradeTip tradeTip(int direction, int offsetFlag, qint64 volume, double price);
    // "显示交易成交": account kind 1 futures / 2 stock by the instrument's
    // market, and the view model's selection of that kind.
    QMenu* buildTradeAccountMenu();
    int tradeAccountKind() const;
    QStringList& selectedTradeAccounts();
    void syncTradeMarkNames();
    // The catalogue below `node`: superposable formulas of the pane's kind
    // (`update` false), or every formula the user may put in the pane.
    void addCatalogItems(QMenu* menu, const boost::shared_ptr<CFormulaCatalog>& node, int depth, bool update);
    QMenu* buildAddIndexMenu();
    QMenu* buildDelIndexMenu();
    QMenu* buildUpdateIndexMenu();
    QMenu* buildPeriodMenu();
    QMenu* buildDrMenu();
    // Drops the pane's results and subscriptions and asks for everything again.
    void reRequest();
    QString senderText() const;
    // The pane's first formula other than its price series ("" none).
    QString exportableFormula() const;
    void applyFormulaParams(const QString& formula, const QString& text);
    void uploadToOa(int tableType);
    static SaveFilePrompt& saveFilePrompt();
    static GraphAttributePrompt& graphAttributePrompt();
    static FolderPrompt& folderPrompt();

    void updateDrawGraphKey();
    QPoint clampToPlot(const QPoint& p) const;
    // A price as the crosshair's value label shows it.
    QString priceText(double value) const;
    // Reports the drag from m_dragX to x as whole bars (event 193).
    void dragScroll(int x);
    void updateParamPopup(int hover, const QPoint& globalPos);
    // The ranking-list names of the mark under `point`, or of bar `bar`, in
    // the tip box centred on the mark at y 5; hidden when there are none.
    void updateRankTip(const QPoint& point);
    void updateRankTip(int bar);
    void showRankTip(const QVector<std::shared_ptr<se::LongHuBangRankListInfo>>& records, int markX);
    // Points the drawing tools at drawGraphKey and loads its stored drawings.
    void loadDrawings();
    void drawGroupModelNotice(QPainter& painter);
    void drawCrossLine(QPainter& painter);
    void drawCrossValue(QPainter& painter);
    void drawSelections(QPainter& painter);
    void drawLockLine(QPainter& painter);
    void drawTradeTips(QPainter& painter);
    void drawInspectionView(QPainter& painter);
    // One cell of an inspection box; tone picks its colour.
    struct InspectionCell {
        QString text;
        int tone = 0; // 0 text, 1 rise, -1 fall, 2 title
    };
    using InspectionRow = QVector<InspectionCell>;
    // Rows of the open view: the header line, then one row of cells per line.
    QVector<InspectionRow> inspectionRows() const;
    QVector<InspectionRow> positionRows(int bar) const;
    QVector<InspectionRow> variableRows(int bar) const;
    // The rows cut to the room the plot leaves (an ellipsis last when cut).
    QVector<InspectionRow> fittedInspectionRows() const;
    QRect inspectionRoom() const;
    // The bar's time as the time strip shows it.
    QString barTimeText(int bar) const;
    void closeInspectionIfNoFormulas();
    // One value label in the axis column at row `top`.
    void drawAxisLabel(QPainter& painter, double value, int top, const char* textColorKey);
    // The row of the crosshair's horizontal line (false: none drawn).
    bool crossRow(int& y) const;
    // Value and top of the crosshair's value label (false: none drawn).
    bool crossLabel(double& value, int& top) const;
    // The axis label text of `value`, formatted and fitted once per picture.
    const QString& axisLabelText(double value);
    void clearAxisLabelCache();
    // Decimals of the chart instrument's price tick.
    int priceDigits() const;

    // --- option expectation overlay
    static constexpr int kWinnerDragging = 3;
    bool winnerActive() const;
    bool winnerValuesSet() const;
    void ensureWinnerButtons();
    void fillWinnerSetting();
    void layoutWinnerButtons();
    void redrawWinnerDescription();
    bool handleWinnerEvent(int id, int p1, int p2, const QString& text);
    void winnerDragTo(const QPoint& p);
    void finishWinnerDrag();
    // Bar index of a time tag, past the last bar counted in days.
    int winnerIndexOfTime(int tag) const;
    // Where line `id` of the expectation stands now (x for the range, y for
    // the prices).
    QPoint winnerAnchor(int id) const;
    QString winnerPriceText(double price) const;
    void drawWinnerOverlay(QPainter& painter);

    boost::shared_ptr<CKLineUiParam> m_pUiParam;
    boost::shared_ptr<CKLineData> m_pData;
    // The cached picture of the series. An image, not a pixmap: thin strokes
    // and bodies are written straight into its pixels (CDrawStyle).
    QImage m_graphImage;
    int m_displayType = 0;
    int m_viewType = 0;
    int m_paneIndex = 0;
    bool m_mouseIn = false;
    bool m_createNewWorkShow = true;
    bool m_timeRangeQuotation = true;
    bool m_replay = false;
    bool m_quickBuySell = false;
    bool m_externalMainGraph = false;
    bool m_painting = false;
    int m_refreshCount = 0;
    int m_tailRefreshCount = 0;
    // What the picture was drawn with (see refreshTail).
    CKLineData::PictureState m_tailState;
    bool m_tailStateValid = false;
    int m_paintCount = 0;
    // What of the crosshair may still be on screen: repainted when it moves.
    QRegion m_crossOnScreen;
    // Axis label texts of the current picture, by the value's bits; the font
    // is measured once per picture, not per crosshair move.
    struct AxisLabelCache {
        bool valid = false;
        QFont font;
        int digits = 0;
        int width = 0;
        QHash<quint64, QString> texts;
    };
    AxisLabelCache m_axisLabels;
    // The labels' glyphs, shaped once per text.
    KW::CShapedTextCache m_axisLabelTexts{2048};
    int m_restCount = 0;
    QMap<QString, QString> m_paramTexts;
    QString m_stockKey;
    QPoint m_popupPos;
    QString m_currGraphColor;
    QString m_drawGraphKey;
    QPixmap m_descriptionPixmap;
    QPoint m_mousePoint;
    bool m_dragging = false;
    int m_dragX = -1;
    QPoint m_zoomAnchor;
    QPoint m_statAnchor;
    bool m_statOpen = true;
    bool m_rightDown = false;
    bool m_menuOnRelease = false;
    CParamRankWidget* m_paramRank = nullptr;
    CMessageTipBox* m_tipBox = nullptr;
    bool m_zoomSelecting = false;
    bool m_statSelecting = false;
    QRect m_zoomRect;
    QRect m_statRect;
    bool m_tradeTipShown = false;
    QVector<CTradeTip> m_dealTips;
    QVector<CTradeTip> m_orderTips;
    bool m_showExpectation = true;
    CWinnerDragButton* m_winnerButtons[4] = {nullptr, nullptr, nullptr, nullptr};
    int m_winnerDrag = 0;
    int m_winnerDragId = -1;
    QPoint m_winnerPressPoint;
    QPoint m_winnerDragOffset;
    int m_winnerShownMode = 0;
    int m_winnerShownType = -1;
    QString m_winnerDescriptionKey;
    QRect m_winnerZoneRect;
    QRect m_winnerDescriptionRect;
    int m_inspection = NoInspection;
    QRect m_inspectionBox;
    // Hidden variables are computed by running the formula: kept for the
    // bar and picture they were read for.
    struct VariableCache {
        int bar = -1;
        qint64 timeMs = -1;
        int refresh = -1;
        QVector<QString> ids;
        QVector<InspectionRow> rows;
    };
    mutable VariableCache m_varCache;
    QString m_menuStyle;
    // The account items of the last "显示交易成交" (they live with that menu).
    QList<QPointer<QAction>> m_accountActions;
    bool m_allAccountsSelected = false;
    CModifyModelParamDialog* m_paramDialog = nullptr;
    CModifyKLineDataDialog* m_klineDialog = nullptr;
    CTimeFieldSelectionDialog* m_timeFieldDialog = nullptr;
    CKLineGenerateExternalDialog* m_externalDialog = nullptr;
    // Ranking-list records under the pointer (filled by mouse handling).
    QVector<std::shared_ptr<se::LongHuBangRankListInfo>> m_rankHits;
};

} // namespace TC
