// Feeds arbitrary bytes to the external data file parser: it must refuse or
// parse, never crash; what it accepts must survive a write and a second read
// unchanged, write the same bytes again, and name a file that stays one path
// component.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include <QByteArray>

#include "platform/formula/service/CExternalDataManager.h"

namespace {

bool sameBits(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using TC::CExternalDataManager;
    TC::CExternalDataInfo info;
    CExternalDataManager::Points points;
    if (!CExternalDataManager::parse(QByteArray(reinterpret_cast<const char*>(data), int(size)), info, points))
        return 0;
    if (info.name.trimmed().isEmpty())
        std::abort();
    for (int i = 1; i < points.size(); ++i)
        if (points[i].first < points[i - 1].first)
            std::abort();
    const QByteArray written = CExternalDataManager::serialize(info, points);
    TC::CExternalDataInfo info2;
    CExternalDataManager::Points points2;
    if (!CExternalDataManager::parse(written, info2, points2))
        std::abort();
    if (info2.name != info.name || info2.market != info.market || info2.code != info.code ||
        info2.periodMs != info.periodMs || info2.unit != info.unit || points2.size() != points.size())
        std::abort();
    for (int i = 0; i < points.size(); ++i)
        if (points2[i].first != points[i].first || !sameBits(points2[i].second, points[i].second))
            std::abort();
    if (CExternalDataManager::serialize(info2, points2) != written)
        std::abort();
    const QString file = CExternalDataManager::fileNameOf(info.name);
    if (file.contains(QLatin1Char('/')) || file.contains(QLatin1Char('\\')) || file.startsWith(QLatin1Char('.')))
        std::abort();
    return 0;
}
