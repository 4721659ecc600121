#pragma once

#include <functional>

#include <QString>
#include <QStringList>
#include <QVector>

namespace TC {

class CMarketStore;

// Quotes of instruments over a date range, from the store's day bars with
// an ex-rights type, and their ranking by a stage criterion. The host's
// period quote (时段行情) and stage ranking (阶段排序) windows show them.
//
// Over the days from the start date to the end date (both included):
// open of the first day, close of the last, highest high, lowest low,
// summed volume and amount; the change is measured from the close of the
// day before the range (the first day's open when the history starts
// inside the range); turnover = volume / circulating shares, a ratio
// (volumes are in shares; 0 without a share count, as the chart's region
// statistics); amplitude =
// (high - low) / reference; average price = amount / volume (the mean
// close without volume). An instrument without a day in the range is left
// out. Plain value code: any thread.
class CStageQuoteCalculator
{
public:
    struct Row {
        QString key;
        QString name;
        int days = 0;
        double reference = 0.0;
        double open = 0.0;
        double close = 0.0;
        double high = 0.0;
        double low = 0.0;
        double change = 0.0;
        double changePct = 0.0; // a ratio: 0.05 is 5 %
        double volume = 0.0;
        double amount = 0.0;
        double turnover = 0.0; // a ratio, as changePct
        double amplitude = 0.0;
        double average = 0.0;
    };
    struct Request {
        QStringList keys;
        qint64 startSecs = 0; // any time of the first day
        qint64 endSecs = 0;   // any time of the last day
        int drType = 0;
    };
    // Called after each instrument with (done, total); false stops the run.
    using Progress = std::function<bool(int, int)>;

    // False (and `rows` empty) when the progress callback stopped it.
    static bool compute(const CMarketStore& store, const Request& request, QVector<Row>& rows,
                        const Progress& progress = Progress());
    // Whether `row` could be formed for one instrument.
    static bool quoteOf(const CMarketStore& store, const QString& key, const Request& request, Row& row);

    // Criterion ids 0..7 as the stage dialog numbers them: highest, lowest,
    // volume, change, change %, amount, amplitude, average price.
    static double criterionValue(const Row& row, int criterion);
    // Largest value first; equal values in key order.
    static void rank(QVector<Row>& rows, int criterion);

    // The instruments a ranking covers: those of `market` (all markets
    // when empty) external data left out.
    static QStringList marketKeys(const CMarketStore& store, const QString& market);
    // The members of `key`'s level-1 sector (sector indexes left out); empty
    // without a sector.
    static QStringList sectorKeys(const CMarketStore& store, const QString& key);
};

} // namespace TC
