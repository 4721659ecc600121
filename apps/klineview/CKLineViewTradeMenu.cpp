#include "CKLineViewTradeMenu.h"

#include "kline/CKLineMainWidget.h"

namespace TC {

CKLineViewTradeMenu::CKLineViewTradeMenu(CKLineMainWidget* chart, QWidget* parent)
    : QMenu(QStringLiteral("交易"), parent), m_chart(chart)
{
    setObjectName(QStringLiteral("trade_menu"));
    m_settingAction = addAction(QStringLiteral("交易详情 [分笔]"));
    m_settingAction->setObjectName(QStringLiteral("linkage_setting_action"));
    connect(m_settingAction, &QAction::triggered, this, [this] {
        if (m_chart)
            m_chart->handleEvent(3160, 0, 0, QString(), nullptr);
    });
}

} // namespace TC
