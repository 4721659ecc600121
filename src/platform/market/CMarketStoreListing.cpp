// The instrument table printed by `klineview --list`.
#include <algorithm>

#include <boost/thread/locks.hpp>

#include "platform/market/CBarAggregator.h"
#include "platform/market/CLocalTimeConverter.h"
#include "platform/market/CMarketStore.h"

namespace TC {

namespace {

// Columns the terminal shows: East Asian wide characters take two cells.
int displayWidth(const QString& s)
{
    int w = 0;
    for (const QChar c : s) {
        const ushort u = c.unicode();
        const bool wide = (u >= 0x1100 && u <= 0x115F) || (u >= 0x2E80 && u <= 0xA4CF) ||
                          (u >= 0xAC00 && u <= 0xD7A3) || (u >= 0xF900 && u <= 0xFAFF) ||
                          (u >= 0xFE30 && u <= 0xFE4F) || (u >= 0xFF00 && u <= 0xFF60) ||
                          (u >= 0xFFE0 && u <= 0xFFE6);
        w += wide ? 2 : 1;
    }
    return w;
}

QString pad(const QString& s, int width, bool right)
{
    const QString fill(std::max(0, width - displayWidth(s)), QLatin1Char(' '));
    return right ? fill + s : s + fill;
}

} // namespace

QString CMarketStore::listing() const
{
    const QStringList header{QStringLiteral("key"),  QStringLiteral("name"),  QStringLiteral("market"),
                             QStringLiteral("kind"), QStringLiteral("first"), QStringLiteral("last"),
                             QStringLiteral("1m"),   QStringLiteral("day"),   QStringLiteral("week"),
                             QStringLiteral("month")};
    const int numericFrom = 6;
    QVector<QStringList> rows;
    {
        boost::shared_lock<boost::shared_mutex> lock(m_mutex);
        for (auto it = m_data.instruments.cbegin(); it != m_data.instruments.cend(); ++it) {
            const CInstrumentData& inst = *it;
            const auto day = [&](bool last) {
                if (inst.dayBars.isEmpty())
                    return QStringLiteral("-");
                const qint64 t = last ? inst.dayBars.last().time : inst.dayBars.first().time;
                return CLocalTimeConverter::dateOf(t).toString(QStringLiteral("yyyy-MM-dd"));
            };
            rows.append({it.key(), QString::fromStdString(inst.detail.name),
                         QString::fromStdString(inst.detail.market), QString::fromStdString(inst.detail.kind),
                         day(false), day(true), QString::number(inst.minuteBars.size()),
                         QString::number(inst.dayBars.size()),
                         QString::number(CBarAggregator::calendar(inst.dayBars, 604800).size()),
                         QString::number(CBarAggregator::calendar(inst.dayBars, 2592000).size())});
        }
    }
    QVector<int> width(header.size());
    for (int c = 0; c < header.size(); ++c) {
        width[c] = displayWidth(header[c]);
        for (const QStringList& r : qAsConst(rows))
            width[c] = std::max(width[c], displayWidth(r[c]));
    }
    auto line = [&](const QStringList& cells) {
        QStringList out;
        for (int c = 0; c < cells.size(); ++c)
            out.append(pad(cells[c], width[c], c >= numericFrom));
        // No trailing blanks.
        QString s = out.join(QStringLiteral("  "));
        while (s.endsWith(QLatin1Char(' ')))
            s.chop(1);
        return s + QLatin1Char('\n');
    };
    QString text = line(header);
    for (const QStringList& r : qAsConst(rows))
        text += line(r);
    return text;
}

} // namespace TC
