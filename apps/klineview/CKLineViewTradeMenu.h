#pragma once

#include <QMenu>

class QAction;

namespace TC {

class CKLineMainWidget;

// "交易": the chart's trade linkage. "交易详情 [分笔]" opens the chart's
// linkage setting dialog (event 3160), whose choice the tick chart marks.
class CKLineViewTradeMenu : public QMenu
{
    Q_OBJECT

public:
    CKLineViewTradeMenu(CKLineMainWidget* chart, QWidget* parent = nullptr);

    QAction* settingAction() const { return m_settingAction; }

private:
    CKLineMainWidget* m_chart = nullptr;
    QAction* m_settingAction = nullptr;
};

} // namespace TC
