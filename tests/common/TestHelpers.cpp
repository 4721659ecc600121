#include "common/TestHelpers.h"

namespace ktest {

ScopedUserConfig::ScopedUserConfig(std::shared_ptr<TC::CUserConfig> config) : m_old(TC::getUserConfigPtr())
{
    TC::setUserConfig(std::move(config));
}

ScopedUserConfig::~ScopedUserConfig()
{
    TC::setUserConfig(m_old);
}

QVector<qint64> dailyTags(const QDate& first, int n)
{
    QVector<qint64> v;
    v.reserve(n);
    for (int i = 0; i < n; ++i)
        v.append(QDateTime(first.addDays(i), QTime(0, 0)).toSecsSinceEpoch());
    return v;
}

} // namespace ktest
