#pragma once

#include <QString>
#include <QVector>

#include "platform/market/CBar.h"
#include "platform/market/DividData.h"

namespace TC {

// Ex-rights types (复权类型) of the chart.
enum EDrType {
    DrNone = 0,                // 不复权: raw prices
    DrForward = 1,             // 前复权: earlier prices restated on today's share basis
    DrBackward = 2,            // 后复权: later prices restated on the first day's share basis
    DrProportionalForward = 3, // 等比前复权
    DrProportionalBackward = 4 // 等比后复权
};

// Display name of an ex-rights type ("不复权", "前复权", ...); "" for other values.
QString getDrName(int drType);

// Ex-rights adjustment of bar prices from the instrument's DividData records.
//
// With cash dividend D, bonus shares B, transferred shares T, rights shares R
// at price P (all per share), the ex-rights reference price of a previous
// close C is  X(C) = (C - D + R*P) / (1 + B + T + R).
//  - forward (1): every price before an ex-date goes through X of each later
//    event, earliest first;
//  - backward (2): every price on or after an ex-date goes through the inverse
//    p*(1+B+T+R) + D - R*P of each earlier event, latest first;
//  - proportional forward (3): prices before an ex-date are multiplied by the
//    event's ratio X(C)/C, C being the last raw close before the ex-date;
//  - proportional backward (4): prices on or after it are divided by that ratio.
// Proportional types keep every ratio between two prices of the same segment;
// events without an earlier close do not enter them. Volume and amount are
// left as traded. Records on the same day apply in their order.
class CDividAdjuster
{
public:
    static bool isValidType(int drType) { return drType >= DrNone && drType <= DrProportionalBackward; }

    // X(prevClose) of one event (prevClose itself when the event is degenerate).
    static double exRightsPrice(double prevClose, const quoter::DividData& d);

    // Nearest multiple of `tick` (the price itself when tick is not positive).
    static double roundToTick(double price, double tick);

    // The previous close that the day starting at `dayTag` is measured against:
    // the close of the last day bar before it, carried through the ex-rights
    // events after that bar up to and including the day, rounded to `tick`
    // (the exchange's published reference price on an ex-date); the largest
    // double when no bar precedes the day.
    static double previousClose(const QVector<quoter::CBar>& dayBars,
                                const QVector<quoter::DividData>& divids, qint64 dayTag, double tick);

    // `dayBars` are the instrument's raw day bars (for the closes before each
    // ex-date); `bars` may be day or intraday bars of the same instrument.
    static QVector<quoter::CBar> adjust(const QVector<quoter::CBar>& bars,
                                        const QVector<quoter::DividData>& divids,
                                        const QVector<quoter::CBar>& dayBars, int drType);
};

} // namespace TC
