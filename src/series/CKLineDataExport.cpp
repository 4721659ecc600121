#include <QDateTime>
#include <QDir>
#include <QHash>

#include "platform/formula/catalog/CFormulaOperateManager.h"
#include "platform/framework/QWriteFile.h"
#include "platform/market/CStockManager.h"
#include "series/CKLineData.h"

namespace TC {

namespace {

// Adds `volume` to the entry of `key`, keeping the order of first mention.
void accumulate(QVector<QPair<QString, double>>& items, QHash<QString, int>& index, const QString& key, double volume)
{
    auto it = index.constFind(key);
    if (it == index.constEnd()) {
        index.insert(key, items.size());
        items.append({key, volume});
    } else {
        items[it.value()].second += volume;
    }
}

// A formula name or title as one plain file-name part.
QString fileNamePart(QString text)
{
    for (QChar& c : text)
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c == QLatin1Char(':') || c.unicode() < 0x20)
            c = QLatin1Char('_');
    if (text.startsWith(QLatin1Char('.')))
        text.prepend(QLatin1Char('_'));
    return text;
}

} // namespace

bool CKLineData::lastDayTradeItems(TradeDayItems& out) const
{
    const std::vector<se::RPCGroupTrade> trades = groupTrades();
    QDate last;
    for (const se::RPCGroupTrade& t : trades)
        if (t.side == 1 || t.side == -1)
            last = std::max(last, QDateTime::fromSecsSinceEpoch(t.timeTag).date());
    if (!last.isValid())
        return false;
    TradeDayItems items;
    items.day = last;
    QHash<QString, int> boughtIndex, soldIndex, heldIndex;
    QVector<QPair<QString, double>> held;
    for (const se::RPCGroupTrade& t : trades) {
        if (t.side != 1 && t.side != -1)
            continue;
        // Keys may come as "SH_600000": the two parts joined.
        QString key = QString::fromStdString(t.code);
        const QStringList parts = key.split(QLatin1Char('_'));
        if (parts.size() == 2)
            key = parts.join(QString());
        accumulate(held, heldIndex, key, t.side * t.volume);
        if (QDateTime::fromSecsSinceEpoch(t.timeTag).date() != last)
            continue;
        if (t.side == 1)
            accumulate(items.bought, boughtIndex, key, t.volume);
        else
            accumulate(items.sold, soldIndex, key, t.volume);
    }
    for (const auto& h : held)
        if (h.second != 0.0)
            items.held.append(h);
    out = items;
    return true;
}

bool CKLineData::exportTradeDetail(const QString& folder, QString* error) const
{
    TradeDayItems items;
    if (folder.isEmpty() || !lastDayTradeItems(items) || getFormulas().isEmpty())
        return false;
    const auto detail = CFormulaOperateManager::getFormula(getFormulas().first());
    if (!detail)
        return false;
    const auto lines = [](const QVector<QPair<QString, double>>& list, bool sold) {
        QStringList out;
        for (const auto& item : list) {
            const auto stock = CStockManager::getInstrumentDetail(item.first);
            if (!stock)
                continue;
            out << QStringList{QString::fromStdString(stock->code), QString::fromStdString(stock->name),
                               QString::number(item.second, 'g', 15), QStringLiteral("1"),
                               sold ? QStringLiteral("1") : QStringLiteral("0")}
                       .join(QLatin1Char(','));
        }
        return out.join(QLatin1Char('\n'));
    };
    const QString stem = QStringLiteral("%1_%2_%3")
                             .arg(fileNamePart(detail->getName()), fileNamePart(detail->getTitle()),
                                  QDate::currentDate().toString(QStringLiteral("yyyyMMdd")));
    const QDir dir(folder);
    const QPair<QString, QString> files[] = {{QStringLiteral("_buy.csv"), lines(items.bought, false)},
                                             {QStringLiteral("_sell.csv"), lines(items.sold, true)},
                                             {QStringLiteral("_hold.csv"), lines(items.held, false)}};
    for (const auto& f : files)
        if (!QWriteFile(dir.filePath(stem + f.first), f.second, error))
            return false;
    return true;
}

} // namespace TC
