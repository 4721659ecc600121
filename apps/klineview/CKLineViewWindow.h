#pragma once

#include <functional>

#include <QMainWindow>
#include <QPointer>
#include <QString>

#include "CKLineViewLayout.h"

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QToolButton;

namespace KW {
class CMessageBox;
}

namespace TC {

class CKLineMainWidget;
class CKLineViewFormulaMenu;
class CKLineViewSectorWindow;
class CKLineViewTradeMenu;
class CMarketSimulator;

// The terminal window around one chart: a toolbar with the instrument entry
// (completion over "key name" lines; Enter switches), the period and
// ex-rights choices, the indicator menu (the formula catalogue's tree: main-
// pane overlays toggle, sub-pane formulas add a pane; remove the last pane)
// and the "实时" switch of the market simulator; the status bar shows the
// instrument and the day of its last bar. Ctrl+Q closes the window.
//
// The layout is restored from `settingsPath` at start and written back when
// the window closes (an empty path: never written). Choosing one of the
// N-unit periods asks for N. User CSV files that failed to load are listed in
// a non-modal box titled "提示" once the event loop runs.
//
// The window owns the real-time simulator and attaches it to the formula
// service for its lifetime; "实时" only starts and stops its timer.
//
// It is the main window the chart's host requests reach
// (CIndexMainWindowHelper): sector analysis opens a CKLineViewSectorWindow
// for the instrument, formula export asks for a file (SaveFilePrompt) and
// writes the formula's source with its parameter line there
// (CKLineViewFormulaExport), refresh requests the chart again.
class CKLineViewWindow : public QMainWindow
{
    Q_OBJECT

public:
    static constexpr int kRealtimeIntervalMs = 500;

    // Asks for the file to save to; "" when the user cancels. Replaceable so
    // tests and headless hosts need no modal dialog; an empty function
    // restores the file dialog.
    using SaveFilePrompt = std::function<QString(QWidget* parent, const QString& caption,
                                                 const QString& suggestedPath, const QString& filter)>;
    static void setSaveFilePrompt(SaveFilePrompt prompt);

    CKLineViewWindow(const CKLineViewLayout& layout, const QString& settingsPath, QWidget* parent = nullptr);
    ~CKLineViewWindow() override;

    CKLineMainWidget* chart() const { return m_chart; }
    CMarketSimulator* simulator() const { return m_simulator; }
    // The layout as the chart shows it now.
    CKLineViewLayout currentLayout() const;
    const QString& settingsPath() const { return m_settingsPath; }

    QLineEdit* instrumentEdit() const { return m_instrumentEdit; }
    QComboBox* periodCombo() const { return m_periodCombo; }
    QComboBox* drCombo() const { return m_drCombo; }
    QToolButton* indexButton() const { return m_indexButton; }
    QMenu* overlayMenu() const { return m_overlayMenu; }
    QMenu* subPaneMenu() const { return m_subPaneMenu; }
    QMenu* applyMenu() const { return m_applyMenu; }
    QAction* realtimeAction() const { return m_realtimeAction; }
    QAction* downloadAction() const { return m_downloadAction; }
    // The next period of the chart's cycle (F8).
    void cyclePeriod();
    QAction* quitAction() const { return m_quitAction; }
    // "公式": new, edit and import formulas in the formula editor.
    CKLineViewFormulaMenu* formulaMenu() const { return m_formulaMenu; }
    // "交易", with the option expectation items.
    CKLineViewTradeMenu* tradeMenu() const { return m_tradeMenu; }
    // The box listing the user files that did not load; null when none is open.
    KW::CMessageBox* loadProblemsBox() const;

    // The store key of what a user typed into the instrument entry, in any
    // case: a key, a completion line ("SH600519 贵州茅台"), a name or a bare
    // code ("600519") that only one instrument has. "" with the reason in
    // *why when there is none or more than one.
    static QString findInstrument(const QString& text, QString* why = nullptr);
    // The completion lines of the instrument entry, one per instrument.
    static QStringList completionLines();

    // Whatever findInstrument() takes; false (and a status message) otherwise.
    bool switchInstrument(const QString& text);
    // Puts one main-pane overlay on or takes it off; the others stay.
    void setOverlay(const QString& formula, bool on);
    void clearOverlays();
    void addSubPane(const QString& formula);
    // The formula manager's "apply": the formula replaces the selected
    // sub-pane's (else the last one's).
    void applyFormula(const QString& formula);
    // The superposition menu of the pane with that id (the main pane when
    // none has it) at the cursor.
    void showSuperposeMenu(int paneId);
    void removeLastSubPane();
    void setRealtime(bool on);
    // True when the layout file was written; a failure (the previous file
    // stays as it was) is told in a message box.
    bool saveSettings();
    // Lists load problems in a non-modal box titled "提示"; none: no box.
    void showLoadProblems(const QStringList& problems);

    // The host services the chart asks for.
    void showSectorAnalysis(const QString& stockKey);
    // True when the file was written; a failure is told in a message box.
    bool exportFormula(const QString& formula);
    void refreshChart();
    // The sector window opened last; null when none is open.
    CKLineViewSectorWindow* sectorWindow() const;

protected:
    void closeEvent(QCloseEvent* event) override;
    // The chart (view type 0) leaves the keys to its host: arrows move the
    // crosshair (Ctrl: 4 bars), Up/Down zoom, Home/End jump, Esc hides it.
    void keyPressEvent(QKeyEvent* event) override;

private slots:
    void slotInstrumentEntered();
    void slotPeriodChosen(int index);
    void slotDrChosen(int index);
    void slotRealtimeToggled(bool on);
    void slotUpdateStatus();
    // Toolbar, title and status after the chart changed its instrument itself.
    void followChartInstrument();

private:
    void createToolBar();
    // Fills the two formula menus from the catalogue tree, each again when it
    // opens (user formulas may have come since); overlays the chart shows are
    // checked.
    void rebuildIndexMenus();
    void fillIndexMenu(QMenu* menu);
    void syncControls();
    void updateTitle();

    CKLineViewLayout m_layout;
    QString m_settingsPath;
    CKLineMainWidget* m_chart = nullptr;
    CMarketSimulator* m_simulator = nullptr;
    QLineEdit* m_instrumentEdit = nullptr;
    QComboBox* m_periodCombo = nullptr;
    QComboBox* m_drCombo = nullptr;
    QToolButton* m_indexButton = nullptr;
    QMenu* m_overlayMenu = nullptr;
    QMenu* m_subPaneMenu = nullptr;
    QMenu* m_applyMenu = nullptr;
    QAction* m_realtimeAction = nullptr;
    QAction* m_downloadAction = nullptr;
    QAction* m_quitAction = nullptr;
    CKLineViewFormulaMenu* m_formulaMenu = nullptr;
    CKLineViewTradeMenu* m_tradeMenu = nullptr;
    QLabel* m_statusLabel = nullptr;
    QPointer<KW::CMessageBox> m_problemsBox;
    QPointer<CKLineViewSectorWindow> m_sectorWindow;
    int m_busToken = 0;
    bool m_syncing = false;
};

} // namespace TC
