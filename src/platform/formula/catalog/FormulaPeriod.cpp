#include "platform/formula/catalog/FormulaPeriod.h"

namespace TC {

namespace {

struct PeriodRow {
    int period;
    const char* name;
};

const PeriodRow kPeriods[kPeriodCount] = {
    {60, "1分钟"},     {180, "3分钟"},       {300, "5分钟"},     {600, "10分钟"},  {900, "15分钟"},
    {1800, "30分钟"},  {3600, "60分钟"},     {86400, "日线"},    {604800, "周线"}, {2592000, "月线"},
    {7776000, "季线"}, {15552000, "半年线"}, {31536000, "年线"}, {10, "多日线"},   {11, "多小时线"},
    {13, "多分钟线"},  {0, "分笔"},
};

} // namespace

QString getCycleName(int i)
{
    if (i < 0 || i >= kPeriodCount)
        return QString();
    return QString::fromUtf8(kPeriods[i].name);
}

int getPeriodIndex(int period)
{
    for (int i = 0; i < kPeriodCount; ++i)
        if (kPeriods[i].period == period)
            return i;
    return -1;
}

int getPeriodByIndex(int i)
{
    if (i < 0 || i >= kPeriodCount)
        return -1;
    return kPeriods[i].period;
}

} // namespace TC
