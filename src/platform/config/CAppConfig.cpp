#include "platform/config/CAppConfig.h"

#include <atomic>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace TC {

CAppConfig::CAppConfig() = default;

bool CAppConfig::isClientType(int n)
{
    return utils::CSingletonT<CAppConfig>::instance()->clientType() == n;
}

QString CAppConfig::userDataDir()
{
    QString dir = qEnvironmentVariable("KLINEVIEW_HOME");
    if (dir.isEmpty()) {
        dir = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
        if (dir.isEmpty())
            dir = QDir::homePath() + QStringLiteral("/.local/share");
        dir += QStringLiteral("/klineview");
    }
    QDir().mkpath(dir);
    return dir;
}

QString CAppConfig::dataDir()
{
    const QString env = qEnvironmentVariable("KLINE_DATA_DIR");
    if (!env.isEmpty() && QFileInfo(env).isDir())
        return env;
    if (QCoreApplication::instance()) {
        const QString installed =
            QCoreApplication::applicationDirPath() + QStringLiteral("/../share/klineview");
        if (QFileInfo(installed + QStringLiteral("/real")).isDir())
            return QDir(installed).canonicalPath();
    }
#ifdef KLINE_SOURCE_DATA_DIR
    return QStringLiteral(KLINE_SOURCE_DATA_DIR);
#else
    return QString();
#endif
}

CAppConfig* getConfig()
{
    return utils::CSingletonT<CAppConfig>::instance();
}

QString getPythonDir()
{
    return CAppConfig::userDataDir() + QStringLiteral("/python");
}

int genPositionID()
{
    static std::atomic<int> next{10000};
    return next.fetch_add(1);
}

} // namespace TC
