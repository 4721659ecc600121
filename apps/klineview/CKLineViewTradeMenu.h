#pragma once

#include <QMenu>

class QAction;
class QActionGroup;

namespace TC {

class CKLineMainWidget;

// "交易": the chart's trade linkage. "交易详情 [分笔]" opens the chart's
// linkage setting dialog (event 3160), whose choice the tick chart marks.
//
// "期权预期" puts the main pane into the option expectation mode with one of
// the four directions ("看涨" above a price, "看跌" below, "震荡" between
// two prices, "突破" outside them) and "关闭" takes it out again. It is
// enabled only for instruments the trading data centre lists options for;
// a switch to another instrument leaves the mode (syncOptionMode).
class CKLineViewTradeMenu : public QMenu
{
    Q_OBJECT

public:
    CKLineViewTradeMenu(CKLineMainWidget* chart, QWidget* parent = nullptr);

    QAction* settingAction() const { return m_settingAction; }
    QMenu* optionMenu() const { return m_optionMenu; }
    // The direction items in type order (0..3), then "关闭".
    QList<QAction*> optionActions() const { return m_optionActions; }

    // Enters the mode with `type` (0..3) or, with -1, leaves it; the chart
    // reloads so its window reaches the last listed expiry. False when the
    // instrument has no options (the mode is left then).
    bool setOptionExpectation(int type);
    // Before the chart switches to `key`: the mode goes on with that
    // instrument's stored setting when it has options, else off.
    void syncOptionMode(const QString& key);
    static bool hasOptions(const QString& key);

private:
    void syncOptionItems();

    CKLineMainWidget* m_chart = nullptr;
    QAction* m_settingAction = nullptr;
    QMenu* m_optionMenu = nullptr;
    QList<QAction*> m_optionActions;
};

} // namespace TC
