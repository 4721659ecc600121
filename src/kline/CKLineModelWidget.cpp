#include "kline/CKLineModelWidget.h"

#include "kline/CKLineWidget.h"
#include "model/CKLineUiParam.h"
#include "pane/CKLineGraphWidget.h"
#include "platform/formula/catalog/CFormulaOperateManager.h"
#include "platform/trading/CStrategyTradeManager.h"
#include "platform/trading/CTradeStrategyData.h"

namespace TC {

CKLineModelWidget::CKLineModelWidget(QWidget* parent, EIndexViewType type) : CKLineMainWidget(parent, type) {}

CKLineModelWidget::~CKLineModelWidget() = default;

void CKLineModelWidget::handleDoubleClickedFormula(const QString& name, const QString& paramText)
{
    CKLineUiParam& ui = *getUiParam();
    ui.runMode = 0;
    const auto detail = CFormulaOperateManager::getFormula(name);
    CKLineWidget* main = mainPane();
    if (!detail || !main)
        return;
    const QString formula = detail->getName();
    const auto strategy = CStrategyTradeManager::instance()->getSelectStrategy();
    switch (detail->getPlacement()) {
    case 2:
        if (!strategy)
            return;
        if (strategy->getKind() == 1) {
            main->graph()->prepareExternalMainGraph();
            const bool wasShown = strategy->isShowMain();
            main->setIndex(formula, paramText);
            strategy->setShowMain(true);
            if (!wasShown)
                requestNoChangeAxis(false);
        } else if (strategy->getKind() == 2) {
            main->removeIndex(formula);
            if (!main->hasIndex(QStringLiteral("KLINE")))
                main->addIndex(QStringLiteral("KLine"), QString());
            if (!main->hasIndex(QStringLiteral("MA")))
                main->addIndex(QStringLiteral("MA"), QString());
            strategy->setShowMain(false);
            clear(true);
            request(false);
        }
        break;
    case 1:
        if (main->hasIndex(formula)) {
            takeOffMainPane(formula);
            if (strategy && strategy->isShowMain())
                main->request(ui.runMode, false);
            main->refresh();
        } else {
            main->addIndex(formula, paramText);
            main->request(ui.runMode, false);
        }
        break;
    default: {
        CKLineWidget* pane = findPane(highlightedPaneId());
        if (pane && pane != main) {
            pane->setIndex(formula, paramText);
        } else if (!subPanes().isEmpty()) {
            pane = subPanes().last();
            pane->setIndex(formula, QString());
        } else {
            pane = addIndexWidget();
            pane->addIndex(QStringLiteral("KLine"), QString());
            pane->addIndex(QStringLiteral("MA"), QString());
            pane->addIndex(formula, paramText);
        }
        pane->request(ui.runMode, true);
        break;
    }
    }
    saveCurrentIndexs();
}

} // namespace TC
