#include "model/CKLineUiParam.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

#include <QColor>

#include "platform/config/CAppConfig.h"
#include "platform/framework/CUiResource.h"
#include "platform/market/CStockManager.h"
#include "platform/market/InstrumentAccess.h"
#include "platform/market/TraderCenter.h"

namespace TC {

namespace {
constexpr double kNoValue = DBL_MAX;

bool clientType3()
{
    return CAppConfig::isClientType(3);
}
} // namespace

CKLineUiParam::CKLineUiParam()
{
    static const char* const keys[] = {"ic_clr_kline_superpos_1", "ic_clr_kline_superpos_2",
                                       "ic_clr_kline_superpos_3"};
    for (const char* key : keys) {
        const QColor c = KW::CUiResource::instance()->getColor(QString::fromLatin1(key));
        superposeColors.append(PackedColor(c.red()) | (PackedColor(c.green()) << 8) |
                               (PackedColor(c.blue()) << 16));
    }
    clear();
}

void CKLineUiParam::clear()
{
    if (curStock && curStock->auxStatus == 0) {
        lockedTimeTag = -1;
        if (lockCursor && lockedIndex >= 0 && lockedIndex < m_tradeDateList.size()) {
            const int t = int(quint32(m_tradeDateList.at(lockedIndex)));
            if (t != -1)
                lockedTimeTag = t;
        }
    }
    m_tradeDateList.clear();
    actualStart = actualEnd = 0;
    minDispIndex = maxDispIndex = 0;
    overviewStart = overviewEnd = 0;
}

void CKLineUiParam::resize(QRect& r)
{
    plotWidth = r.width() - axisWidth;
}

void CKLineUiParam::setMinDispIndex(int v)
{
    minDispIndex = std::max(v, 0);
}

void CKLineUiParam::setMaxDispIndex(int v)
{
    maxDispIndex = std::max(v, 0);
}

int CKLineUiParam::getXAxisByIndex(int index, int first, int last) const
{
    int right = last;
    if (last == -1)
        right = maxDispIndex > 0 ? maxDispIndex : index;
    const int left = first == -1 ? minDispIndex : first;
    if (index < 0)
        return -1;
    if (m_tradeDateList.size() == 1) {
        int x = plotWidth / 10;
        if (clientType3())
            x = std::min(x, 30);
        return x;
    }
    int span = right - left;
    if (clientType3())
        span = std::max(span, 15);
    // A reversed window would divide by zero or flip the axis; draw it as
    // a one-bar window instead.
    span = std::max(span, 0);
    const double step = double(plotWidth) / double(span + 1);
    const int inset = std::max(0, int(step * 0.35));
    if (index < left)
        return inset;
    return int(double(index - left) * step) + inset;
}

int CKLineUiParam::getIndexByXAxis(int x) const
{
    if (plotWidth < 1)
        return -1;
    const int diff = maxDispIndex - minDispIndex;
    int span = diff;
    if (clientType3())
        span = std::max(span, 15);
    const int k = int((qint64(span + 1) * x) / plotWidth);
    if (k > diff)
        return maxDispIndex;
    if (k < 0)
        return minDispIndex;
    return minDispIndex + k;
}

int CKLineUiParam::getEndStartSub(int end, int start) const
{
    const int d = end - start;
    return clientType3() ? std::max(d, 15) : d;
}

QString CKLineUiParam::getCurrCode() const
{
    return curStock ? getDetailQsCode(curStock) : QString();
}

QString CKLineUiParam::getCurrMarket() const
{
    return curStock ? getDetailQsMarket(curStock) : QString();
}

QString CKLineUiParam::getCurrKey() const
{
    return curStock ? getDetailQsKey(curStock) : QString();
}

double CKLineUiParam::getCurrLastClose() const
{
    return curStock ? getDetailLastClose(curStock) : kNoValue;
}

double CKLineUiParam::getCurrTick() const
{
    return curStock ? getDetailPriceTick(curStock) : kNoValue;
}

double CKLineUiParam::getLastClose() const
{
    if (indexType != 0)
        return 0.0;
    if (getTradeDateFunc)
        return CStockManager::getCurrentDateLastClose(getCurrKey(), getTradeDateFunc());
    return getDetailLastClose(curStock);
}

int CKLineUiParam::getMainPanelID() const
{
    return mainPanel ? mainPanel->id : 0;
}

bool CKLineUiParam::isShowGroupIndexGraph() const
{
    if (indexType == 1)
        return true;
    return curStock && se::isIndexEx(getCurrMarket(), getCurrCode());
}

// ---------------------------------------------------------------------------
// Window rules

int CKLineUiParam::resetWindowStart() const
{
    if (maxDispIndex - minDispIndex == 1)
        return std::max(actualEnd - resetSpanNarrow, 0);
    return actualEnd >= resetSpan ? actualEnd - resetSpan : 0;
}

QPair<int, int> CKLineUiParam::explicitOverview(int a, int b, int actualEndTime)
{
    const double d = double(b - a);
    int start = int(std::round(double(a) - 0.3 * d));
    int end = int(std::round(double(b) + 0.3 * d));
    start = std::max(start, 0);
    end = std::min(end, actualEndTime);
    if (start > end)
        end = std::max(end, int(double(start) + 0.3 * d + d));
    return qMakePair(start, end);
}

int CKLineUiParam::stepCursor(int from, bool left, bool fast) const
{
    const int step = fast ? 4 : 1;
    const int to = left ? from - step : from + step;
    return std::max(actualStart, std::min(to, actualEnd));
}

QPair<int, int> CKLineUiParam::timetagWindow(int k) const
{
    return qMakePair(std::max(actualStart, k - timetagSpan), std::min(actualEnd, k + timetagSpan));
}

int CKLineUiParam::optionExtraDays() const
{
    if (optionExpectMode != 1 || m_tradeDateList.isEmpty())
        return 0;
    qlservice::IDataCenter* dc = qlservice::TraderCenter::instance()->getDataCenter();
    if (!dc)
        return 0;
    const std::set<int> dates = dc->getDateSet(getCurrKey().toStdString());
    if (dates.empty())
        return 0;
    const QDate latest = QDate::fromString(QString::number(*dates.rbegin()), QStringLiteral("yyyyMMdd"));
    const QDate lastBar = getDateTimeByIndex(getLastIndex()).date();
    if (!latest.isValid() || !lastBar.isValid())
        return 0;
    return int(std::max<qint64>(0, lastBar.daysTo(latest)));
}

} // namespace TC
