#pragma once

#include <memory>

#include <QDateTime>
#include <QVector>

#include "platform/config/CAppConfig.h"
#include "platform/config/CUserConfig.h"

namespace ktest {

// Sets the terminal's client type for one test and restores it after.
class ScopedClientType
{
public:
    explicit ScopedClientType(int type) : m_old(TC::getConfig()->clientType())
    {
        TC::getConfig()->setClientType(type);
    }
    ~ScopedClientType() { TC::getConfig()->setClientType(m_old); }

private:
    int m_old;
};

// Installs a user configuration (or none) for one test and restores the
// previous one after.
class ScopedUserConfig
{
public:
    explicit ScopedUserConfig(std::shared_ptr<TC::CUserConfig> config);
    ~ScopedUserConfig();

private:
    std::shared_ptr<TC::CUserConfig> m_old;
};

// Time tag (seconds) of a local date-time, the way bar times are stored.
inline qint64 tag(int y, int m, int d, int hh = 0, int mm = 0)
{
    return QDateTime(QDate(y, m, d), QTime(hh, mm)).toSecsSinceEpoch();
}

// `n` consecutive calendar-day tags starting at the given local date.
QVector<qint64> dailyTags(const QDate& first, int n);

} // namespace ktest
