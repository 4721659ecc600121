#pragma once

#include <QMainWindow>
#include <QString>

#include "CKLineViewLayout.h"

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QToolButton;

namespace TC {

class CKLineMainWidget;
class CMarketSimulator;

// The terminal window around one chart: a toolbar with the instrument entry
// (completion over keys and names; Enter switches), the period and ex-rights
// choices, the indicator menu (main-pane overlay, add or remove a sub-pane)
// and the "实时" switch of the market simulator; the status bar shows the
// instrument and its market's last trading day.
//
// The layout is restored from `settingsPath` at start and written back when
// the window closes. Choosing one of the N-unit periods asks for N.
//
// The window owns the real-time simulator and attaches it to the formula
// service for its lifetime; "实时" only starts and stops its timer.
class CKLineViewWindow : public QMainWindow
{
    Q_OBJECT

public:
    static constexpr int kRealtimeIntervalMs = 500;

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
    QAction* realtimeAction() const { return m_realtimeAction; }

    // Instrument key or name; false (and a status message) when unknown.
    bool switchInstrument(const QString& text);
    void setMainOverlay(const QString& formula); // "" takes the overlays off
    void addSubPane(const QString& formula);
    void removeLastSubPane();
    void setRealtime(bool on);
    bool saveSettings();

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

private:
    void createToolBar();
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
    QAction* m_realtimeAction = nullptr;
    QLabel* m_statusLabel = nullptr;
    int m_busToken = 0;
    bool m_syncing = false;
};

} // namespace TC
