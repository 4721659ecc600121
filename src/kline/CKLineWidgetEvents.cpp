// Events reaching a pane from its series, its drawing area and its buttons.
#include <QVariant>

#include "kline/CKLineWidget.h"
#include "model/CKLineUiParam.h"
#include "pane/CKLineGraphWidget.h"
#include "platform/config/CAppConfig.h"
#include "platform/config/QLLog.h"
#include "platform/formula/service/CFormulaManager.h"
#include "platform/framework/KWFormat.h"
#include "platform/indexui/CIndexTitleWidget.h"
#include "platform/indexui/CShowGroupRunTimeWidget.h"
#include "platform/market/InstrumentAccess.h"
#include "series/CKLineData.h"

namespace TC {

bool CKLineWidget::handleEvent(int id, int p1, int p2, const QString& text, void* data)
{
    switch (id) {
    case 3084:
        if (!m_runTime)
            return false;
        m_runTime->move(plotWidth(), overlayTop());
        m_runTime->setRunning(false);
        m_runTime->show();
        m_runTime->setRunning(true);
        m_runTime->raise();
        relayout();
        if (m_title)
            m_title->show();
        return true;
    case 3085:
        m_runTime->setRunning(false);
        return true;
    case 3086:
        m_runTime->setRunning(false);
        m_runTime->hide();
        return true;
    case 3089:
        clearExtendCache();
        return true;
    case 3205:
        if (p1 == 1) {
            m_graph->handleEvent(3205, 1, p2, text, data);
            return true;
        }
        return false;
    case 206:
        deliverEvent(206, m_paneId, 0, QString(), nullptr);
        return true;
    case 181:
        deliverEvent(181, m_paneId, 0, QString(), nullptr);
        return true;
    case 182:
        if (m_uiParam) {
            m_uiParam->lockCursor = p2 != 0;
            m_uiParam->lockedIndex = m_uiParam->crossIndex;
        }
        return true;
    case 200:
        if (m_title)
            m_title->clearAddStocks();
        return true;
    case 201:
        if (m_title) {
            // Superposing through the pane's menu changes the list too.
            if (!isSubPane() && m_uiParam) {
                QStringList keys;
                for (const auto& s : m_uiParam->addStockList)
                    keys << getDetailQsKey(s);
                m_title->setAddStocks(keys);
            }
            m_title->resetSize();
        }
        return true;
    case 180:
        if (m_series && m_series->isRealtimeRepaint())
            scheduleRefresh();
        else
            refresh();
        return true;
    case 5:
        break;
    default:
        return KW::CBaseWidget::handleEvent(id, p1, p2, text, data);
    }

    // Button clicks (event 5, p1 = button id). What a button asks for is
    // handled by the chart this pane belongs to, so it goes upstream and
    // reaches the bus only when the chart leaves it.
    switch (p1) {
    case 100:
    case 1104:
        deliverEvent(3020, m_paneId, p2, m_indexName, nullptr);
        clearExtendCache();
        return true;
    case 103:
        deliverEvent(202, 0, 0, QString(), nullptr);
        return true;
    case 500:
        if (m_title)
            m_graph->showParamPopup(m_title->titleGlobalPoint());
        return true;
    case 501:
        deliverEvent(3230, m_paneId, 0, QString(), nullptr);
        return true;
    case 502:
    case 503:
    case 504:
        deliverEvent(3228, m_paneId, 504 - p1, QString(), nullptr);
        return true;
    case 1105:
        m_autoRequest = true;
        request(m_lastRunMode, m_savedFlag);
        return true;
    case 1103: {
        QVariant answer;
        CFormulaManager::instance()->sendTempHandleEvent(3197, 0, 1, QString(), answer);
        if (!answer.isValid() || answer.isNull() || answer.toString().isEmpty()) {
            QLLOG_ERROR(qlog::kStdLogger, "应用于实盘交易：Empty data, Do Nothing.");
            return true;
        }
        const QString key =
            m_uiParam ? KW::nvStockKey(m_uiParam->getCurrCode(), m_uiParam->getCurrMarket()) : QString();
        deliverEvent(3207, 1103, p2, QStringLiteral("%1|%2").arg(m_indexName, key), nullptr);
        return true;
    }
    default:
        return KW::CBaseWidget::handleEvent(id, p1, p2, text, data);
    }
}

} // namespace TC
