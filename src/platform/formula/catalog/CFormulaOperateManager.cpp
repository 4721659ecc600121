#include "platform/formula/catalog/CFormulaOperateManager.h"

#include <algorithm>
#include <functional>
#include <memory>

#include <boost/make_shared.hpp>

#include "platform/config/CAppConfig.h"
#include "platform/config/QLLog.h"
#include "platform/formula/lang/CFormulaCompiler.h"

namespace TC {

CFormulaOperateManager::CFormulaOperateManager()
    : CFormulaOperateManager(CAppConfig::dataDir(), CAppConfig::userDataDir())
{
}

CFormulaOperateManager::CFormulaOperateManager(const QString& dataDir, const QString& userDir)
    : m_dataDir(dataDir), m_userDir(userDir)
{
    reload();
}

CFormulaOperateManager* CFormulaOperateManager::instance()
{
    return utils::CSingletonT<CFormulaOperateManager>::instance();
}

QString CFormulaOperateManager::builtinCatalogFile() const
{
    return m_dataDir + QStringLiteral("/formulas/catalog.json");
}

QString CFormulaOperateManager::userCatalogFile() const
{
    return m_userDir + QStringLiteral("/formulas/user.json");
}

void CFormulaOperateManager::reload()
{
    State s;
    loadBuiltin(s);
    loadUser(s);

    QWriteLocker lock(&m_lock);
    // Extension data catalogues are made at run time from chart results; a
    // reload of the files must not forget them.
    if (m_state.root) {
        for (int i = 0; i < m_state.root->size(); ++i) {
            const CFormulaCatalog::Ptr c = m_state.root->getChild(i);
            if (c->type() == CFormulaCatalog::kExtendData && !s.root->findChild(c->catalogName()))
                s.root->addChild(c);
        }
    }
    m_state = s;
}

// ---- lookups ----------------------------------------------------------------

CFormulaOperateManager::DetailPtr CFormulaOperateManager::formula(const QString& name) const
{
    QReadLocker lock(&m_lock);
    return m_state.formulas.value(key(name));
}

CFormulaOperateManager::DetailPtr CFormulaOperateManager::formulaByRealName(const QString& realName) const
{
    // Case-insensitive: the chart derives Python names from file paths, where
    // the case of the file name is not the catalogue's.
    QReadLocker lock(&m_lock);
    return m_state.byRealName.value(key(realName));
}

CFormulaCatalog::Ptr CFormulaOperateManager::rootCatalog() const
{
    QReadLocker lock(&m_lock);
    return m_state.root;
}

CFormulaCatalog::Ptr CFormulaOperateManager::catalog(const QString& name) const
{
    const QString wanted = name.trimmed();
    if (wanted.isEmpty())
        return CFormulaCatalog::Ptr();
    QReadLocker lock(&m_lock);
    std::function<CFormulaCatalog::Ptr(const CFormulaCatalog::Ptr&)> walk =
        [&](const CFormulaCatalog::Ptr& node) -> CFormulaCatalog::Ptr {
        for (int i = 0; i < node->size(); ++i) {
            const CFormulaCatalog::Ptr c = node->getChild(i);
            if (c->isFormula())
                continue;
            if (c->catalogName().compare(wanted, Qt::CaseInsensitive) == 0)
                return c;
            if (CFormulaCatalog::Ptr found = walk(c))
                return found;
        }
        return CFormulaCatalog::Ptr();
    };
    return m_state.root ? walk(m_state.root) : CFormulaCatalog::Ptr();
}

CFormulaCatalog::Ptr CFormulaOperateManager::insertCatalog(const QString& name, int kind)
{
    if (name.trimmed().isEmpty() || kind < CFormulaCatalog::kSystem || kind > CFormulaCatalog::kExtendData) {
        QLLOG_WARN(qlog::kFormulaLogger, "refused catalogue '%1%' of kind %2%", name, kind);
        return CFormulaCatalog::Ptr();
    }
    if (CFormulaCatalog::Ptr existing = catalog(name))
        return existing;
    QWriteLocker lock(&m_lock);
    if (CFormulaCatalog::Ptr existing = m_state.root->findChild(name))
        return existing;
    const auto c = boost::make_shared<CFormulaCatalog>(name, kind);
    m_state.root->addChild(c);
    return c;
}

bool CFormulaOperateManager::isVba(const QString& name) const
{
    const DetailPtr d = formula(name);
    return d && d->isVba();
}

bool CFormulaOperateManager::isPython(const QString& name) const
{
    const DetailPtr d = formula(name);
    return d && d->getLanguage() == 1;
}

bool CFormulaOperateManager::isGroupModel(const QString& name) const
{
    const DetailPtr d = formula(name);
    return d && d->isGroupModel();
}

bool CFormulaOperateManager::isUserModel(const QString& name) const
{
    const DetailPtr d = formula(name);
    return d && d->isUserModel();
}

QStringList CFormulaOperateManager::formulaNames() const
{
    QReadLocker lock(&m_lock);
    QStringList names = m_state.formulas.keys();
    std::sort(names.begin(), names.end());
    return names;
}

bool CFormulaOperateManager::isBuiltin(const QString& name) const
{
    QReadLocker lock(&m_lock);
    return m_state.builtinNames.contains(key(name));
}

QStringList CFormulaOperateManager::userCatalogErrors() const
{
    QReadLocker lock(&m_lock);
    return m_state.userErrors;
}

// ---- script preparation -----------------------------------------------------

bool CFormulaOperateManager::genLuaFormula(CFormulaDetail& detail, QString* error)
{
    if (detail.isNative() || detail.getRunHandle())
        return true;
    if (detail.getSource().trimmed().isEmpty()) {
        if (error)
            *error = QStringLiteral("%1: the formula has no source").arg(detail.getName());
        return false;
    }
    flang::CFormulaProgram program;
    flang::CFormulaError err;
    if (!flang::CFormulaCompiler::compile(detail.getSource(), detail.getParamNames(), program, err)) {
        if (error) {
            *error = err.line > 0 ? QStringLiteral("%1: line %2, column %3: %4")
                                        .arg(detail.getName())
                                        .arg(err.line)
                                        .arg(err.column)
                                        .arg(err.message)
                                  : QStringLiteral("%1: %2").arg(detail.getName(), err.message);
        }
        return false;
    }
    detail.setRunHandle(std::make_shared<const flang::CFormulaProgram>(std::move(program)));
    return true;
}

bool CFormulaOperateManager::genLuaFormula(const DetailPtr& detail, QString* error)
{
    if (!detail) {
        if (error)
            *error = QStringLiteral("no formula");
        return false;
    }
    return genLuaFormula(*detail, error);
}

// ---- the process-wide catalogue ---------------------------------------------

CFormulaOperateManager::DetailPtr CFormulaOperateManager::getFormula(const QString& name)
{
    return instance()->formula(name);
}

CFormulaOperateManager::DetailPtr CFormulaOperateManager::getFormulaByRealName(const QString& realName)
{
    return instance()->formulaByRealName(realName);
}

CFormulaCatalog::Ptr CFormulaOperateManager::getRootCatalog()
{
    return instance()->rootCatalog();
}

CFormulaCatalog::Ptr CFormulaOperateManager::getCatalog(const QString& name)
{
    return instance()->catalog(name);
}

CFormulaCatalog::Ptr CFormulaOperateManager::addCatalog(const QString& name, int kind)
{
    return instance()->insertCatalog(name, kind);
}

bool CFormulaOperateManager::isVbaIndex(const QString& name)
{
    return instance()->isVba(name);
}

bool CFormulaOperateManager::isPythonIndex(const QString& name)
{
    return instance()->isPython(name);
}

bool CFormulaOperateManager::isGroupModelExist(const QString& name)
{
    return instance()->isGroupModel(name);
}

bool CFormulaOperateManager::isUserModelExist(const QString& name)
{
    return instance()->isUserModel(name);
}

} // namespace TC
