#include "CKLineViewTradeMenu.h"

#include <QActionGroup>

#include "kline/CKLineMainWidget.h"
#include "model/CKLineUiParam.h"
#include "platform/market/TraderCenter.h"

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

    m_optionMenu = addMenu(QStringLiteral("期权预期"));
    m_optionMenu->setObjectName(QStringLiteral("option_expect_menu"));
    auto* group = new QActionGroup(m_optionMenu);
    const QString names[4] = {QStringLiteral("看涨"), QStringLiteral("看跌"), QStringLiteral("震荡"),
                              QStringLiteral("突破")};
    for (int type = 0; type < 4; ++type) {
        QAction* a = m_optionMenu->addAction(names[type]);
        a->setCheckable(true);
        a->setActionGroup(group);
        connect(a, &QAction::triggered, this, [this, type] { setOptionExpectation(type); });
        m_optionActions << a;
    }
    m_optionMenu->addSeparator();
    QAction* off = m_optionMenu->addAction(QStringLiteral("关闭"));
    connect(off, &QAction::triggered, this, [this] { setOptionExpectation(-1); });
    m_optionActions << off;
    connect(this, &QMenu::aboutToShow, this, &CKLineViewTradeMenu::syncOptionItems);
    syncOptionItems();
}

bool CKLineViewTradeMenu::hasOptions(const QString& key)
{
    const qlservice::IDataCenter* dc = qlservice::TraderCenter::instance()->getDataCenter();
    return dc && !key.isEmpty() && !dc->getDateSet(key.toStdString()).empty();
}

bool CKLineViewTradeMenu::setOptionExpectation(int type)
{
    if (!m_chart)
        return false;
    CKLineUiParam& ui = *m_chart->getUiParam();
    const QString key = ui.getCurrKey();
    const bool on = type >= 0 && type <= 3 && hasOptions(key);
    if (!on && ui.optionExpectMode != 1) {
        syncOptionItems();
        return type < 0;
    }
    if (on)
        ui.setOptionWinner(key, QString(), type);
    else
        ui.optionExpectMode = 0;
    // Setting the instrument again applies the mode's window rules; the
    // reload extends (or trims) the window past the last bar.
    m_chart->setStock(ui.getStockDetail());
    m_chart->request(true);
    syncOptionItems();
    return on || type < 0;
}

void CKLineViewTradeMenu::syncOptionMode(const QString& key)
{
    if (m_chart) {
        CKLineUiParam& ui = *m_chart->getUiParam();
        if (ui.optionExpectMode == 1) {
            if (hasOptions(key))
                ui.setOptionWinner(key, QString(), ui.winnerType);
            else
                ui.optionExpectMode = 0;
        }
    }
    syncOptionItems();
}

void CKLineViewTradeMenu::syncOptionItems()
{
    const CKLineUiParam* ui = m_chart ? m_chart->getUiParam().get() : nullptr;
    const bool listed = ui && hasOptions(ui->getCurrKey());
    m_optionMenu->setEnabled(listed);
    const bool mode = ui && ui->optionExpectMode == 1;
    for (int type = 0; type < 4; ++type)
        m_optionActions[type]->setChecked(mode && ui->winnerType == type);
    m_optionActions[4]->setEnabled(mode);
}

} // namespace TC
