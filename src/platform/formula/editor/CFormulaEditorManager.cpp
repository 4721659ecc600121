#include "platform/formula/editor/CFormulaEditorManager.h"

#include "platform/config/QLLog.h"
#include "platform/formula/CFormulaParam.h"
#include "platform/formula/catalog/CFormulaOperateManager.h"
#include "platform/formula/editor/CFormulaWindow.h"

namespace TC {

CFormulaEditorManager* CFormulaEditorManager::instance()
{
    // Lives as long as the process: charts stay connected to it until they go.
    static CFormulaEditorManager* manager = new CFormulaEditorManager;
    return manager;
}

CFormulaWindow* CFormulaEditorManager::findWindow(const QString& name) const
{
    const QString key = name.trimmed();
    if (key.isEmpty())
        return nullptr;
    for (const QPointer<CFormulaWindow>& w : m_windows)
        if (w && w->formulaName().compare(key, Qt::CaseInsensitive) == 0)
            return w;
    return nullptr;
}

QList<CFormulaWindow*> CFormulaEditorManager::windows() const
{
    QList<CFormulaWindow*> out;
    for (const QPointer<CFormulaWindow>& w : m_windows)
        if (w)
            out.append(w);
    return out;
}

CFormulaWindow* CFormulaEditorManager::createWindow(const QString& name)
{
    m_windows.removeAll(QPointer<CFormulaWindow>());
    CFormulaWindow* window = findWindow(name);
    if (!window) {
        if (!name.trimmed().isEmpty() && !CFormulaOperateManager::getFormula(name)) {
            QLLOG_WARN(qlog::kStdLogger, "no formula %1% to edit", name);
            return nullptr;
        }
        window = new CFormulaWindow(m_windowParent);
        if (!name.trimmed().isEmpty())
            window->load(name);
        m_windows.append(window);
    }
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

void CFormulaEditorManager::closeAll()
{
    for (CFormulaWindow* w : windows())
        w->discardAndClose();
    m_windows.clear();
}

bool CFormulaEditorManager::closeAllAsking()
{
    bool all = true;
    for (CFormulaWindow* w : windows())
        all = w->close() && all;
    m_windows.removeAll(QPointer<CFormulaWindow>());
    return all;
}

bool CFormulaEditorManager::testRequest(CFormulaParam& request) const
{
    return m_testSource && m_testSource(request);
}

int CFormulaEditorManager::operationFor(const QObject* chart, int op, const QObject* target)
{
    if ((op == 1 || op == 2) && target && target != chart)
        return 3;
    return op;
}

void CFormulaEditorManager::notifyCharts(const QString& name, int op, QObject* target)
{
    QLLOG_INFO(qlog::kStdLogger, "formula %1% changed in the editor, operation %2%", name, op);
    emit formulaUpdated(name, op, target);
}

} // namespace TC
