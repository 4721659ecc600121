#include "platform/indexui/IndexBaseData.h"

#include <cfloat>

#include <QDateTime>

#include "platform/formula/catalog/CFormulaOperateManager.h"

namespace TC {

namespace {

// Styles drawn outside the price scale: text, icon, vertical line, band.
// Vertical lines carry a condition, not a price; a fixed-place text carries
// fractions of the pane. Texts, icons and numbers stand at prices and share
// the scale, so a buy arrow sits at the bar's low.
bool isOffScaleStyle(int style)
{
    return (style >= 14 && style <= 19) || style == 31;
}

QString valueText(double v)
{
    return v >= DBL_MAX ? QString() : QString::number(v, 'g', 6);
}

} // namespace

IndexBaseData::IndexBaseData(KW::CEventDeliverer* upstream, QObject* parent)
    : QObject(parent), KW::CEventDeliverer(upstream)
{
}

IndexBaseData::~IndexBaseData() = default;

void IndexBaseData::addFormula(const QString& name)
{
    const QString upper = name.trimmed().toUpper();
    if (!upper.isEmpty() && !m_formulas.contains(upper))
        m_formulas.append(upper);
}

void IndexBaseData::setFormulas(const QStringList& names)
{
    m_formulas.clear();
    for (const QString& n : names)
        addFormula(n);
}

void IndexBaseData::setTradeModels(const QStringList& names)
{
    m_tradeModels.clear();
    for (const QString& n : names) {
        const QString upper = n.trimmed().toUpper();
        if (!upper.isEmpty() && !m_tradeModels.contains(upper))
            m_tradeModels.append(upper);
    }
}

bool IndexBaseData::isMainGraph(const QString& name) const
{
    const QString upper = name.trimmed().toUpper();
    if (!m_mainGraph.isEmpty())
        return upper == m_mainGraph;
    return upper == QLatin1String("KLINE") || upper == QLatin1String("TICKDATA");
}

bool IndexBaseData::hasGroupModelIndex() const
{
    for (const QString& f : m_formulas)
        if (CFormulaOperateManager::isGroupModelExist(f))
            return true;
    return false;
}

bool IndexBaseData::hasPythonIndex() const
{
    for (const QString& f : m_formulas)
        if (CFormulaOperateManager::isPythonIndex(f))
            return true;
    return false;
}

bool IndexBaseData::isNeedYAxis(const RPCFormulaResultCache& cache, int i, int first, int last)
{
    if (!cache.isValid() || !cache.meta->hasStyle(i) || isOffScaleStyle(cache.meta->style(i)))
        return false;
    const int bars = cache.barCount();
    if (bars == 0)
        return false;
    if (last < 0 || last >= bars)
        last = bars - 1;
    first = qMax(0, first);
    const int columns = qMax(1, int(cache.columnsOf(i).size()));
    for (int k = 0; k < columns; ++k) {
        const std::vector<double>* data = cache.data(i, k);
        if (!data)
            continue;
        for (int b = first; b <= last && b < int(data->size()); ++b)
            if ((*data)[size_t(b)] < DBL_MAX)
                return true;
    }
    return false;
}

QString IndexBaseData::getResultTxtStr(const se::RPCFormulaResult& result,
                                       const se::RPCFormulaMetaResult& meta, bool withHeader)
{
    QStringList lines;
    const int outputs = meta.outputCount();
    if (withHeader) {
        QStringList head{QStringLiteral("时间")};
        for (const std::string& n : meta.names)
            head << QString::fromStdString(n);
        lines << head.join(QLatin1Char('\t'));
    }
    for (int b = 0; b < result.barCount(); ++b) {
        QStringList row{QDateTime::fromMSecsSinceEpoch(result.times[size_t(b)].timeMs)
                            .toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"))};
        for (int o = 0; o < outputs; ++o) {
            const std::vector<double>* data = nullptr;
            if (o < int(meta.columns.size()) && !meta.columns[size_t(o)].empty())
                data = result.column(meta.columns[size_t(o)].front());
            row << (data && b < int(data->size()) ? valueText((*data)[size_t(b)]) : QString());
        }
        lines << row.join(QLatin1Char('\t'));
    }
    return lines.join(QLatin1Char('\n'));
}

QString IndexBaseData::getResultTxtStr(const QVector<RPCFormulaResultCache>& caches, bool withHeader)
{
    QStringList blocks;
    for (const RPCFormulaResultCache& c : caches)
        if (c.isValid())
            blocks << getResultTxtStr(*c.result, *c.meta, withHeader);
    return blocks.join(QStringLiteral("\n\n"));
}

void IndexBaseData::updateStrategyBacktestData(const QVector<QString>& ids)
{
    CFormulaKey key;
    for (const QString& id : ids) {
        if (m_req.getKey(key, id))
            m_backtestIds.insert(id);
        else
            m_backtestIds.remove(id);
    }
}

void IndexBaseData::request(int, bool)
{
}

} // namespace TC
