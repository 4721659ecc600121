#pragma once

#include <memory>

#include <boost/shared_ptr.hpp>

#include <QString>
#include <QStringList>
#include <QVector>

#include "kline/IndexKLineViewGlobal.h"
#include "platform/formula/CFormulaParam.h"
#include "platform/formula/RPCFormulaMetaResult.h"
#include "platform/formula/RPCFormulaResult.h"
#include "platform/framework/CBaseWidget.h"
#include "platform/market/CInstrumentDetail.h"

class QTimer;

namespace KW {
class CPushButton;
}

namespace TC {

class CIndexTitleWidget;
class CKLineCycleCountdown;
class CKLineData;
class CKLineGraphWidget;
class CKLineUiParam;
class CShowGroupRunTimeWidget;

// One pane of a chart: a title bar over a drawing area, the pane's series,
// and the overlay controls of strategy models (run-time progress, bar
// countdown, and on sub-panes the live-trading, run-model and strategy-stop
// buttons).
//
// Event chain: the series and the drawing area deliver to this pane, the
// pane to the main widget it was given at construction. A sub-pane is
// requested, deferred (simple title with the run-model button, waiting for
// the user), or idle (no formula).
class INDEXKLINEVIEW_EXPORT CKLineWidget : public KW::CBaseWidget
{
    Q_OBJECT

public:
    // `paneType` 0 is the main pane, 1 a sub-pane. `upstream` receives the
    // pane's events (the main widget); the Qt parent is `parent`.
    CKLineWidget(int paneId, boost::shared_ptr<CKLineUiParam> uiParam, int paneType, int viewType,
                 KW::CEventDeliverer* upstream, QWidget* parent = nullptr);
    ~CKLineWidget() override;

    int paneId() const { return m_paneId; }
    void setPaneId(int id);
    int paneType() const { return m_paneType; }
    bool isSubPane() const { return m_paneType != 0; }
    int paneInstanceNumber() const { return m_paneNo; }
    // The process-wide pane counter's next value (tests).
    static int nextPaneInstanceNumber();

    CKLineGraphWidget* graph() const { return m_graph; }
    CIndexTitleWidget* title() const { return m_title; }
    const boost::shared_ptr<CKLineData>& series() const { return m_series; }
    CShowGroupRunTimeWidget* runTimeWidget() const { return m_runTime; }
    CKLineCycleCountdown* cycleCountdown() const { return m_countdown; }
    KW::CPushButton* liveTradeButton() const { return m_liveTradeBtn; }
    KW::CPushButton* stopButton() const { return m_stopBtn; }
    KW::CPushButton* runModelButton() const { return m_runModelBtn; }

    // --- formulas
    void addIndex(const QString& name, const QString& paramText);
    void setIndex(const QString& name, const QString& paramText);
    void removeIndex(const QString& name);
    QStringList indexNames() const;
    bool hasIndex(const QString& name) const;
    bool hasGroupModelIndex() const;
    bool hasPythonIndex() const;
    bool hasVbaIndex() const;
    bool hasData() const;
    QString indexName() const { return m_indexName; }
    QString lastIndexName() const { return m_lastIndexName; }

    // --- data
    // The pane request gate.
    void request(int runMode, bool flag);
    int lastRunMode() const { return m_lastRunMode; }
    void clear();
    void unrequest();
    void release();
    void refresh();
    // A real-time update changed the series: the pane refreshes once per
    // frame however many arrive, kFrameMs after the first of them at the
    // latest.
    static constexpr int kFrameMs = 16;
    void scheduleRefresh();
    bool isRefreshPending() const { return m_refreshPending; }
    // Runs a scheduled refresh now (nothing when none is pending).
    void flushRefresh();
    void collectFormulaParams(QVector<CFormulaParam>& records);
    void deliverResult(const CFormulaParam& record, const std::shared_ptr<se::RPCFormulaMetaResult>& meta,
                       const std::shared_ptr<se::RPCFormulaResult>& result);

    // --- instrument, period, ex-rights, selection
    void setStock(std::shared_ptr<qlservice::CInstrumentDetail> stock);
    void setPeriod(int period);
    void setDrType(int drType);
    void setSelected(bool selected);

    // --- flags
    void setCreateNewWorkShow(bool on);
    void setTimeRangeQuotation(bool on);
    void setReplay(bool on);
    void setQuickBuySell(bool on);
    void setMouseIn(bool on);
    void setAutoIndex(bool on);
    bool isAutoIndex() const { return m_autoRequest; }
    void setIsLoginInit(bool on);
    bool isLoginInit() const { return m_loginInit; }
    bool isSimpleTitle() const { return m_simpleTitle; }
    void setStrategyRunning(bool on);
    bool isStrategyRunning() const { return m_strategyRunning; }
    void setBtnToolVisible(bool on);
    void setConciseStyle(bool on);
    void setCloseBtnVisible(bool on);

    // Sets or toggles the chart's cursor lock; a new lock takes the
    // crosshair bar.
    void lockCursor(bool on);
    void lockOrUnlockCursor();

    // Places the overlay controls and refreshes.
    void relayout();
    // Mouse-stay handling: the cursor bar changed.
    void updateKlineId();
    bool isMouseStayPending() const;

    bool handleEvent(int id, int p1, int p2, const QString& text, void* data) override;

public slots:
    void slotMouseStayTimeOut();

private slots:
    void slotRefreshTimeOut();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void takeDeferredPath();
    void showTitleFormulas();
    void showLiveTradeButton(int runMode);
    void clearExtendCache();
    int overlayTop() const;
    int plotWidth() const;

    CKLineGraphWidget* m_graph = nullptr;
    CIndexTitleWidget* m_title = nullptr;
    boost::shared_ptr<CKLineUiParam> m_uiParam;
    boost::shared_ptr<CKLineData> m_series;
    int m_paneType = 0;
    int m_viewType = 0;
    int m_paneId = 0;
    CShowGroupRunTimeWidget* m_runTime = nullptr;
    CKLineCycleCountdown* m_countdown = nullptr;
    QTimer* m_mouseStayTimer = nullptr;
    QTimer* m_refreshTimer = nullptr;
    bool m_refreshPending = false;
    KW::CPushButton* m_liveTradeBtn = nullptr;
    KW::CPushButton* m_stopBtn = nullptr;
    QString m_indexName;
    int m_paneNo = 0;
    bool m_strategyRunning = false;
    QString m_lastIndexName;
    int m_lastRunMode = 0;
    bool m_loginInit = false;
    bool m_autoRequest = true;
    bool m_savedFlag = true;
    bool m_simpleTitle = false;
    KW::CPushButton* m_runModelBtn = nullptr;
};

} // namespace TC
