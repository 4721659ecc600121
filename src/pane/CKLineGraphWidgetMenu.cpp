// The pane's context menu, built fresh for every right click, and the
// commands behind its items.
#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>

#include "model/CKLineUiParam.h"
#include "dialogs/CKLineGenerateExternalDialog.h"
#include "dialogs/CParamRankWidget.h"
#include "dialogs/CTimeFieldSelectionDialog.h"
#include "pane/CKLineGraphWidget.h"
#include "platform/config/CAppConfig.h"
#include "platform/config/CUserConfig.h"
#include "platform/config/ConfigCollector.h"
#include "platform/config/QLLog.h"
#include "platform/formula/catalog/CFormulaOperateManager.h"
#include "platform/formula/catalog/FormulaPeriod.h"
#include "platform/formula/service/CExtendDataManager.h"
#include "platform/formula/service/CExternalDataManager.h"
#include "platform/formula/service/CFormulaManager.h"
#include "platform/formula/service/KelvDataSource.h"
#include "platform/framework/CMessageBox.h"
#include "platform/framework/CParameterAction.h"
#include "platform/framework/CStyleSheetCenter.h"
#include "platform/framework/QWriteFile.h"
#include "platform/indexui/CAddSelfStockDialog.h"
#include "platform/indexui/CIndexMainWindowHelper.h"
#include "platform/indexui/CModifyKLineDataDialog.h"
#include "platform/indexui/CModifyModelParamDialog.h"
#include "platform/indexui/CSmartKeyboardDialog.h"
#include "platform/market/CDividAdjuster.h"
#include "platform/market/CStockManager.h"
#include "platform/market/InstrumentAccess.h"
#include "platform/trading/CLinkageManager.h"
#include "platform/trading/CStrategyTradeManager.h"
#include "platform/trading/DataHelper.h"
#include "series/CKLineData.h"

namespace TC {

namespace {

constexpr int kMenuStyle = 15;
const char* const kTitle = "Orvo指标终端";

bool editorRights()
{
    const CUserConfig* user = getUserConfig();
    return user && user->hasFormulaEditorAuth();
}

bool modelRights()
{
    const CUserConfig* user = getUserConfig();
    return user && user->hasPermissionShowModel() && !qlservice::ConfigCollector::getHideModel();
}

QMenu* newMenu(const QString& title, QWidget* parent)
{
    auto* menu = new QMenu(title, parent);
    menu->setStyleSheet(KW::CStyleSheetCenter::getStyle(kMenuStyle, menu));
    return menu;
}

// A submenu that is dropped again when nothing went into it.
bool addIfNotEmpty(QMenu* parent, QMenu* sub, bool separatorFirst)
{
    if (sub->actions().isEmpty()) {
        delete sub;
        return false;
    }
    if (separatorFirst)
        parent->addSeparator();
    parent->addMenu(sub);
    return true;
}

} // namespace

CKLineGraphWidget::SaveFilePrompt& CKLineGraphWidget::saveFilePrompt()
{
    static SaveFilePrompt prompt;
    if (!prompt)
        prompt = [](QWidget* parent, const QString& caption, const QString& name, const QString& filter) {
            return QFileDialog::getSaveFileName(parent, caption, name, filter);
        };
    return prompt;
}

void CKLineGraphWidget::setSaveFilePrompt(SaveFilePrompt prompt)
{
    saveFilePrompt() = std::move(prompt);
}

CKLineGraphWidget::FolderPrompt& CKLineGraphWidget::folderPrompt()
{
    static FolderPrompt prompt;
    if (!prompt)
        prompt = [](QWidget* parent, const QString& caption, const QString& start) {
            return QFileDialog::getExistingDirectory(parent, caption, start,
                                                     QFileDialog::ShowDirsOnly | QFileDialog::DontResolveSymlinks);
        };
    return prompt;
}

void CKLineGraphWidget::setFolderPrompt(FolderPrompt prompt)
{
    folderPrompt() = std::move(prompt);
}

// ---------------------------------------------------------------------------
// Building

void CKLineGraphWidget::contextMenuEvent(QContextMenuEvent* event)
{
    event->accept();
    if (event->reason() == QContextMenuEvent::Mouse && m_rightDown) {
        m_menuOnRelease = true;
        return;
    }
    openContextMenu(event->globalPos());
}

void CKLineGraphWidget::openContextMenu(const QPoint& globalPos)
{
    QMenu* menu = createContextMenu();
    if (!menu)
        return;
    // The hover popup would sit over the menu.
    if (m_paramRank)
        m_paramRank->hide();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->exec(globalPos);
}

QMenu* CKLineGraphWidget::createContextMenu()
{
    if (m_viewType == 3 || (m_viewType == 2 && CAppConfig::isClientType(3)) || !m_pUiParam)
        return nullptr;
    m_menuStyle = KW::CStyleSheetCenter::getStyle(kMenuStyle, this);
    CKLineUiParam& ui = *m_pUiParam;
    if (ui.isLevelHolographic()) {
        if (m_displayType != 0)
            return nullptr;
        QMenu* menu = newMenu(QString(), this);
        buildMenuA(menu);
        return menu;
    }
    QMenu* menu = newMenu(QString(), this);
    if (m_viewType == 2) {
        if (m_displayType == 0)
            buildMenuF(menu);
        else
            buildMenuG(menu);
        return menu;
    }
    if (m_displayType == 0) {
        if (m_quickBuySell) {
            const Qt::KeyboardModifiers mods = QApplication::keyboardModifiers();
            if (mods == Qt::ControlModifier || mods == (Qt::ControlModifier | Qt::ShiftModifier)) {
                delete menu;
                return nullptr;
            }
            buildMenuD(menu);
            return menu;
        }
        if (!m_statOpen)
            buildMenuS(menu);
        else
            buildMenuB(menu);
    } else if (m_displayType == 1) {
        buildMenuE(menu);
    }
    buildCommonTail(menu);
    return menu;
}

QAction* CKLineGraphWidget::addMenuAction(QMenu* menu, const QString& text, void (CKLineGraphWidget::*slot)())
{
    QAction* a = menu->addAction(text);
    connect(a, &QAction::triggered, this, slot);
    return a;
}

void CKLineGraphWidget::buildMenuA(QMenu* menu)
{
    const CKLineUiParam& ui = *m_pUiParam;
    QAction* tick = addMenuAction(menu, QStringLiteral("分笔盘口联动"), &CKLineGraphWidget::slotConnectTick);
    tick->setCheckable(true);
    tick->setChecked(ui.connectTick);
    QAction* lock = addMenuAction(menu, QStringLiteral("锁定界面位置"), &CKLineGraphWidget::slotLockCursor);
    lock->setCheckable(true);
    lock->setChecked(ui.lockCursor);
}

void CKLineGraphWidget::buildMenuB(QMenu* menu)
{
    const CKLineUiParam& ui = *m_pUiParam;
    const bool client3 = CAppConfig::isClientType(3);
    if (ui.tickGraph && !client3) {
        QAction* tick = addMenuAction(menu, QStringLiteral("分笔盘口联动"), &CKLineGraphWidget::slotConnectTick);
        tick->setCheckable(true);
        tick->setChecked(ui.connectTick);
        QAction* all =
            addMenuAction(menu, QStringLiteral("查看本地所有分笔数据"), &CKLineGraphWidget::slotShowAllCachedTick);
        all->setCheckable(true);
        all->setChecked(getUserConfig() && getUserConfig()->showAllCachedTicks());
        menu->addSeparator();
    }
    if (ui.tickGraph)
        addMenuAction(menu, QStringLiteral("刷新分笔数据"), &CKLineGraphWidget::slotRefreshTickData);
    addMenuAction(menu, QStringLiteral("添加指标"), &CKLineGraphWidget::slotAddIndexWidget);
    if (editorRights()) {
        addMenuAction(menu, QStringLiteral("修改指标参数"), &CKLineGraphWidget::slotModifyModelParam);
        addMenuAction(menu, QStringLiteral("编辑指标"), &CKLineGraphWidget::slotEditFormula);
        if (!ui.tickGraph)
            addMenuAction(menu, QStringLiteral("修改K线数据"), &CKLineGraphWidget::slotEditKLineData);
    }
    menu->addSeparator();
    if (m_timeRangeQuotation && !client3)
        addMenuAction(menu, QStringLiteral("时段行情"), &CKLineGraphWidget::slotTimeFieldSelect);
    if (m_pData && m_pData->getMainGraph() != QLatin1String("KLINE") && !m_pData->getMainGraph().isEmpty())
        addMenuAction(menu, QStringLiteral("恢复默认主图"), &CKLineGraphWidget::slotRestoreGraph);
    addIfNotEmpty(menu, buildAddIndexMenu(), true);
    addIfNotEmpty(menu, buildDelIndexMenu(), false);
    menu->addSeparator();
    QAction* rank =
        addMenuAction(menu, QStringLiteral("显示指标排名"), &CKLineGraphWidget::slotShowOrHideParamRank);
    if (SingletonManager::getIndexUserConfig()->get().showParamRank) {
        rank->setCheckable(true);
        rank->setChecked(true);
    }
    if (!client3) {
        menu->addSeparator();
        QAction* sector = menu->addAction(QStringLiteral("所属板块分析"));
        connect(sector, &QAction::triggered, this, &CKLineGraphWidget::slotContrastSector);
    }
    if (!ui.tickGraph) {
        menu->addSeparator();
        QMenu* bkzs = newMenu(QStringLiteral("叠加板块指数"), menu);
        addSectorLevels(bkzs, true);
        menu->addMenu(bkzs);
        const QString market = ui.getCurrMarket();
        const QString code = ui.getCurrCode();
        if (qlservice::StockTypeCenter::isTypedStock(market, code, 100001) || qlservice::StockTypeCenter::isTypedStock(market, code, 135) ||
            qlservice::StockTypeCenter::isTypedStock(market, code, 10019)) {
            QAction* cb = addMenuAction(menu, QStringLiteral("自动叠加转债正股品种"),
                                        &CKLineGraphWidget::slotAddConvertibleCode);
            cb->setCheckable(true);
            cb->setChecked(ui.autoConvertible & 1);
        }
        addMenuAction(menu, QStringLiteral("叠加品种"), &CKLineGraphWidget::slotSuperposedStock);
        addMenuAction(menu, QStringLiteral("取消叠加品种"), &CKLineGraphWidget::slotCancleAddStock);
    }
    menu->addSeparator();
    if (modelRights())
        addMenuAction(menu, QStringLiteral("复制模型运行结果"), &CKLineGraphWidget::slotCopy);
    if (m_viewType != 7)
        addMenuAction(menu, QStringLiteral("加入自选股"), &CKLineGraphWidget::slotAddSelfStock);
    menu->addMenu(buildPeriodMenu());
    menu->addMenu(buildDrMenu());
    menu->addSeparator();
    QAction* lock = addMenuAction(menu, QStringLiteral("锁定界面位置"), &CKLineGraphWidget::slotLockCursor);
    if (ui.lockCursor) {
        lock->setCheckable(true);
        lock->setChecked(true);
    }
}

void CKLineGraphWidget::buildMenuS(QMenu* menu)
{
    const CKLineUiParam& ui = *m_pUiParam;
    const int first = ui.getIndexByXAxis(m_statRect.left());
    const int last = ui.getIndexByXAxis(m_statRect.left() + m_statRect.width());
    auto* zoom = new KW::CParameterAction(QStringLiteral("放大"), first, QString::number(last), menu);
    connect(zoom, &KW::CParameterAction::triggered, this, &CKLineGraphWidget::slotScale);
    menu->addAction(zoom);
    const int before = first - 1 < 1 ? 0 : first - 1;
    const QString range = QStringLiteral("%1,%2,%3")
                              .arg(last)
                              .arg(ui.getDateTimeByIndex(before).toSecsSinceEpoch())
                              .arg(ui.getDateTimeByIndex(last).toSecsSinceEpoch());
    auto* stat = new KW::CParameterAction(QStringLiteral("时段统计"), first, range, menu);
    connect(stat, &KW::CParameterAction::triggered, this, &CKLineGraphWidget::slotStatistic);
    menu->addAction(stat);
    setStatSelecting(false);
    m_statOpen = true;
    m_statRect = QRect();
    update();
}

void CKLineGraphWidget::buildMenuD(QMenu* menu)
{
    addMenuAction(menu, QStringLiteral("添加指标"), &CKLineGraphWidget::slotAddIndexWidget);
    if (editorRights()) {
        addMenuAction(menu, QStringLiteral("修改指标参数"), &CKLineGraphWidget::slotModifyModelParam);
        addMenuAction(menu, QStringLiteral("编辑指标"), &CKLineGraphWidget::slotEditFormula);
    }
    addIfNotEmpty(menu, buildAddIndexMenu(), true);
    addIfNotEmpty(menu, buildDelIndexMenu(), false);
}

void CKLineGraphWidget::buildMenuE(QMenu* menu)
{
    const bool client3 = CAppConfig::isClientType(3);
    addMenuAction(menu, QStringLiteral("添加指标"), &CKLineGraphWidget::slotAddIndexWidget);
    addIfNotEmpty(menu, buildUpdateIndexMenu(), true);
    if (editorRights()) {
        menu->addSeparator();
        addMenuAction(menu, QStringLiteral("修改指标参数"), &CKLineGraphWidget::slotModifyModelParam);
        addMenuAction(menu, QStringLiteral("编辑指标"), &CKLineGraphWidget::slotEditFormula);
    }
    const bool group = hasGroupModelIndex();
    if (!client3 && !m_quickBuySell) {
        menu->addSeparator();
        if (modelRights() && m_viewType != 7)
            addMenuAction(menu, QStringLiteral("复制模型运行结果"), &CKLineGraphWidget::slotCopy);
        if (m_viewType != 7)
            addMenuAction(menu, QStringLiteral("生成外部数据"), &CKLineGraphWidget::slotCheck);
        if (group)
            addMenuAction(menu, QStringLiteral("复制模型交易记录"), &CKLineGraphWidget::slotCopyModelGroupData);
        if (m_viewType != 7 && (group || hasPythonIndex()))
            addMenuAction(menu, QStringLiteral("持仓面板"), &CKLineGraphWidget::slotShowPositonPanel);
        if (group) {
            addMenuAction(menu, QStringLiteral("导出最后一天交易记录"), &CKLineGraphWidget::slotExportTradeDetail);
            addMenuAction(menu, QStringLiteral("生成持仓扩展数据"), &CKLineGraphWidget::slotGenerateHoldingExData);
        }
    }
    if (!indexNames().isEmpty() && group && m_pUiParam &&
        se::isIndexEx(m_pUiParam->getCurrMarket(), m_pUiParam->getCurrCode())) {
        menu->addSeparator();
        addMenuAction(menu, QStringLiteral("刷新"), &CKLineGraphWidget::slotRefresh);
    }
    menu->addSeparator();
    addMenuAction(menu, QStringLiteral("关闭指标"), &CKLineGraphWidget::slotDelFormula);
}

void CKLineGraphWidget::buildMenuF(QMenu* menu)
{
    addMenuAction(menu, QStringLiteral("添加指标"), &CKLineGraphWidget::slotAddIndexWidget);
    addIfNotEmpty(menu, buildAddIndexMenu(), false);
    addIfNotEmpty(menu, buildDelIndexMenu(), false);
    QMenu* bkzs = newMenu(QStringLiteral("叠加板块指数"), menu);
    addMenuAction(bkzs, QStringLiteral("取消叠加品种"), &CKLineGraphWidget::slotCancleAddStock);
    addSectorLevels(bkzs, false);
    menu->addMenu(bkzs);
}

void CKLineGraphWidget::addSectorLevels(QMenu* menu, bool checkable)
{
    const char* levels[] = {"申万一级", "申万二级", "申万三级"};
    for (int level = 1; level <= 3; ++level) {
        QAction* a = addMenuAction(menu, QString::fromUtf8(levels[level - 1]), &CKLineGraphWidget::slotAddBkzsCode);
        a->setData(level);
        if (checkable) {
            a->setCheckable(true);
            a->setChecked(m_pUiParam->swLevel == level);
        }
    }
}

void CKLineGraphWidget::buildMenuG(QMenu* menu)
{
    if (m_displayType != 1)
        return;
    addMenuAction(menu, QStringLiteral("关闭指标"), &CKLineGraphWidget::slotDelFormula);
    addIfNotEmpty(menu, buildUpdateIndexMenu(), false);
}

void CKLineGraphWidget::buildCommonTail(QMenu* menu)
{
    const CKLineUiParam& ui = *m_pUiParam;
    const bool client3 = CAppConfig::isClientType(3);
    const bool formulas = !indexNames().isEmpty();
    if (formulas && !client3 && !qlservice::ConfigCollector::getHideModel() && !m_quickBuySell)
        addMenuAction(menu, QStringLiteral("导出公式"), &CKLineGraphWidget::slotExportFormula);
    if (formulas)
        addMenuAction(menu, QStringLiteral("导出数据"), &CKLineGraphWidget::slotExportIndexGraphData);
    const QString code = ui.getCurrCode();
    if (formulas && CAppConfig::isClientType(2) && ui.curStock && !m_quickBuySell &&
        CExternalDataManager::instance()->isExist(code)) {
        // Product groups are not kept by the stand-in: every product uploads
        // its output and its correlation.
        addMenuAction(menu, QStringLiteral("上传输出结果"), &CKLineGraphWidget::slotUploadOutData);
        addMenuAction(menu, QStringLiteral("上传组合相关性"), &CKLineGraphWidget::slotUploadGroupRelevanceData);
    }
    if (m_createNewWorkShow && m_viewType != 7 && !client3 && !m_quickBuySell)
        addMenuAction(menu, QStringLiteral("新建工作组"), &CKLineGraphWidget::slotCreateNewWork);
    if (CLinkageManager::instance()->isEnable() && !client3 && !m_quickBuySell && ui.tickGraph)
        menu->addMenu(buildTradeAccountMenu());
    menu->addSeparator();
    addMenuAction(menu, QStringLiteral("复制请求信息"), &CKLineGraphWidget::slotCopyRequestInfo);
    if (ui.period != 0)
        addMenuAction(menu, QStringLiteral("下载数据"), &CKLineGraphWidget::slotDownloadDatas);
    addMenuAction(menu, QStringLiteral("添加扩展数据"), &CKLineGraphWidget::slotAddExpandData);
    addMenuAction(menu, QStringLiteral("复制运行进度"), &CKLineGraphWidget::slotCopyProgressInfo);
}

int CKLineGraphWidget::tradeAccountKind() const
{
    return m_pUiParam && qlservice::DataHelper::isFuturesMarket(m_pUiParam->getCurrMarket().toStdString()) ? 1 : 2;
}

QStringList& CKLineGraphWidget::selectedTradeAccounts()
{
    return tradeAccountKind() == 1 ? m_pUiParam->futuresMarkNames : m_pUiParam->stockMarkNames;
}

QMenu* CKLineGraphWidget::buildTradeAccountMenu()
{
    QMenu* sub = newMenu(QStringLiteral("显示交易成交"), this);
    QAction* all = sub->addAction(QStringLiteral("全选"));
    all->setCheckable(true);
    connect(all, &QAction::triggered, this, &CKLineGraphWidget::slotSelectAllAccount);
    sub->addSeparator();
    m_accountActions.clear();
    const QStringList& selected = selectedTradeAccounts();
    bool every = true;
    for (const QString& id : CLinkageManager::instance()->getAccountIds(tradeAccountKind())) {
        QAction* a = sub->addAction(id);
        a->setCheckable(true);
        a->setChecked(selected.contains(id));
        every = every && a->isChecked();
        connect(a, &QAction::triggered, this, &CKLineGraphWidget::slotSelectShowAccount);
        m_accountActions.append(a);
    }
    all->setChecked(every);
    m_allAccountsSelected = every;
    sub->addSeparator();
    addMenuAction(sub, QStringLiteral("显示详细交易数据"), &CKLineGraphWidget::slotShowLinkageData);
    return sub;
}

void CKLineGraphWidget::addCatalogItems(QMenu* menu, const CFormulaCatalog::Ptr& node, int depth, bool update)
{
    const CUserConfig* user = getUserConfig();
    const bool client3 = CAppConfig::isClientType(3);
    const bool hideModel = qlservice::ConfigCollector::getHideModel();
    for (int i = 0; i < node->size(); ++i) {
        const CFormulaCatalog::Ptr child = node->getChild(i);
        if (!child)
            continue;
        if (!child->isFormula()) {
            const QString name = child->catalogName();
            const int modelType = child->modelType();
            const bool model = modelType == 4 || modelType == 5;
            if (update) {
                if (depth == 0 && modelType == 1 && user && !user->hasFormulaEditorAuth())
                    continue;
                if (depth == 0 && client3 && model)
                    continue;
                const bool modelCatalog = name == QLatin1String("常用模板") ||
                                          name == QLatin1String("择时策略示范") ||
                                          name == QLatin1String("PYTHON模型指标");
                if (depth > 0 && user && !user->hasPermissionShowModel() && (model || modelCatalog))
                    continue;
                if (depth > 0 && hideModel &&
                    (model || modelCatalog || name == QLatin1String("财务指标") || name == QLatin1String("因子函数")))
                    continue;
                if (name == QLatin1String("Level2专用") && !kelv::isLevel2User(m_pUiParam->getCurrMarket()))
                    continue;
            }
            if (child->type() != 0 && child->type() != 1)
                continue;
            QMenu* sub = newMenu(name, menu);
            addCatalogItems(sub, child, depth + 1, update);
            addIfNotEmpty(menu, sub, false);
            continue;
        }
        const auto detail = CFormulaOperateManager::getFormula(child->formulaName());
        if (!detail)
            continue;
        const bool has = hasIndex(detail->getName());
        if (update) {
            QAction* a = addMenuAction(menu, detail->getName(), &CKLineGraphWidget::slotUpdateIndex);
            if (has) {
                a->setCheckable(true);
                a->setChecked(true);
            }
            continue;
        }
        const bool kindFits = m_displayType == 0 ? detail->getKind() == 1 : detail->getKind() != 1;
        if (!detail->isSuperposable() || !kindFits)
            continue;
        QAction* a = menu->addAction(detail->getName());
        a->setCheckable(true);
        a->setChecked(has);
        connect(a, &QAction::triggered, this, &CKLineGraphWidget::slotAddIndex);
    }
}

QMenu* CKLineGraphWidget::buildAddIndexMenu()
{
    QMenu* menu = newMenu(QStringLiteral("叠加指标"), this);
    if (const CFormulaCatalog::Ptr root = CFormulaOperateManager::getRootCatalog())
        addCatalogItems(menu, root, 0, false);
    return menu;
}

QMenu* CKLineGraphWidget::buildDelIndexMenu()
{
    QMenu* menu = newMenu(QStringLiteral("取消叠加指标"), this);
    for (const QString& f : indexNames()) {
        if (!CFormulaOperateManager::getFormula(f))
            continue;
        QAction* a = addMenuAction(menu, f, &CKLineGraphWidget::slotDelIndex);
        a->setCheckable(true);
        a->setChecked(true);
    }
    return menu;
}

QMenu* CKLineGraphWidget::buildUpdateIndexMenu()
{
    QMenu* menu = newMenu(m_displayType == 1 ? QStringLiteral("更改副图指标") : QStringLiteral("更改指标"), this);
    if (const CFormulaCatalog::Ptr root = CFormulaOperateManager::getRootCatalog())
        addCatalogItems(menu, root, 0, true);
    return menu;
}

QMenu* CKLineGraphWidget::buildPeriodMenu()
{
    static const int kValues[] = {60,      180,     300,     600,      900,      1800, 3600, 86400, 604800,
                                  2592000, 7776000, 15552000, 31536000, 10,       11,   13,   0};
    QMenu* menu = newMenu(QStringLiteral("分析周期"), this);
    for (int i = 0; i < 17; ++i) {
        QAction* a = menu->addAction(getCycleName(i));
        a->setData(kValues[i]);
        a->setCheckable(true);
        a->setChecked(m_pUiParam->period == kValues[i]);
        connect(a, &QAction::triggered, this, &CKLineGraphWidget::slotPeroidTriggered);
    }
    return menu;
}

QMenu* CKLineGraphWidget::buildDrMenu()
{
    QMenu* menu = newMenu(QStringLiteral("复权处理"), this);
    auto* group = new QActionGroup(menu);
    group->setExclusive(true);
    for (int i = 0; i <= 4; ++i) {
        QAction* a = menu->addAction(getDrName(i));
        a->setData(i);
        a->setCheckable(true);
        a->setChecked(i == m_pUiParam->drType);
        if (i == 3)
            a->setShortcut(QKeySequence(QStringLiteral("Ctrl+V")));
        else if (i == 4)
            a->setShortcut(QKeySequence(QStringLiteral("Ctrl+B")));
        // Shown, not bound: the host owns the keys.
        a->setShortcutContext(Qt::WidgetShortcut);
        group->addAction(a);
        connect(a, &QAction::triggered, this, &CKLineGraphWidget::slotDrTriggered);
    }
    return menu;
}

QMenu* CKLineGraphWidget::createSuperposeMenu()
{
    if (m_viewType == 3)
        return nullptr;
    QMenu* menu = newMenu(QString(), this);
    if (m_displayType == 0) {
        addIfNotEmpty(menu, buildAddIndexMenu(), false);
        addIfNotEmpty(menu, buildDelIndexMenu(), false);
        if (m_pUiParam && !m_pUiParam->tickGraph) {
            menu->addSeparator();
            addMenuAction(menu, QStringLiteral("叠加品种"), &CKLineGraphWidget::slotSuperposedStock);
            addMenuAction(menu, QStringLiteral("取消叠加品种"), &CKLineGraphWidget::slotCancleAddStock);
        }
    }
    return menu;
}

void CKLineGraphWidget::showSuperposeMenu(const QPoint& globalPos)
{
    QMenu* menu = createSuperposeMenu();
    if (!menu)
        return;
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->exec(globalPos.isNull() ? QCursor::pos() : globalPos);
}

// ---------------------------------------------------------------------------
// Commands

void CKLineGraphWidget::reRequest()
{
    if (!m_pData)
        return;
    m_pData->unrequest();
    m_pData->clearSeries();
    requestData(true, 0);
}

QString CKLineGraphWidget::senderText() const
{
    const auto* a = qobject_cast<const QAction*>(sender());
    return a ? a->text() : QString();
}

void CKLineGraphWidget::slotAddIndexWidget()
{
    deliverEvent(185, 0, 0, QString(), nullptr);
}

void CKLineGraphWidget::slotAddIndex()
{
    const auto* a = qobject_cast<const QAction*>(sender());
    if (!a || !m_pData) {
        deliverEvent(201, 0, 0, QString(), nullptr);
        return;
    }
    const QString name = a->text().trimmed().toUpper();
    // The main pane holds one superposed indicator: the others go (its price
    // series stays, or the pane would lose its candles).
    if (m_displayType == 0)
        for (const QString& f : indexNames())
            if (!m_pData->isMainGraph(f) && f != name)
                removeIndex(f);
    if (a->isChecked()) {
        addIndex(name, QString());
        requestData(true, 0);
    } else {
        removeIndex(name);
        refreshGraph();
    }
    deliverEvent(201, 0, 0, QString(), nullptr);
}

void CKLineGraphWidget::slotDelIndex()
{
    const QString name = senderText();
    if (name.isEmpty())
        return;
    removeIndex(name);
    refreshGraph();
    deliverEvent(201, 0, 0, QString(), nullptr);
    deliverEvent(204, 0, 0, QString(), nullptr);
}

void CKLineGraphWidget::slotUpdateIndex()
{
    const QString name = senderText();
    if (name.isEmpty() || !m_pData)
        return;
    if (m_paramDialog)
        m_paramDialog->init(name);
    setIndex(name, QString());
    requestData(true, 0);
    deliverEvent(180, 0, 0, QString(), nullptr);
}

void CKLineGraphWidget::slotDelFormula()
{
    const QStringList names = indexNames();
    removeAllIndexes();
    deliverEvent(3020, m_paneIndex, 0, names.value(0), nullptr);
    refreshGraph();
    deliverEvent(201, 0, 0, QString(), nullptr);
}

void CKLineGraphWidget::slotEditFormula()
{
    const QStringList names = indexNames();
    if (!names.isEmpty()) {
        deliverEvent(198, 0, 0, names.last(), m_pData.get());
    } else if (m_displayType == 1) {
        deliverEvent(198, 0, 0, QString(), nullptr);
    } else {
        KW::CMessageBox::warning(QString::fromUtf8(kTitle), QStringLiteral("系统指标不可编辑!"), this);
    }
}

void CKLineGraphWidget::slotModifyModelParam()
{
    const QStringList names = indexNames();
    if (!m_pData || names.isEmpty())
        return;
    const QString name = names.last();
    if (CStrategyTradeManager::instance()->isFomrulaRun(name) &&
        KW::CMessageBox::question(QStringLiteral("提示"),
                                  QStringLiteral("该策略正在模型交易中运行,编辑策略不会影响运行情况,是否继续编辑?"),
                                  this) != QMessageBox::Yes)
        return;
    if (m_paramDialog) {
        m_paramDialog->init(name);
    } else {
        m_paramDialog = new CModifyModelParamDialog(name, this);
        connect(m_paramDialog, &CModifyModelParamDialog::paramsApplied, this,
                [this](const QString& formula, const QString& text) { applyFormulaParams(formula, text); });
    }
    m_paramDialog->setParamText(paramText(name));
    m_paramDialog->show();
}

void CKLineGraphWidget::applyFormulaParams(const QString& formula, const QString& text)
{
    if (!hasIndex(formula))
        return;
    // Re-added in their order, so the title keeps its order; the pane asks
    // for all of them again.
    const QStringList names = indexNames();
    QMap<QString, QString> texts = m_paramTexts;
    texts.insert(formula.toUpper(), text);
    removeAllIndexes();
    for (const QString& f : names)
        addIndex(f, texts.value(f));
    requestData(true, 0);
    deliverEvent(180, 0, 0, QString(), nullptr);
}

void CKLineGraphWidget::slotEditKLineData()
{
    if (!m_pUiParam)
        return;
    CKLineUiParam& ui = *m_pUiParam;
    if (!m_klineDialog) {
        m_klineDialog = new CModifyKLineDataDialog(this);
        connect(m_klineDialog, &CModifyKLineDataDialog::barModified, this, [this] { reRequest(); });
    }
    const bool wasLocked = ui.lockCursor;
    if (!wasLocked)
        deliverEvent(202, 0, 0, QString(), nullptr);
    const int bar = ui.lockedIndex;
    m_klineDialog->setStockInfo(ui.curStock, bar, qint64(ui.period) * 1000, ui.getTimeTagByIndex(0),
                                ui.getLastTimeTag(), ui.getTimeTagByIndex(bar), ui.getDateTimeByIndex(bar));
    m_klineDialog->show(wasLocked);
}

void CKLineGraphWidget::slotTimeFieldSelect()
{
    if (!m_pData || !m_pUiParam)
        return;
    if (!m_timeFieldDialog)
        m_timeFieldDialog = new CTimeFieldSelectionDialog(m_pUiParam, m_pData, this);
    m_timeFieldDialog->show();
    m_timeFieldDialog->raise();
    m_timeFieldDialog->activateWindow();
}

void CKLineGraphWidget::slotRestoreGraph()
{
    deliverEvent(3021, 0, 0, QString(), nullptr);
}

void CKLineGraphWidget::slotShowOrHideParamRank()
{
    auto* store = SingletonManager::getIndexUserConfig();
    CIndexUserConfig c = store->get();
    c.showParamRank = !c.showParamRank;
    store->set(c);
}

void CKLineGraphWidget::slotContrastSector()
{
    if (m_pUiParam)
        CIndexMainWindowHelper::inst()->contrastSector(m_pUiParam->getCurrKey());
}

void CKLineGraphWidget::slotAddBkzsCode()
{
    const auto* a = qobject_cast<const QAction*>(sender());
    if (!a || m_displayType != 0 || !m_pUiParam)
        return;
    CKLineUiParam& ui = *m_pUiParam;
    if (ui.swLevel >= 0) {
        ui.swLevel = -1;
        ui.clearAddSwBkzsCode();
        reRequest();
        return;
    }
    ui.swLevel = a->data().toInt();
    ui.updateAddSwBkzsCode();
    const QString sector = CSectorManager::getSWSectorByStock(ui.getCurrKey(), ui.swLevel);
    const QString code = CSectorManager::getBkzsCodeByName(sector);
    if (code.isEmpty()) {
        QLLOG_INFO(qlog::kStdLogger, "get bkzs code empty. mainID:%1%, curStock:%2%, swLevel:%3%, swSector:%4%",
                   ui.getMainPanelID(), ui.getCurrKey(), ui.swLevel, sector);
        return;
    }
    reRequest();
}

void CKLineGraphWidget::slotAddConvertibleCode()
{
    if (m_displayType != 0 || !m_pUiParam)
        return;
    CKLineUiParam& ui = *m_pUiParam;
    if (ui.autoConvertible & 1) {
        ui.autoConvertible &= ~1;
        ui.clearAddConvertibleCode();
        reRequest();
        return;
    }
    ui.autoConvertible |= 1;
    ui.updateAddConvertibleCode();
    if (!CSectorManager::getConvertibleCodeByStock(ui.getCurrKey()).isEmpty())
        reRequest();
}

void CKLineGraphWidget::slotSuperposedStock()
{
    CSmartKeyboardDialog* spirit = CSmartKeyboardDialog::instance();
    spirit->setSelectStockFunc([self = QPointer<CKLineGraphWidget>(this)](
                                   std::shared_ptr<qlservice::CInstrumentDetail> stock, int kind) {
        if (self)
            self->onSuperposeStockSelected(std::move(stock), kind);
    });
    spirit->setTitle(QStringLiteral("请输入叠加品种:"));
    spirit->setChar(QString());
    spirit->show();
    spirit->raise();
    spirit->activateWindow();
}

void CKLineGraphWidget::onSuperposeStockSelected(std::shared_ptr<qlservice::CInstrumentDetail> stock, int kind)
{
    if (!m_pUiParam || !stock)
        return;
    CKLineUiParam& ui = *m_pUiParam;
    if (ui.addStockList.size() >= kMaxSuperposed) {
        KW::CMessageBox::warning(QString::fromUtf8(kTitle), QStringLiteral("超过叠加的最大品种数!"), this);
        return;
    }
    const QString key = getDetailQsKey(stock);
    if (!key.isEmpty() && (key == ui.getCurrKey() || ui.isSuperPosStock(key)))
        return;
    if (kind == 3) {
        const QString code = QString::fromStdString(stock->code);
        const QString page = code == QLatin1String("03")   ? QStringLiteral("SH000001")
                             : code == QLatin1String("04") ? QStringLiteral("SZ399001")
                                                           : QString();
        const auto index = page.isEmpty() ? nullptr : CStockManager::getInstrumentDetail(page);
        if (!index || page == ui.getCurrKey() || ui.isSuperPosStock(page))
            return;
        ui.addStock(index);
    } else if (kind == 0 || kind == 4) {
        // The keyboard spirit lists the store's instruments; custom indexes
        // are superposed through the chart (addSuperposedCustomIndex).
        const auto detail = CStockManager::getInstrumentDetail(key);
        if (!detail)
            return;
        ui.addStock(detail);
    } else {
        return;
    }
    deliverEvent(201, 0, 0, QString(), nullptr);
    requestData(true, 0);
}

void CKLineGraphWidget::slotCancleAddStock()
{
    if (!m_pData || !m_pUiParam)
        return;
    m_pData->delAllStockData();
    m_pUiParam->delAllStock();
    refreshGraph();
    deliverEvent(200, 0, 0, QString(), nullptr);
}

void CKLineGraphWidget::slotCopy()
{
    const QString text = m_pData ? m_pData->modelRunResultText() : QString();
    if (!text.isEmpty())
        QApplication::clipboard()->setText(text);
}

void CKLineGraphWidget::slotAddSelfStock()
{
    const QString key = m_pUiParam ? m_pUiParam->getCurrKey() : QString();
    if (CAppConfig::isClientType(3)) {
        deliverEvent(4001, 0, 0, key, nullptr);
        return;
    }
    if (key.isEmpty())
        return;
    auto* dialog = new CAddSelfStockDialog(QStringList{key}, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->show();
}

void CKLineGraphWidget::slotAutoChangePeriod()
{
    deliverEvent(3254, m_paneIndex, -1, QString(), nullptr);
}

void CKLineGraphWidget::slotConnectTick()
{
    if (!m_pUiParam)
        return;
    m_pUiParam->connectTick = !m_pUiParam->connectTick;
    if (!m_pUiParam->connectTick)
        deliverEvent(184, 0, 0, QString(), nullptr);
}

void CKLineGraphWidget::slotShowAllCachedTick()
{
    if (CUserConfig* user = getUserConfig())
        user->setShowAllCachedTicks(!user->showAllCachedTicks());
    reRequest();
}

void CKLineGraphWidget::slotRefreshTickData()
{
    if (!m_pUiParam || !m_pUiParam->curStock || !m_pUiParam->tickGraph)
        return;
    if (!m_pUiParam->isHistoryKlineModel())
        CFormulaManager::instance()->removeData(m_pUiParam->getCurrKey());
    CIndexMainWindowHelper::inst()->refresh();
}

void CKLineGraphWidget::slotLockCursor()
{
    deliverEvent(202, 0, 0, QString(), nullptr);
}

void CKLineGraphWidget::slotScale(bool, int first, const QString& last)
{
    deliverEvent(190, first, last.toInt(), QString(), nullptr);
}

void CKLineGraphWidget::slotStatistic(bool, int first, const QString& text)
{
    deliverEvent(191, first, 0, text, nullptr);
}

void CKLineGraphWidget::slotPeroidTriggered()
{
    if (const auto* a = qobject_cast<const QAction*>(sender()))
        deliverEvent(194, 0, a->data().toInt(), QString(), nullptr);
}

void CKLineGraphWidget::slotDrTriggered()
{
    auto* a = qobject_cast<QAction*>(sender());
    if (!a)
        return;
    a->setCheckable(true);
    a->setChecked(true);
    deliverEvent(195, 0, a->data().toInt(), QString(), nullptr);
}

void CKLineGraphWidget::slotCheck()
{
    if (!m_pData || !m_pUiParam)
        return;
    const RPCFormulaResultCache* cache = nullptr;
    QString formula;
    for (const QString& f : indexNames()) {
        for (auto it = m_pData->getData().cbegin(); it != m_pData->getData().cend() && !cache; ++it)
            if (it->isValid() && it.key().formula.compare(f, Qt::CaseInsensitive) == 0) {
                cache = &it.value();
                formula = f;
            }
        if (cache)
            break;
    }
    if (!cache) {
        KW::CMessageBox::information(QStringLiteral("提示"), QStringLiteral("指标尚无数据，无法生成外部数据"), this);
        return;
    }
    CFormulaOperateManager::DetailPtr detail = CFormulaOperateManager::getFormula(formula);
    if (!detail)
        detail = CFormulaOperateManager::getFormulaByRealName(QString::fromStdString(cache->meta->formulaName));
    // Outputs the result leaves unnamed take the name the catalogue declares.
    const QStringList declared = detail ? detail->getOutputNames() : QStringList();
    se::RPCFormulaMetaResult meta = *cache->meta;
    QVector<QString> outputs;
    for (int k = 0; k < meta.outputCount(); ++k) {
        QString name = QString::fromStdString(meta.names[size_t(k)]).trimmed();
        if (name.isEmpty() && k < declared.size())
            name = declared[k].trimmed();
        meta.names[size_t(k)] = name.toStdString();
        if (!name.isEmpty() && cache->data(k) && !outputs.contains(name))
            outputs.append(name);
    }
    CExternalDataInfo info;
    info.market = m_pUiParam->getCurrMarket();
    info.code = m_pUiParam->getCurrCode();
    info.periodMs = cache->result->periodMs > 0 ? cache->result->periodMs : qint64(m_pUiParam->period) * 1000;
    if (!m_externalDialog)
        m_externalDialog = new CKLineGenerateExternalDialog(this);
    m_externalDialog->setData(outputs, meta, *cache->result, info);
    m_externalDialog->show();
    m_externalDialog->raise();
    m_externalDialog->activateWindow();
}

void CKLineGraphWidget::slotCopyModelGroupData()
{
    if (!m_pData)
        return;
    QString text;
    for (const se::RPCGroupTrade& t : m_pData->groupTrades()) {
        const QDateTime when = QDateTime::fromSecsSinceEpoch(t.timeTag);
        text += QStringLiteral("%1, %2, %3, %4, %5, %6, %7\n")
                    .arg(when.toString(QStringLiteral("yyyy-MM-dd")), when.toString(QStringLiteral("hh:mm:ss")),
                         QString::fromStdString(t.code), t.side > 0 ? QStringLiteral("买") : QStringLiteral("卖"))
                    .arg(t.price)
                    .arg(t.volume)
                    .arg(t.price * t.volume);
    }
    QApplication::clipboard()->setText(text);
}

void CKLineGraphWidget::slotExportTradeDetail()
{
    if (!m_pData || m_pData->groupTrades().empty())
        return;
    // The user folder: the shipped data folder may be read-only.
    const QString start = CAppConfig::userDataDir() + QStringLiteral("/trading");
    QDir().mkpath(start);
    const QString folder = folderPrompt()(this, QStringLiteral("Open Directory"), start);
    if (folder.isEmpty())
        return;
    QString error;
    if (!m_pData->exportTradeDetail(folder, &error) && !error.isEmpty())
        KW::CMessageBox::warning(QString::fromUtf8(kTitle), QStringLiteral("导出失败: %1").arg(error), this);
}

void CKLineGraphWidget::slotGenerateHoldingExData()
{
    if (!m_pData)
        return;
    CExtendDataManager* manager = CExtendDataManager::instance();
    QStringList made;
    QStringList failed;
    for (const QString& formula : m_pData->getFormulas()) {
        const auto result = m_pData->groupResultOf(formula);
        if (!result)
            continue;
        const QString path = CExtendDataManager::holdingPath(formula);
        const QString name = CExtendDataManager::holdingName(formula);
        const auto data = CExtendDataManager::doGenerateHoldingExData(name, formula, result->codes, result->trades);
        if (!data)
            continue;
        QString error;
        if (!data->saveHoldingExDataConfig(path, &error) || !data->saveHoldingExData(path, &error)) {
            QLLOG_WARN(qlog::kStdLogger, "holding data not stored. name:%1%, error:%2%", name, error);
            failed << name;
            continue;
        }
        // A known name is re-read from what was just stored, so the manager
        // never describes columns the files do not hold.
        if (manager->isExist(name) && !data->creatData(path, &error)) {
            failed << name;
            continue;
        }
        manager->setData(name, path, data->codes);
        CFormulaCatalog::Ptr catalog = CFormulaOperateManager::getCatalog(QStringLiteral("扩展数据"));
        if (!catalog)
            catalog = CFormulaOperateManager::addCatalog(QStringLiteral("扩展数据"), CFormulaCatalog::kExtendData);
        if (catalog && !catalog->findChild(name))
            catalog->addChild(CFormulaCatalog::makeLeaf(name));
        data->cleanStorage();
        made << name;
    }
    if (!failed.isEmpty())
        KW::CMessageBox::warning(QStringLiteral("提示"), QStringLiteral("生成持仓扩展数据失败: %1").arg(failed.join(QLatin1Char(','))), this);
    else if (made.isEmpty())
        KW::CMessageBox::information(QStringLiteral("提示"), QStringLiteral("模型没有交易记录，未生成持仓扩展数据"), this);
    else
        KW::CMessageBox::information(QStringLiteral("提示"), QStringLiteral("已生成持仓扩展数据: %1").arg(made.join(QLatin1Char(','))), this);
}

void CKLineGraphWidget::slotShowPositonPanel()
{
    deliverEvent(217, m_pData ? m_paneIndex : -1, 0, QString(), nullptr);
    showPositionView(true);
}

void CKLineGraphWidget::slotRefresh()
{
    reRequest();
}

QString CKLineGraphWidget::exportableFormula() const
{
    for (const QString& f : indexNames())
        if (CFormulaOperateManager::getFormula(f) && !(m_pData && m_pData->isMainGraph(f)))
            return f;
    return QString();
}

void CKLineGraphWidget::slotExportFormula()
{
    const QString name = exportableFormula();
    if (!name.isEmpty())
        CIndexMainWindowHelper::inst()->exportFormula(name);
}

void CKLineGraphWidget::slotExportIndexGraphData()
{
    if (!m_pData || !m_pUiParam)
        return;
    QVector<RPCFormulaResultCache> caches;
    for (auto it = m_pData->getData().cbegin(); it != m_pData->getData().cend(); ++it)
        if (it->isValid())
            caches.append(it.value());
    const QString content = IndexBaseData::getResultTxtStr(caches, true);
    if (content.isEmpty())
        return;
    const QString stockName = m_pUiParam->curStock ? QString::fromStdString(m_pUiParam->curStock->name) : QString();
    const QString suggested = QStringLiteral("%1_%2").arg(stockName, indexNames().value(0));
    const QString path = saveFilePrompt()(this, QStringLiteral("导出数据"), suggested,
                                          QStringLiteral("Excel Files(*.csv)"));
    if (path.isEmpty())
        return;
    QString error;
    if (!QWriteFile(path, content, &error))
        KW::CMessageBox::warning(QString::fromUtf8(kTitle), QStringLiteral("导出失败: %1").arg(error), this);
}

void CKLineGraphWidget::slotUploadOutData()
{
    uploadToOa(6);
}

void CKLineGraphWidget::slotUploadGroupRelevanceData()
{
    uploadToOa(2001);
}

void CKLineGraphWidget::slotUploadGroupWeightData()
{
    uploadToOa(2000);
}

void CKLineGraphWidget::uploadToOa(int)
{
    // The stand-in has no OA table configuration: the upload stops where a
    // terminal without table parameters stops.
    KW::CMessageBox::information(QStringLiteral("提示"), QStringLiteral("OA表格参数为空，请设置表格参数"), this);
}

void CKLineGraphWidget::slotCreateNewWork()
{
    deliverEvent(3159, 0, 0, QString(), nullptr);
}

void CKLineGraphWidget::slotSelectAllAccount(bool)
{
    if (!m_pUiParam)
        return;
    QStringList& selected = selectedTradeAccounts();
    for (QAction* a : qAsConst(m_accountActions)) {
        if (!a)
            continue;
        a->setChecked(!m_allAccountsSelected);
        if (m_allAccountsSelected)
            selected.removeAll(a->text());
        else if (!selected.contains(a->text()))
            selected.append(a->text());
    }
    m_allAccountsSelected = !m_allAccountsSelected;
    syncTradeMarkNames();
    deliverEvent(3163, 0, 0, QString(), reinterpret_cast<void*>(quintptr(tradeAccountKind())));
}

void CKLineGraphWidget::slotSelectShowAccount(bool)
{
    auto* action = qobject_cast<QAction*>(sender());
    if (!action || !m_pUiParam)
        return;
    QStringList& selected = selectedTradeAccounts();
    if (selected.contains(action->text()))
        selected.removeAll(action->text());
    else
        selected.append(action->text());
    syncTradeMarkNames();
    deliverEvent(3163, 0, 0, QString(), nullptr);
}

void CKLineGraphWidget::syncTradeMarkNames()
{
    // Mode bit 2: accounts are chosen for the marks.
    CKLineUiParam& ui = *m_pUiParam;
    if (ui.stockMarkNames.isEmpty() && ui.futuresMarkNames.isEmpty())
        ui.tradeMarkMode &= ~2;
    else
        ui.tradeMarkMode |= 2;
}

void CKLineGraphWidget::slotShowLinkageData()
{
    deliverEvent(3160, 0, 0, QString(), nullptr);
}

void CKLineGraphWidget::slotCopyRequestInfo()
{
    QStringList ids;
    if (m_pData)
        for (const QString& id : m_pData->reqIds())
            ids << id;
    const QString text = QStringLiteral("code:%1\nformulas:%2\nreqIDs:%3")
                             .arg(m_pUiParam ? m_pUiParam->getCurrKey() : QString(),
                                  indexNames().join(QLatin1Char(',')), ids.join(QLatin1Char(',')));
    QApplication::clipboard()->setText(text);
}

void CKLineGraphWidget::slotDownloadDatas()
{
    // The chart owns the download: it re-requests every pane as chunks
    // arrive.
    if (m_pUiParam && m_pUiParam->downloadFunc)
        m_pUiParam->downloadFunc();
}

void CKLineGraphWidget::slotAddExpandData()
{
    deliverEvent(3263, 0, 0, m_pData ? exportableFormula() : QString(), nullptr);
}

void CKLineGraphWidget::slotCopyProgressInfo()
{
    QStringList lines;
    if (m_pData)
        for (const QString& id : m_pData->reqIds())
            lines << kelv::getGroupRunProgress2(id);
    QApplication::clipboard()->setText(lines.join(QLatin1Char('\n')));
}

} // namespace TC
