// Price paths of the sample market: day bars, one-minute bars and ticks.
#include <algorithm>
#include <cmath>

#include "platform/market/CBarAggregator.h"
#include "platform/market/CDividAdjuster.h"
#include "platform/market/CLocalTimeConverter.h"
#include "platform/market/CSampleInstrumentProfile.h"
#include "platform/market/CSampleMarketGenerator.h"

namespace TC {

struct CSampleMarketGenerator::PathState {
    double prevClose = 0.0;
    double sigma2 = 0.0;    // conditional variance of the daily log return
    double regime = 0.0;    // -1 down trend, 0 range, +1 up trend
    int regimeLeft = 0;     // days until the next regime draw
    double logTarget = 0.0; // long-run trend of the adjusted log price
    double cumAdj = 0.0;    // sum of log ex-rights ratios so far
    // The current day:
    double base = 0.0; // previous close (ex-rights reference price on an ex-date)
    double mu = 0.0;   // expected log return
    double sigma = 0.0;
    double upper = 0.0; // price limits; 0 when none
    double lower = 0.0;
};

namespace {

constexpr double kGarchAlpha = 0.08;
constexpr double kGarchBeta = 0.90;

double fatNormal(CSampleRandom& rng)
{
    const double z = rng.normal();
    return rng.uniform() < 0.03 ? z * 2.5 : z;
}

} // namespace

void CSampleMarketGenerator::generateDays(CInstrumentData& inst, const CSampleInstrumentProfile& profile,
                                          const QVector<QDate>& days, int minuteFrom,
                                          const QVector<CTradingSession>& sessions, CSampleRandom& rng) const
{
    const double tick = profile.tick;
    auto clampPrice = [&](double p, const PathState& st) {
        if (st.upper > 0.0)
            p = std::min(std::max(p, st.lower), st.upper);
        return std::max(CDividAdjuster::roundToTick(p, tick), tick);
    };

    PathState st;
    st.prevClose = profile.start;
    st.sigma2 = profile.vol * profile.vol;
    st.logTarget = std::log(profile.start);
    const double dailyDrift = profile.drift / 244.0;
    int divIdx = 0;
    inst.dayBars.reserve(days.size());

    for (int i = 0; i < days.size(); ++i) {
        const QDate& day = days[i];
        const qint64 tag = dayTag(day);

        // Previous close, through the ex-rights events of the day.
        double base = st.prevClose;
        bool exDay = false;
        while (divIdx < inst.divids.size() && inst.divids[divIdx].time / 1000 <= tag) {
            quoter::DividData& dv = inst.divids[divIdx++];
            if (dv.rightsPrice < 0.0)
                dv.rightsPrice = CDividAdjuster::roundToTick(base * 0.8, 0.01);
            const double x = CDividAdjuster::exRightsPrice(base, dv);
            st.cumAdj += std::log(x / base);
            base = x;
            exDay = true;
        }
        st.base = exDay ? CDividAdjuster::roundToTick(base, tick) : base;
        if (profile.limit > 0.0) {
            st.upper = CDividAdjuster::roundToTick(st.base * (1.0 + profile.limit), tick);
            st.lower = std::max(CDividAdjuster::roundToTick(st.base * (1.0 - profile.limit), tick), tick);
        }

        // Trend regime and volatility of the day.
        st.logTarget += dailyDrift;
        if (--st.regimeLeft <= 0) {
            st.regimeLeft = 40 + rng.below(200);
            const double r = rng.uniform();
            st.regime = r < 0.3 ? -1.0 : (r < 0.65 ? 0.0 : 1.0);
        }
        st.sigma = std::min(std::sqrt(st.sigma2), profile.vol * 4.0);
        const double adjLog = std::log(st.base) - st.cumAdj;
        st.mu = st.regime * profile.vol * 0.06 + (st.logTarget - adjLog) * 0.004;

        if (i >= minuteFrom) {
            generateMinuteDay(inst, profile, day, st, sessions, i == days.size() - 1, rng);
        } else {
            quoter::CBar bar;
            bar.time = tag;
            const double ret = st.mu + st.sigma * fatNormal(rng);
            bar.open = clampPrice(st.base * std::exp(st.sigma * 0.3 * rng.normal()), st);
            bar.close = clampPrice(st.base * std::exp(ret), st);
            bar.high = clampPrice(
                std::max(bar.open, bar.close) * std::exp(std::fabs(rng.normal()) * st.sigma * 0.45), st);
            bar.low = clampPrice(
                std::min(bar.open, bar.close) * std::exp(-std::fabs(rng.normal()) * st.sigma * 0.45), st);
            bar.high = std::max({bar.high, bar.open, bar.close});
            bar.low = std::min({bar.low, bar.open, bar.close});
            const double moveFactor = 0.7 + 0.6 * std::fabs(ret) / profile.vol;
            const double lots = std::max(
                20.0, std::round(profile.volume * std::exp(0.3 * rng.normal()) * moveFactor / profile.lot));
            bar.volume = lots * profile.lot;
            bar.amount = bar.volume * (bar.open + bar.high + bar.low + bar.close) / 4.0;
            inst.dayBars.append(bar);
        }

        const double realized = std::log(inst.dayBars.last().close / st.base);
        const double longRun = profile.vol * profile.vol * (1.0 - kGarchAlpha - kGarchBeta);
        st.sigma2 = longRun + kGarchAlpha * realized * realized + kGarchBeta * st.sigma2;
        st.prevClose = inst.dayBars.last().close;
    }
}

void CSampleMarketGenerator::generateMinuteDay(CInstrumentData& inst, const CSampleInstrumentProfile& profile,
                                               const QDate& day, PathState& st,
                                               const QVector<CTradingSession>& sessions, bool withTicks,
                                               CSampleRandom& rng) const
{
    const double tick = profile.tick;
    auto clampPrice = [&](double p) {
        if (st.upper > 0.0)
            p = std::min(std::max(p, st.lower), st.upper);
        return std::max(CDividAdjuster::roundToTick(p, tick), tick);
    };
    int total = 0;
    for (const CTradingSession& s : sessions)
        total += s.endMinute - s.startMinute;
    if (total <= 0)
        return;

    // U-shaped intraday activity: busy after the open and before the close.
    QVector<double> weight(total);
    double sumSq = 0.0;
    double sum = 0.0;
    for (int k = 0; k < total; ++k) {
        weight[k] = 1.0 + 1.2 * std::exp(-k / 15.0) + 0.8 * std::exp(-(total - 1 - k) / 15.0);
        sumSq += weight[k] * weight[k];
        sum += weight[k];
    }
    const double sigmaScale = st.sigma / std::sqrt(sumSq);
    const double dayVolume = profile.volume * std::exp(0.3 * rng.normal());

    const int firstMinute = inst.minuteBars.size();
    double p = clampPrice(st.base * std::exp(st.sigma * 0.3 * rng.normal()));
    double prevClose = p;
    int k = 0;
    for (const CTradingSession& s : sessions) {
        const qint64 sessionStart = m_time.localTime(day, s.startMinute);
        for (int j = 0; j < s.endMinute - s.startMinute; ++j, ++k) {
            const double sk = sigmaScale * weight[k];
            p = p * std::exp(st.mu / total + sk * fatNormal(rng));
            if (st.upper > 0.0)
                p = std::min(std::max(p, st.lower), st.upper);
            quoter::CBar bar;
            bar.time = sessionStart + qint64(j + 1) * 60;
            bar.open = prevClose;
            bar.close = clampPrice(p);
            bar.high =
                clampPrice(std::max(bar.open, bar.close) * std::exp(std::fabs(rng.normal()) * sk * 0.6));
            bar.low =
                clampPrice(std::min(bar.open, bar.close) * std::exp(-std::fabs(rng.normal()) * sk * 0.6));
            bar.high = std::max({bar.high, bar.open, bar.close});
            bar.low = std::min({bar.low, bar.open, bar.close});
            const double lots =
                std::max(double(kTicksPerMinute), std::round(dayVolume * weight[k] / sum *
                                                             std::exp(0.25 * rng.normal()) / profile.lot));
            bar.volume = lots * profile.lot;
            bar.amount = bar.volume * (bar.open + bar.high + bar.low + bar.close) / 4.0;
            inst.minuteBars.append(bar);
            prevClose = bar.close;
        }
    }
    if (withTicks)
        generateTicks(inst, profile, firstMinute, rng);

    // The day bar is the aggregation of the day's minute bars.
    quoter::CBar dayBar = inst.minuteBars[firstMinute];
    for (int i = firstMinute + 1; i < inst.minuteBars.size(); ++i)
        CBarAggregator::merge(dayBar, inst.minuteBars[i]);
    dayBar.time = dayTag(day);
    inst.dayBars.append(dayBar);
}

void CSampleMarketGenerator::generateTicks(CInstrumentData& inst, const CSampleInstrumentProfile& profile,
                                           int firstMinute, CSampleRandom& rng) const
{
    const int n = kTicksPerMinute;
    QVector<double> price(n);
    QVector<double> share(n);
    inst.ticks.reserve(inst.ticks.size() + (inst.minuteBars.size() - firstMinute) * n);
    for (int m = firstMinute; m < inst.minuteBars.size(); ++m) {
        quoter::CBar& bar = inst.minuteBars[m];
        // Prices: the first is the open, the last the close, two others reach
        // the high and the low, the rest fall between them.
        for (int i = 0; i < n; ++i)
            price[i] = CDividAdjuster::roundToTick(rng.uniform(bar.low, bar.high), profile.tick);
        price[0] = bar.open;
        price[n - 1] = bar.close;
        const int ih = 1 + rng.below(n - 2);
        int il = 1 + rng.below(n - 2);
        if (il == ih)
            il = ih == 1 ? 2 : ih - 1;
        price[ih] = bar.high;
        price[il] = bar.low;

        // Volumes: one lot each, the rest spread at random; they add up exactly.
        const qint64 lots = qint64(std::llround(bar.volume / profile.lot));
        const qint64 extra = std::max<qint64>(0, lots - n);
        double wsum = 0.0;
        for (int i = 0; i < n; ++i) {
            share[i] = rng.uniform(0.2, 1.8);
            wsum += share[i];
        }
        qint64 given = 0;
        bar.amount = 0.0;
        for (int i = 0; i < n; ++i) {
            qint64 add = i == n - 1 ? extra - given : qint64(std::floor(extra * share[i] / wsum));
            given += add;
            quoter::CTick t;
            t.timeMs = (bar.time - 60 + qint64(3 * (i + 1))) * 1000;
            t.price = price[i];
            t.volume = double(1 + add) * profile.lot;
            t.amount = t.price * t.volume;
            bar.amount += t.amount;
            inst.ticks.append(t);
        }
    }
}

void CSampleMarketGenerator::generateExternal(CInstrumentData& inst, const QVector<QDate>& days,
                                              CSampleRandom& rng) const
{
    // A money-market rate in percent: mean-reverting with rare spikes.
    double v = 2.0;
    inst.dayBars.reserve(days.size());
    for (const QDate& day : days) {
        v += 0.05 * (2.0 - v) + 0.03 * rng.normal();
        if (rng.uniform() < 0.01)
            v += rng.uniform(0.3, 1.5);
        v = std::max(v, 0.3);
        quoter::CBar bar;
        bar.time = dayTag(day);
        bar.open = bar.high = bar.low = bar.close = CDividAdjuster::roundToTick(v, 0.001);
        inst.dayBars.append(bar);
    }
}

} // namespace TC
