// Group-model results held by a series.
#include <algorithm>
#include <cfloat>
#include <cmath>

#include "model/CKLineUiParam.h"
#include "platform/formula/catalog/CFormulaOperateManager.h"
#include "platform/formula/service/CFormulaManager.h"
#include "series/CGroupResultManager.h"
#include "series/CKLineData.h"

namespace TC {

namespace {

// Volumes below this are a closed position (fractional lots accumulate
// rounding error).
const double kFlatVolume = 1e-9;

// Average-cost accounting of one trade on a signed holding.
void applyTrade(CKLineData::GroupHolding& h, const se::RPCGroupTrade& t)
{
    const double q = t.side > 0 ? t.volume : -t.volume;
    const double held = std::fabs(h.volume);
    if (held < kFlatVolume || (h.volume > 0) == (q > 0)) {
        h.avgCost = (h.avgCost * held + t.price * t.volume) / (held + t.volume);
        h.volume += q;
    } else {
        const double closed = std::min(t.volume, held);
        h.realized += (t.price - h.avgCost) * closed * (h.volume > 0 ? 1.0 : -1.0);
        h.volume += q;
        if (std::fabs(h.volume) < kFlatVolume) {
            h.volume = 0.0;
            h.avgCost = 0.0;
        } else if (t.volume > closed) {
            // The rest opened the other side at this price.
            h.avgCost = t.price;
        }
    }
    ++h.tradeCount;
    h.lastTime = t.timeTag;
    h.lastSide = t.side;
    h.lastPrice = t.price;
    h.lastVolume = t.volume;
}

} // namespace

void CKLineData::setGroupResult(const QString& key, std::shared_ptr<se::RPCGroupResult> result)
{
    if (result)
        m_groupBooks[key] = buildGroupBook(*result);
    else
        m_groupBooks.remove(key);
    m_groupResults[key] = std::move(result);
}

void CKLineData::removeGroupResult(const QString& key)
{
    m_groupResults.remove(key);
    m_groupBooks.remove(key);
}

CKLineData::GroupBook CKLineData::buildGroupBook(const se::RPCGroupResult& result)
{
    GroupBook book;
    QHash<QString, int> slot;
    auto slotOf = [&](const std::string& code) {
        const QString c = QString::fromStdString(code);
        auto it = slot.constFind(c);
        if (it != slot.constEnd())
            return it.value();
        slot.insert(c, book.codes.size());
        book.codes.append(c);
        book.steps.append(QVector<GroupBookStep>());
        return book.codes.size() - 1;
    };
    for (const std::string& c : result.codes)
        if (!c.empty())
            slotOf(c);
    // The service sends trades in time order; a stable sort keeps a
    // disordered result usable without changing same-bar order.
    std::vector<const se::RPCGroupTrade*> trades;
    trades.reserve(result.trades.size());
    for (const se::RPCGroupTrade& t : result.trades)
        if (!t.code.empty() && (t.side == 1 || t.side == -1) && t.volume > 0 && std::isfinite(t.price))
            trades.push_back(&t);
    std::stable_sort(
        trades.begin(), trades.end(),
        [](const se::RPCGroupTrade* a, const se::RPCGroupTrade* b) { return a->timeTag < b->timeTag; });
    for (const se::RPCGroupTrade* t : trades) {
        const int i = slotOf(t->code);
        QVector<GroupBookStep>& steps = book.steps[i];
        GroupBookStep step;
        step.timeTag = t->timeTag;
        if (steps.isEmpty())
            step.state.code = book.codes[i];
        else
            step.state = steps.last().state;
        applyTrade(step.state, *t);
        // Several trades on one bar: only the bar's final state is queried.
        if (!steps.isEmpty() && steps.last().timeTag == t->timeTag)
            steps.last() = step;
        else
            steps.append(step);
    }
    return book;
}

QVector<CKLineData::GroupHolding> CKLineData::getGroupHoldings(const QString& key, int barIndex) const
{
    QVector<GroupHolding> out;
    auto it = m_groupBooks.constFind(key);
    if (it == m_groupBooks.constEnd() || !m_pUiParam)
        return out;
    const int tag = m_pUiParam->getTimeTagByIndex(barIndex);
    if (tag == -1)
        return out;
    const qint64 t = qint64(quint32(tag));
    const GroupBook& book = it.value();
    for (int i = 0; i < book.codes.size(); ++i) {
        const QVector<GroupBookStep>& steps = book.steps[i];
        auto pos = std::upper_bound(steps.begin(), steps.end(), t,
                                    [](qint64 v, const GroupBookStep& s) { return v < s.timeTag; });
        if (pos == steps.begin())
            continue;
        GroupHolding h = (pos - 1)->state;
        if (h.volume == 0.0) {
            h.floating = 0.0;
        } else {
            const double close = closeOfInstrument(h.code, t);
            h.floating = close < DBL_MAX ? (close - h.avgCost) * h.volume : DBL_MAX;
        }
        out.append(h);
    }
    return out;
}

double CKLineData::closeOfInstrument(const QString& code, qint64 t) const
{
    const qint64 ms = t * 1000;
    double fallback = DBL_MAX;
    for (auto it = m_data.constBegin(); it != m_data.constEnd(); ++it) {
        if (it.key().stock != code || !it.value().isValid())
            continue;
        const se::RPCFormulaResult& r = *it.value().result;
        auto pos = std::lower_bound(r.times.begin(), r.times.end(), ms,
                                    [](const se::RPCTimeItem& item, qint64 v) { return item.timeMs < v; });
        if (pos == r.times.end() || pos->timeMs != ms)
            continue;
        const size_t bar = size_t(pos - r.times.begin());
        // The K-line's own close wins; any formula's input bars will do else.
        if (it.key().formula.compare(QLatin1String("KLINE"), Qt::CaseInsensitive) == 0) {
            const double close = it.value().value(0, int(bar), 3);
            if (close < DBL_MAX)
                return close;
        }
        if (fallback == DBL_MAX && bar < r.basicData.size() && r.basicData.size() == r.times.size())
            fallback = r.basicData[bar].close;
    }
    return fallback;
}

QString CKLineData::firstGroupResultKey() const
{
    for (const QString& formula : m_formulas)
        for (int i = 0; i < m_req.count(); ++i)
            if (m_req[i].key.formula == formula && m_groupBooks.contains(m_req[i].reqId))
                return m_req[i].reqId;
    return QString();
}

bool CKLineData::getGroupResult(const QString& key, std::shared_ptr<se::RPCGroupResult>& out) const
{
    auto it = m_groupResults.constFind(key);
    if (it == m_groupResults.constEnd() || !it.value())
        return false;
    out = it.value();
    return true;
}

double CKLineData::getRealTradePrice(const QString& key, int barIndex, const QString& code) const
{
    std::shared_ptr<se::RPCGroupResult> result;
    if (!getGroupResult(key, result) || !m_pUiParam)
        return DBL_MAX;
    const int t = m_pUiParam->getTimeTagByIndex(barIndex);
    if (t == -1)
        return DBL_MAX;
    const std::string wanted = code.toStdString();
    // Trades are in time order: find the bar's run and take its last trade
    // of the instrument.
    const auto& trades = result->trades;
    auto first = std::lower_bound(trades.begin(), trades.end(), qint64(t),
                                  [](const se::RPCGroupTrade& tr, qint64 v) { return tr.timeTag < v; });
    double price = DBL_MAX;
    for (auto it = first; it != trades.end() && it->timeTag == t; ++it)
        if (it->code == wanted)
            price = it->price;
    return price;
}

void CKLineData::updateGroupResult(const QString& reqId)
{
    CFormulaKey key;
    if (!m_req.getKey(key, reqId))
        return;
    const QString& name = key.formula;
    if (!CFormulaOperateManager::isGroupModelExist(name) && !CFormulaOperateManager::isPythonIndex(name) &&
        !CFormulaOperateManager::isVbaIndex(name))
        return;
    setGroupResult(reqId, CFormulaManager::instance()->getFormulaForGroup(reqId));
    utils::CSingletonT<CGroupResultManager>::instance()->addData(name, reqId, this);
}

std::vector<se::RPCGroupTrade> CKLineData::groupTrades() const
{
    std::shared_ptr<se::RPCGroupResult> result;
    if (!getGroupResult(firstGroupResultKey(), result))
        return {};
    return result->trades;
}

std::shared_ptr<se::RPCGroupResult> CKLineData::groupResultOf(const QString& formula) const
{
    for (int i = 0; i < m_req.count(); ++i) {
        if (m_req[i].key.formula.compare(formula, Qt::CaseInsensitive) != 0)
            continue;
        std::shared_ptr<se::RPCGroupResult> result;
        if (getGroupResult(m_req[i].reqId, result))
            return result;
    }
    return nullptr;
}

QString CKLineData::modelRunResultText() const
{
    const QString key = firstGroupResultKey();
    std::shared_ptr<se::RPCGroupResult> result;
    if (!m_pUiParam || !getGroupResult(key, result))
        return QString();
    QStringList lines;
    lines << QStringLiteral("模型: %1").arg(QString::fromStdString(result->groupName));
    const auto value = [](double v) { return v == DBL_MAX ? QStringLiteral("--") : QString::number(v, 'f', 2); };
    for (const GroupHolding& h : getGroupHoldings(key, m_pUiParam->getLastIndex()))
        lines << QStringLiteral("%1 持仓:%2 成本:%3 已实现盈亏:%4 浮动盈亏:%5 交易次数:%6")
                     .arg(h.code, QString::number(h.volume), value(h.avgCost), value(h.realized), value(h.floating))
                     .arg(h.tradeCount);
    lines << QStringLiteral("交易笔数: %1").arg(result->trades.size());
    return lines.join(QLatin1Char('\n'));
}

} // namespace TC
