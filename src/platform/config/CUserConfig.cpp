#include "platform/config/CUserConfig.h"

#include <mutex>

#include <QSet>
#include <QStringList>

namespace TC {

namespace {
std::shared_ptr<CUserConfig> g_userConfig = std::make_shared<CUserConfig>();

QString winnerKey(const QString& key, int type)
{
    return key + QLatin1Char('#') + QString::number(type);
}
} // namespace

bool CUserConfig::getWinnerSetting(const QString& key, int type, CWinnerSetting& setting) const
{
    auto it = m_winners.constFind(winnerKey(key, type));
    if (it == m_winners.constEnd())
        return false;
    setting = it.value();
    return true;
}

void CUserConfig::setWinnerSetting(const CWinnerSetting& setting)
{
    m_winners[winnerKey(setting.key, setting.type)] = setting;
}

CUserConfig* getUserConfig()
{
    return g_userConfig.get();
}

std::shared_ptr<CUserConfig> getUserConfigPtr()
{
    return g_userConfig;
}

void setUserConfig(std::shared_ptr<CUserConfig> config)
{
    g_userConfig = std::move(config);
}

CIndexUserConfig SingletonManager::IndexUserConfigStore::get() const
{
    return m_config;
}

void SingletonManager::IndexUserConfigStore::set(const CIndexUserConfig& c)
{
    m_config = c;
}

SingletonManager::IndexUserConfigStore* SingletonManager::getIndexUserConfig()
{
    static IndexUserConfigStore store;
    return &store;
}

} // namespace TC

namespace luawrapper {

namespace {
// Both UI customisation modules are on in the stand-in terminal.
QSet<QString>& enabledModules()
{
    static QSet<QString> s{QStringLiteral("mdl_ui_custom"),
                           QStringLiteral("mdl_ui_custom_use_fixed_attached_figure")};
    return s;
}
} // namespace

bool LuaModuleCtrl::checkModule(const QStringList& modules)
{
    for (const QString& m : modules)
        if (!enabledModules().contains(m))
            return false;
    return true;
}

void LuaModuleCtrl::setModuleEnabled(const QString& module, bool on)
{
    if (on)
        enabledModules().insert(module);
    else
        enabledModules().remove(module);
}

} // namespace luawrapper
