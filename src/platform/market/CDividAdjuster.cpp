#include "platform/market/CDividAdjuster.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace TC {

namespace {

// p -> a*p + b
struct Affine {
    double a = 1.0;
    double b = 0.0;
    double apply(double p) const { return a * p + b; }
};

struct Event {
    qint64 start = 0; // ex-date in seconds: bars at or after it are on the new share basis
    double shares = 0.0;
    const quoter::DividData* data = nullptr;
    double ratio = 0.0; // X(C)/C; 0 when no close precedes the event
};

void applyTo(quoter::CBar& bar, const Affine& f)
{
    bar.open = f.apply(bar.open);
    bar.high = f.apply(bar.high);
    bar.low = f.apply(bar.low);
    bar.close = f.apply(bar.close);
}

} // namespace

QString getDrName(int drType)
{
    switch (drType) {
    case DrNone:
        return QStringLiteral("不复权");
    case DrForward:
        return QStringLiteral("前复权");
    case DrBackward:
        return QStringLiteral("后复权");
    case DrProportionalForward:
        return QStringLiteral("等比前复权");
    case DrProportionalBackward:
        return QStringLiteral("等比后复权");
    default:
        return QString();
    }
}

double CDividAdjuster::exRightsPrice(double prevClose, const quoter::DividData& d)
{
    const double base = 1.0 + d.bonusShares + d.transferShares + d.rightsShares;
    if (!(base > 0.0))
        return prevClose;
    return (prevClose - d.cashDividend + d.rightsShares * d.rightsPrice) / base;
}

double CDividAdjuster::roundToTick(double price, double tick)
{
    if (!(tick > 0.0) || !std::isfinite(price))
        return price;
    return double(std::llround(price / tick)) * tick;
}

double CDividAdjuster::previousClose(const QVector<quoter::CBar>& dayBars,
                                     const QVector<quoter::DividData>& divids, qint64 dayTag, double tick)
{
    auto it = std::lower_bound(dayBars.begin(), dayBars.end(), dayTag,
                               [](const quoter::CBar& b, qint64 t) { return b.time < t; });
    if (it == dayBars.begin())
        return std::numeric_limits<double>::max();
    const qint64 lastBar = (it - 1)->time;
    double close = (it - 1)->close;
    bool adjusted = false;
    for (const quoter::DividData& d : divids) {
        const qint64 t = d.time / 1000;
        if (t > lastBar && t <= dayTag) {
            close = exRightsPrice(close, d);
            adjusted = true;
        }
    }
    return adjusted ? roundToTick(close, tick) : close;
}

QVector<quoter::CBar> CDividAdjuster::adjust(const QVector<quoter::CBar>& bars,
                                             const QVector<quoter::DividData>& divids,
                                             const QVector<quoter::CBar>& dayBars, int drType)
{
    if (drType == DrNone || !isValidType(drType) || divids.isEmpty() || bars.isEmpty())
        return bars;

    QVector<Event> events;
    events.reserve(divids.size());
    for (const quoter::DividData& d : divids) {
        Event e;
        e.start = d.time / 1000;
        e.shares = 1.0 + d.bonusShares + d.transferShares + d.rightsShares;
        e.data = &d;
        if (e.shares > 0.0)
            events.append(e);
    }
    std::stable_sort(events.begin(), events.end(),
                     [](const Event& x, const Event& y) { return x.start < y.start; });

    // Ratios of the proportional types: the close before the first event of a
    // day, then the reference price of the previous record of the same day.
    double sameDayBasis = 0.0;
    for (int i = 0; i < events.size(); ++i) {
        Event& e = events[i];
        double close = 0.0;
        if (i > 0 && events[i - 1].start == e.start) {
            close = sameDayBasis;
        } else {
            auto it = std::lower_bound(dayBars.begin(), dayBars.end(), e.start,
                                       [](const quoter::CBar& b, qint64 t) { return b.time < t; });
            if (it != dayBars.begin())
                close = (it - 1)->close;
        }
        const double x = exRightsPrice(close, *e.data);
        e.ratio = close > 0.0 && x > 0.0 ? x / close : 0.0;
        sameDayBasis = x;
    }

    // segment[j]: transform of bars with events[j-1].start <= time < events[j].start
    const int n = events.size();
    QVector<Affine> segment(n + 1);
    if (drType == DrForward || drType == DrProportionalForward) {
        // Bars before event j pass through events j..n-1, earliest first.
        for (int j = n - 1; j >= 0; --j) {
            const Event& e = events[j];
            Affine t;
            if (drType == DrForward) {
                t.a = 1.0 / e.shares;
                t.b = (e.data->rightsShares * e.data->rightsPrice - e.data->cashDividend) / e.shares;
            } else if (e.ratio > 0.0) {
                t.a = e.ratio;
            }
            const Affine& later = segment[j + 1];
            segment[j].a = later.a * t.a;
            segment[j].b = later.a * t.b + later.b;
        }
    } else {
        // Bars on or after event j-1 pass through the inverses of events j-1..0, latest first.
        for (int j = 1; j <= n; ++j) {
            const Event& e = events[j - 1];
            Affine u;
            if (drType == DrBackward) {
                u.a = e.shares;
                u.b = e.data->cashDividend - e.data->rightsShares * e.data->rightsPrice;
            } else if (e.ratio > 0.0) {
                u.a = 1.0 / e.ratio;
            }
            const Affine& earlier = segment[j - 1];
            segment[j].a = earlier.a * u.a;
            segment[j].b = earlier.a * u.b + earlier.b;
        }
    }

    QVector<quoter::CBar> out = bars;
    int j = 0;
    for (quoter::CBar& bar : out) {
        while (j < n && bar.time >= events[j].start)
            ++j;
        const Affine& f = segment[j];
        if (f.a != 1.0 || f.b != 0.0)
            applyTo(bar, f);
    }
    return out;
}

} // namespace TC
