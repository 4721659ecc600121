#include "platform/market/CStageQuoteCalculator.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

#include "platform/market/CLocalTimeConverter.h"
#include "platform/market/CMarketStore.h"

namespace TC {

namespace {

bool noShares(double shares)
{
    return !std::isfinite(shares) || std::fabs(shares) < 1e-5 ||
           std::fabs(DBL_MAX - std::fabs(shares)) < 1e-5;
}

} // namespace

bool CStageQuoteCalculator::quoteOf(const CMarketStore& store, const QString& key, const Request& request,
                                    Row& row)
{
    const auto detail = store.instrument(key);
    if (!detail)
        return false;
    const QDate first = CLocalTimeConverter::dateOf(request.startSecs);
    const QDate last = CLocalTimeConverter::dateOf(request.endSecs);
    if (!first.isValid() || !last.isValid() || first > last)
        return false;
    const qint64 from = CLocalTimeConverter::dayTag(first);
    const qint64 until = CLocalTimeConverter::dayTag(last.addDays(1));
    const QVector<quoter::CBar> bars = store.bars(key, 86400, request.drType);
    auto begin = std::lower_bound(bars.cbegin(), bars.cend(), from,
                                  [](const quoter::CBar& b, qint64 t) { return b.time < t; });
    auto end = std::lower_bound(begin, bars.cend(), until,
                                [](const quoter::CBar& b, qint64 t) { return b.time < t; });
    if (begin == end)
        return false;
    row = Row();
    row.key = key;
    row.name = QString::fromStdString(detail->name);
    row.reference = begin == bars.cbegin() ? begin->open : (begin - 1)->close;
    row.open = begin->open;
    row.close = (end - 1)->close;
    row.high = begin->high;
    row.low = begin->low;
    double closes = 0.0;
    for (auto it = begin; it != end; ++it) {
        row.high = std::max(row.high, it->high);
        row.low = std::min(row.low, it->low);
        row.volume += it->volume;
        row.amount += it->amount;
        closes += it->close;
        ++row.days;
    }
    row.change = row.close - row.reference;
    const bool hasReference = std::fabs(row.reference) > 1e-9;
    row.changePct = hasReference ? row.change / row.reference : 0.0;
    row.amplitude = hasReference ? (row.high - row.low) / row.reference : 0.0;
    row.turnover = noShares(detail->circulatingShares) ? 0.0 : row.volume / detail->circulatingShares;
    row.average = row.volume > 0.0 ? row.amount / row.volume : closes / row.days;
    return true;
}

bool CStageQuoteCalculator::compute(const CMarketStore& store, const Request& request, QVector<Row>& rows,
                                    const Progress& progress)
{
    rows.clear();
    QVector<Row> out;
    const int total = request.keys.size();
    for (int i = 0; i < total; ++i) {
        Row row;
        if (quoteOf(store, request.keys.at(i), request, row))
            out.append(row);
        if (progress && !progress(i + 1, total))
            return false;
    }
    rows = out;
    return true;
}

double CStageQuoteCalculator::criterionValue(const Row& row, int criterion)
{
    switch (criterion) {
    case 0:
        return row.high;
    case 1:
        return row.low;
    case 2:
        return row.volume;
    case 3:
        return row.change;
    case 4:
        return row.changePct;
    case 5:
        return row.amount;
    case 6:
        return row.amplitude;
    case 7:
        return row.average;
    default:
        return 0.0;
    }
}

void CStageQuoteCalculator::rank(QVector<Row>& rows, int criterion)
{
    std::stable_sort(rows.begin(), rows.end(), [criterion](const Row& a, const Row& b) {
        const double va = criterionValue(a, criterion);
        const double vb = criterionValue(b, criterion);
        if (va != vb)
            return va > vb;
        return a.key < b.key;
    });
}

QStringList CStageQuoteCalculator::marketKeys(const CMarketStore& store, const QString& market)
{
    QStringList out;
    for (const QString& key : store.instrumentKeys()) {
        const auto d = store.instrument(key);
        if (!d || d->kind == "external")
            continue;
        if (!market.isEmpty() && QString::fromStdString(d->market) != market)
            continue;
        out << key;
    }
    return out;
}

QStringList CStageQuoteCalculator::sectorKeys(const CMarketStore& store, const QString& key)
{
    const QString sector = store.sectorOf(key, 1);
    QStringList out;
    if (sector.isEmpty())
        return out;
    const QString index = store.sectorIndexKey(sector);
    for (const QString& k : store.instrumentKeys())
        if (k != index && store.sectorOf(k, 1) == sector)
            out << k;
    return out;
}

} // namespace TC
