#pragma once

#include <QDate>
#include <QHash>
#include <QString>
#include <QVector>

#include "platform/market/CLocalTimeConverter.h"
#include "platform/market/CMarketData.h"
#include "platform/market/CSampleRandom.h"

namespace TC {

struct CSampleInstrumentProfile;

// Deterministic sample market: the same seed and "today" give bit-identical
// data on every run and in every time zone (times are built from the local
// wall clock of the exchange day). Nothing reads the system clock.
//
// Calendar: CChinaTradingCalendar from 2010-01-04 to today (a day that is not
// a trading day falls back to the trading day before it). Day bars cover the
// whole calendar from each instrument's listing day; the last 20 trading days
// also have one-minute bars inside the sessions, and those days' day bars are
// exactly the aggregation of their minute bars; the last day also has ticks
// (20 per minute, 3 s apart, the last one on the minute's end) whose prices
// reach the minute's open, high, low and close and whose volumes and amounts
// add up to the minute's.
//
// Instruments
// | key         | name          | kind     | type   | tick  | notes                                   |
// |-------------|---------------|----------|--------|-------|-----------------------------------------|
// | SH600519    | 贵州茅台      | stock    | 100001 | 0.01  | large cap; ranking-list days            |
// | SZ000651    | 格力电器      | stock    | 100001 | 0.01  | ex-rights events (cash, bonus, transfer,|
// |             |               |          |        |       | rights issue, one share-reform day)     |
// | SZ000063    | 中兴通讯      | stock    | 100001 | 0.01  | suspended 2018-04-17..2018-06-12 and on |
// |             |               |          |        |       | 2013-05-15, 2016-03-02, 2019-08-15,     |
// |             |               |          |        |       | 2021-11-11 (no bars on those days)      |
// | SH600000    | 浦发银行      | stock    | 100001 | 0.01  | most active; underlying of SH110059     |
// | SH000001    | 上证指数      | index    | 100012 | 0.01  |                                         |
// | SZ399001    | 深证成指      | index    | 100012 | 0.01  |                                         |
// | BKZS801120..| 申万... (12)  | sector   | 100012 | 0.01  | levels 1..3 of every stock's industry   |
// | SH110059    | 浦发转债      | bond     | 10019  | 0.001 | listed 2019-11-15, underlying 600000    |
// | SFrb888     | 螺纹钢主连    | futures  | 0      | 1     | day session only (see below)            |
// | EDM0017126  | SHIBOR隔夜    | external | 0      | 0.001 | daily value, open=high=low=close,       |
// |             |               |          |        |       | volume 0, auxStatus 1                   |
// All four stocks are A shares, hence ranking-list eligible (type 100001);
// only SH600519 has ranking-list records. Price limits: +-10% of the previous
// close for stocks, +-20% for the bond, +-7% for the futures; indexes and
// external data have none. The previous close of an ex-date is the ex-rights
// reference price rounded to the tick (as the exchange publishes it).
//
// Sessions (minutes of the local day): stock markets 09:30-11:30 and
// 13:00-15:00 (240 one-minute bars); futures 09:00-10:15, 10:30-11:30 and
// 13:30-15:00 (225 bars; the night session is not modelled).
//
// Prices follow a geometric random walk with switching trend regimes, GARCH
// volatility clustering, occasional fat-tailed days and a slow pull towards
// each instrument's long-run trend; prices are rounded to the tick and clamped
// to the limits; volumes rise with the size of the move. Stock volumes are in
// shares (multiples of 100), amounts in price x volume.
class CSampleMarketGenerator
{
public:
    static constexpr quint64 kDefaultSeed = 20100104ULL;
    static QDate defaultToday() { return QDate(2026, 11, 27); }
    static constexpr int kMinuteDays = 20;
    static constexpr int kTicksPerMinute = 20;

    static const char* rankListStock() { return "SH600519"; }
    static const char* exRightsStock() { return "SZ000651"; }
    static const char* suspendedStock() { return "SZ000063"; }
    static const char* activeStock() { return "SH600000"; }
    static const char* convertibleBond() { return "SH110059"; }
    static const char* futures() { return "SFrb888"; }
    static const char* externalData() { return "EDM0017126"; }

    // Days without bars of a sample instrument (empty for all but the suspended stock).
    static QVector<QDate> suspensionDays(const QString& key);

    CSampleMarketGenerator(quint64 seed, const QDate& today);

    // Builds the whole sample market.
    CMarketData generate() const;

private:
    struct PathState;

    static const QVector<CSampleInstrumentProfile>& profiles();

    void addCalendars(CMarketData& data, const QVector<QDate>& days) const;
    void generateInstrument(CMarketData& data, const CSampleInstrumentProfile& profile,
                            const QVector<QDate>& calendar) const;
    QVector<quoter::DividData> exRightsEvents(const QVector<QDate>& days, int minuteFrom) const;
    void generateDays(CInstrumentData& inst, const CSampleInstrumentProfile& profile,
                      const QVector<QDate>& days, int minuteFrom, const QVector<CTradingSession>& sessions,
                      CSampleRandom& rng) const;
    void generateMinuteDay(CInstrumentData& inst, const CSampleInstrumentProfile& profile, const QDate& day,
                           PathState& st, const QVector<CTradingSession>& sessions, bool withTicks,
                           CSampleRandom& rng) const;
    void generateTicks(CInstrumentData& inst, const CSampleInstrumentProfile& profile, int firstMinute,
                       CSampleRandom& rng) const;
    void generateExternal(CInstrumentData& inst, const QVector<QDate>& days, CSampleRandom& rng) const;
    void generateRankList(CInstrumentData& inst, CSampleRandom& rng) const;
    void finishDetail(CInstrumentData& inst, double limitPct) const;

    // Local midnight of a day, memoised: every instrument uses the same days.
    qint64 dayTag(const QDate& day) const;

    quint64 m_seed;
    QDate m_today;
    mutable QHash<qint64, qint64> m_dayTags; // julian day -> tag; one generator per thread
    // Cached UTC offsets: without TZ set, each plain local-time conversion
    // re-reads the zone file.
    mutable CLocalTimeConverter m_time;
};

} // namespace TC
