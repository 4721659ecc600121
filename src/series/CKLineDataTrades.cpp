// Trade marks of the tick chart: the trading-linkage records of the chosen
// accounts drawn over the price, and where each was drawn for hit tests.
#include <cfloat>
#include <climits>
#include <cmath>

#include <QDateTime>
#include <QPainter>
#include <QPainterPath>

#include "model/CKLineUiParam.h"
#include "platform/framework/CUiResource.h"
#include "platform/market/CStockManager.h"
#include "platform/trading/CLinkageManager.h"
#include "platform/trading/DataHelper.h"
#include "platform/trading/TradeTexts.h"
#include "series/CKLineData.h"

namespace TC {

namespace {

const int kHitReach = 4;
const int kTaskHeight = 12;

// Seconds of a record's "yyyyMMdd" date and "hh:mm:ss" (or "hhmmss") time;
// -1 when they do not parse.
qint64 recordTime(const std::string& date, const std::string& time)
{
    const QDate d = QDate::fromString(QString::fromStdString(date), QStringLiteral("yyyyMMdd"));
    QTime t = QTime::fromString(QString::fromStdString(time), QStringLiteral("hh:mm:ss"));
    if (!t.isValid())
        t = QTime::fromString(QString::fromStdString(time), QStringLiteral("hhmmss"));
    if (!d.isValid() || !t.isValid())
        return -1;
    return QDateTime(d, t).toSecsSinceEpoch();
}

qint64 dayStart(qint64 secs)
{
    return QDateTime(QDateTime::fromSecsSinceEpoch(secs).date(), QTime(0, 0)).toSecsSinceEpoch();
}

template <typename R>
void collect(const CKLineData::TradeTable<R>& table, int x, int y, QVector<std::shared_ptr<R>>& out)
{
    for (auto cx = table.lower_bound(x - kHitReach); cx != table.end() && cx->first <= x + kHitReach; ++cx)
        for (auto cy = cx->second.lower_bound(y - kHitReach); cy != cx->second.end() && cy->first <= y + kHitReach;
             ++cy)
            for (const auto& r : cy->second)
                out.append(r.second);
}

template <typename R>
bool anyAt(const CKLineData::TradeTable<R>& table, int x, int y)
{
    for (auto cx = table.lower_bound(x - kHitReach); cx != table.end() && cx->first <= x + kHitReach; ++cx) {
        auto cy = cx->second.lower_bound(y - kHitReach);
        if (cy != cx->second.end() && cy->first <= y + kHitReach)
            return true;
    }
    return false;
}

// Circles of one colour, drawn in one call. Records of one bar whose prices
// lie in the same 0.1 % step of the previous close share one circle (the
// first one's), so a burst of fills draws once and every record of it is
// found at that circle.
struct MarkBatch {
    QPainterPath buy;
    QPainterPath sell;
    std::map<std::pair<int, long long>, QPoint> groups;
    // The circle of (bar, price): false when its group already has one.
    bool join(int bar, double price, double prevClose, QPoint& at)
    {
        const auto key = std::make_pair(bar, std::llround((price - prevClose) / (prevClose * 0.001)));
        auto it = groups.find(key);
        if (it != groups.end()) {
            at = it->second;
            return false;
        }
        groups.emplace(key, at);
        return true;
    }
};

} // namespace

void CKLineData::drawTradeMark(QPainter& painter, const QRect& rect)
{
    if (m_paneRole != 0 || !m_pUiParam || m_pUiParam->period != 0)
        return;
    CKLineUiParam& ui = *m_pUiParam;

    // 1. The close the records are placed against.
    double refClose = DBL_MAX;
    std::string stockKey;
    if (ui.indexType == 0 && ui.curStock) {
        const int day = ui.getTradeDateFunc ? ui.getTradeDateFunc()
                                            : CStockManager::getLastTradingDay(QString::fromStdString(ui.curStock->market));
        stockKey = ui.curStock->market + ui.curStock->code;
        refClose = CStockManager::getCurrentDateLastClose(QString::fromStdString(stockKey), day);
    } else if (ui.indexType == 1) {
        refClose = ui.getLastClose();
    }
    // 2. Hit tables describe the last picture only.
    m_orderTable.clear();
    m_dealTable.clear();
    m_taskTable.clear();
    if (refClose == DBL_MAX || !(refClose > 0))
        return;
    const int first = ui.getMinDispIndex();
    const int last = ui.getMaxDispIndex();
    if (first < 0 || last < first)
        return;

    CLinkageManager* linkage = CLinkageManager::instance();
    painter.save();
    painter.setClipRect(QRect(rect.x(), rect.y(), rect.width() - ui.axisWidth, rect.height()));
    const QColor red(255, 0, 0);
    const QColor green(0, 255, 0);
    // Bar and pixel of a record: false when it has no visible bar or no row.
    const auto place = [&](int bar, double price, int& x, int& y) {
        if (bar < first || bar > last)
            return false;
        const int py = yOfValue(price, rect);
        if (py == INT_MIN)
            return false;
        x = ui.getXAxisByIndex(bar, -1, -1);
        y = py;
        return true;
    };
    const auto barOf = [&](qint64 secs) { return barOfRecord(secs); };
    const auto strategyPasses = [&](const std::string& name) {
        return !ui.strategyFilter || (!name.empty() && ui.linkStrategies.count(name));
    };
    const auto flush = [&](MarkBatch& batch, bool filled) {
        for (int side = 0; side < 2; ++side) {
            QColor c = side == 0 ? red : green;
            c.setAlpha(128);
            painter.setPen(c);
            painter.setBrush(filled ? QBrush(c) : QBrush(Qt::NoBrush));
            painter.drawPath(side == 0 ? batch.buy : batch.sell);
        }
    };
    const bool replayCut = m_replay && m_lastDrawnTime.isValid();
    const qint64 firstDay = dayStart(ui.getTimeTagByIndex(first));
    const qint64 lastDay = dayStart(ui.getTimeTagByIndex(last));

    // Orders (hollow) of `keys` on the day of the first visible bar.
    const auto drawOrders = [&](const std::vector<std::string>& keys, const std::set<std::string>& accounts) {
        MarkBatch batch;
        for (const std::string& key : keys) {
            if (!CStockManager::getInstrumentDetail(QString::fromStdString(key)))
                continue;
            for (const auto& account : linkage->getOrderDetails(firstDay, key, accounts))
                for (const auto& entry : account.second) {
                    const auto& o = entry.second;
                    if (!o)
                        continue;
                    if (!strategyPasses(o->m_strategyName))
                        continue;
                    const int bar = barOf(recordTime(o->m_date, o->m_time));
                    int x = 0, y = 0;
                    if (!place(bar, o->m_price, x, y))
                        continue;
                    const bool buy = qlservice::isBuyByDirection(o->m_direction, o->m_offsetFlag);
                    QPoint at(x, y);
                    if (batch.join(bar, o->m_price, refClose, at))
                        (buy ? batch.buy : batch.sell).addEllipse(QRectF(x - 2, y - 2, 4, 4));
                    x = at.x();
                    y = at.y();
                    m_orderTable[x][y][o->getKey()] = o;
                }
        }
        flush(batch, false);
    };
    // Deals (filled) of `keys` on `day`; with `costs` they also feed the
    // day's cost tables.
    MarkBatch dealBatch;
    const auto addDeals = [&](qint64 day, const std::vector<std::string>& keys, const std::set<std::string>& accounts,
                              bool costs) {
        for (const std::string& key : keys) {
            if (!CStockManager::getInstrumentDetail(QString::fromStdString(key)))
                continue;
            for (const auto& account : linkage->getDealDetails(day, key, accounts))
                for (const auto& entry : account.second) {
                    const auto& d = entry.second;
                    if (!d)
                        continue;
                    if (!strategyPasses(d->m_strategyName))
                        continue;
                    const qint64 secs = recordTime(d->m_date, d->m_time);
                    if (replayCut && QDateTime::fromSecsSinceEpoch(secs).time() > m_lastDrawnTime)
                        continue;
                    const int bar = barOf(secs);
                    const bool buy = qlservice::isBuyByDirection(d->m_direction, d->m_offsetFlag);
                    // The day's cost counts deals left of the window too.
                    if (costs && bar >= 0) {
                        auto& cell = ui.tradeMarkMaps[buy ? 0 : 1][dayStart(secs)][bar];
                        cell.first += double(d->m_volume);
                        cell.second += d->m_amount;
                    }
                    int x = 0, y = 0;
                    if (!place(bar, d->m_price, x, y) || y < 0 || y >= rect.height() || x >= rect.width())
                        continue;
                    QPoint at(x, y);
                    if (dealBatch.join(bar, d->m_price, refClose, at))
                        (buy ? dealBatch.buy : dealBatch.sell).addEllipse(QRectF(x - 3, y - 3, 6, 6));
                    m_dealTable[at.x()][at.y()][d->getKey()] = d;
                }
        }
    };

    // 3. What the linkage dialog previews.
    if (ui.tradeMarkMode & 4) {
        const std::vector<std::string> keys(ui.linkStocks.begin(), ui.linkStocks.end());
        if (ui.showOrderMark)
            drawOrders(keys, ui.linkAccounts);
        if (ui.showDealMark) {
            addDeals(linkage->getTradeDate(), keys, ui.linkAccounts, false);
            flush(dealBatch, true);
        }
    }
    // 4. The accounts chosen for the marks, on this instrument.
    if ((ui.tradeMarkMode & 2) && !stockKey.empty()) {
        const bool futures = qlservice::DataHelper::isFuturesMarket(ui.curStock->market);
        const std::set<std::string> accounts =
            linkage->getAccounts(futures ? ui.futuresMarkNames : ui.stockMarkNames);
        if (!accounts.empty()) {
            drawOrders({stockKey}, accounts);
            ui.tradeMarkMaps[0].clear();
            ui.tradeMarkMaps[1].clear();
            dealBatch = MarkBatch();
            for (qint64 day = firstDay; day <= lastDay; day += 86400)
                addDeals(day, {stockKey}, accounts, true);
            flush(dealBatch, true);
            drawCostLines(painter, rect, first, last, lastDay);
            drawTasks(painter, rect, accounts, refClose, first, last);
        }
    }
    painter.restore();
}

void CKLineData::drawCostLines(QPainter& painter, const QRect& rect, int first, int last, qint64 lastDay)
{
    const CKLineUiParam& ui = *m_pUiParam;
    for (int side = 0; side < 2; ++side) {
        QColor c = side == 0 ? QColor(255, 0, 0) : QColor(0, 255, 0);
        c.setAlpha(192);
        QPainterPath path;
        for (const auto& day : ui.tradeMarkMaps[side]) {
            double volume = 0.0, amount = 0.0;
            bool started = false;
            QPointF at;
            for (const auto& bar : day.second) {
                volume += bar.second.first;
                amount += bar.second.second;
                if (!(volume > 0))
                    continue;
                const int y = yOfValue(amount / volume, rect);
                if (y == INT_MIN)
                    continue;
                const double x = bar.first < first ? double(bar.first - first) : ui.getXAxisByIndex(bar.first, -1, -1);
                if (!started) {
                    path.moveTo(x, y);
                    started = true;
                } else {
                    path.lineTo(x, at.y());
                    path.lineTo(x, y);
                }
                at = QPointF(x, y);
            }
            const double lastX = ui.getXAxisByIndex(last, -1, -1);
            if (started && day.first == lastDay && at.x() < lastX)
                path.lineTo(lastX, at.y());
        }
        painter.setPen(QPen(c, 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(path);
    }
}

void CKLineData::drawTasks(QPainter& painter, const QRect& rect, const std::set<std::string>& accounts,
                           double refClose, int first, int last)
{
    const CKLineUiParam& ui = *m_pUiParam;
    const bool replayCut = m_replay && m_lastDrawnTime.isValid();
    const QColor red(255, 0, 0), green(0, 255, 0), white(255, 255, 255);
    painter.setFont(KW::CUiResource::instance()->getFont(QStringLiteral("fnt_default_normal_fix")));
    std::map<std::string, double> prevCloses;
    for (const auto& account : CLinkageManager::instance()->getTaskDetails(accounts))
        for (const auto& entry : account.second) {
            const auto& t = entry.second;
            if (!t || t->getTime() == qlservice::CTaskDetail::kUnsetTime || t->m_orders.empty())
                continue;
            const qint64 secs = t->getTime();
            if (replayCut && QDateTime::fromSecsSinceEpoch(secs).time() > m_lastDrawnTime)
                continue;
            const int bar = barOfRecord(secs);
            if (bar < first || bar > last)
                continue;
            const std::string key = t->instrumentKey();
            auto pc = prevCloses.find(key);
            if (pc == prevCloses.end())
                pc = prevCloses
                         .emplace(key, CStockManager::getCurrentDateLastClose(QString::fromStdString(key),
                                                                              int(dayStart(secs))))
                         .first;
            const double prevClose = pc->second;
            if (prevClose == DBL_MAX || !(prevClose > 0))
                continue;
            const int y = yOfValue(((t->m_orderPrice - prevClose) / prevClose + 1.0) * refClose, rect);
            if (y == INT_MIN)
                continue;
            const int x = ui.getXAxisByIndex(bar, -1, -1);
            const int h = t->m_tradedVolume < t->m_totalVolume && t->m_totalVolume > 0
                              ? int(double(t->m_tradedVolume) / double(t->m_totalVolume) * kTaskHeight + 0.5)
                              : kTaskHeight;
            const bool buy = qlservice::DataHelper::isBuy(t->m_orders.front());
            const bool finished = t->m_tradedVolume == 0 && (t->m_status == 8 || t->m_status == 10);
            QColor side = buy ? red : green;
            QColor fill = finished ? white : side;
            fill.setAlpha(finished ? 96 : 128);
            painter.fillRect(QRect(x, y - h, 8, h), fill);
            painter.setPen(finished ? white : side);
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(QRect(x, y - 13, 8, 13));
            painter.setPen(finished ? side : white);
            painter.drawText(QRect(x + 1, y - 13, 8, 13), Qt::AlignCenter,
                             buy ? QStringLiteral("B") : QStringLiteral("S"));
            m_taskTable[x][y][t->getKey()] = t;
        }
}

int CKLineData::barOfRecord(qint64 secs) const
{
    // The bar at or after the time, on the record's own day: a record of an
    // earlier day (or after the last bar) has no bar on this chart.
    if (secs < 0 || secs > INT_MAX)
        return -1;
    const int bar = m_pUiParam->getIndexByTimeTag(int(secs));
    if (bar < 0 || dayStart(m_pUiParam->getTimeTagByIndex(bar)) != dayStart(secs))
        return -1;
    return bar;
}

void CKLineData::getOrdersAt(int x, int y, QVector<std::shared_ptr<qlservice::COrderDetail>>& out) const
{
    collect(m_orderTable, x, y, out);
}

void CKLineData::getDealsAt(int x, int y, QVector<std::shared_ptr<qlservice::CDealDetail>>& out) const
{
    collect(m_dealTable, x, y, out);
}

void CKLineData::getTasksAt(int x, int y, QVector<std::shared_ptr<qlservice::CTaskDetail>>& out) const
{
    collect(m_taskTable, x, y, out);
}

bool CKLineData::hitOrderMark(int x, int y) const
{
    const int mode = m_pUiParam ? m_pUiParam->tradeMarkMode : 0;
    if (!(((mode & 4) && m_pUiParam->showOrderMark) || (mode & 2)))
        return false;
    return anyAt(m_orderTable, x, y);
}

bool CKLineData::hitDealMark(int x, int y) const
{
    const int mode = m_pUiParam ? m_pUiParam->tradeMarkMode : 0;
    if (!(((mode & 4) && m_pUiParam->showDealMark) || (mode & 2)))
        return false;
    return anyAt(m_dealTable, x, y);
}

bool CKLineData::hitTaskMark(int x, int y) const
{
    const int mode = m_pUiParam ? m_pUiParam->tradeMarkMode : 0;
    if (!(((mode & 4) && m_pUiParam->showTaskMark) || (mode & 2)))
        return false;
    return anyAt(m_taskTable, x, y);
}

} // namespace TC
