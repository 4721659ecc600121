#pragma once

#include <memory>

#include <boost/thread/shared_mutex.hpp>

#include <QDate>
#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVector>

#include "platform/config/CSingletonT.h"
#include "platform/market/CBar.h"
#include "platform/market/CInstrumentDetail.h"
#include "platform/market/CMarketData.h"
#include "platform/market/CRankListRecord.h"
#include "platform/market/CTick.h"
#include "platform/market/CTradingSession.h"
#include "platform/market/DividData.h"

namespace TC {

// The terminal's market data: instruments, bars, ticks, calendars, sessions,
// ex-rights records, sectors, convertible bonds and ranking lists.
//
// The process-wide store (instance()) is built on first use from the
// deterministic sample market (CSampleMarketGenerator, seed kDefaultSeed,
// today = defaultToday(), which a host may change with setDefaultToday()
// before the first use) plus the real samples under
// TC::CAppConfig::dataDir() + "/real", market "US": "USGOOG" (Google, daily),
// "USFB" (Facebook, daily), "USSPX" (S&P 500, one-minute, session
// 09:30-16:00). A real sample that fails to load is logged and left out.
// Markets without a generated calendar (such as "US") use the days of their
// instruments' day bars as calendar.
//
// Time tags follow quoter::CBar: day bars at local midnight, minute bars at
// their end minute.
//
// Threads: every member may be called from any thread. Reads take the store's
// shared lock, writes its exclusive lock; nothing is handed out by reference:
// vectors come back as copies (Qt's implicit sharing makes that cheap, and a
// later write detaches the store's own copy), instruments as fresh copies of
// the record, so callers may keep and change what they get.
class CMarketStore
{
public:
    static constexpr quint64 kDefaultSeed = 20100104ULL;

    // The last trading day the process-wide store generates (2026-11-27 unless
    // set before the store is first used).
    static QDate defaultToday();
    static void setDefaultToday(const QDate& date);

    // Sample market of kDefaultSeed / defaultToday() plus the real samples.
    CMarketStore();
    CMarketStore(quint64 seed, const QDate& today, bool loadRealSamples = true);
    ~CMarketStore();
    CMarketStore(const CMarketStore&) = delete;
    CMarketStore& operator=(const CMarketStore&) = delete;

    static CMarketStore* instance();

    // --- instruments
    QStringList instrumentKeys() const; // sorted
    bool hasInstrument(const QString& key) const;
    // The store's own key for what a user typed: the exact key when there is
    // one, else the only key equal to it ignoring case (blanks around it are
    // ignored); "" when none or several match. Keys keep the case of their
    // code ("SFrb888"), so a host resolves every typed or saved key here.
    // *matches, when given, receives every key equal to it ignoring case.
    QString resolveKey(const QString& text, QStringList* matches = nullptr) const;
    // A copy of the record; null when unknown.
    std::shared_ptr<qlservice::CInstrumentDetail> instrument(const QString& key) const;

    // --- bars (raw, as traded)
    QVector<quoter::CBar> dayBars(const QString& key) const;
    QVector<quoter::CBar> minuteBars(const QString& key) const;
    QVector<quoter::CTick> ticks(const QString& key) const;

    // Bars of a period in seconds with ex-rights type drType (0 none, 1 forward,
    // 2 backward, 3 proportional forward, 4 proportional backward; another
    // value is logged and treated as 0):
    //   60                      one-minute bars;
    //   any multiple of 60 below 86400 (180, 300, ... 3600) intraday bars cut per
    //                           session (CBarAggregator);
    //   86400                   day bars;
    //   604800, 2592000, 7776000, 15552000, 31536000  week (ISO), month,
    //                           quarter, half-year, year;
    //   10, 11, 13              N days, N hours, N minutes with N = n
    //                           (the three-argument form uses N = 1).
    // n is ignored for the other periods; n < 1 gives nothing. The tick chart
    // (0) has no bars: see ticks(). Unknown keys and periods give nothing.
    QVector<quoter::CBar> bars(const QString& key, qint64 periodSeconds, int drType) const;
    QVector<quoter::CBar> bars(const QString& key, qint64 periodSeconds, int drType, int n) const;

    // The bars of bars(key, periodSeconds, drType, n) whose time is at or
    // after sinceTime, at a cost that follows their number for one-minute,
    // intraday (N minutes, N hours) and day bars (the calendar and N-day
    // periods compute the whole series). *revision, when given, receives the
    // instrument's revision. False when the instrument is unknown, or when
    // with ex-rights (drType != 0) an ex-rights record falls within two days
    // before sinceTime or later, where the adjustment of the bars in
    // question may still move.
    bool barsSince(const QString& key, qint64 periodSeconds, int drType, int n, qint64 sinceTime,
                   QVector<quoter::CBar>& out, quint64* revision = nullptr) const;
    // A number that changes whenever bars of the instrument may have changed
    // other than by the real-time hooks (appendMinuteBar,
    // updateLastMinuteBar, appendTick): a replaced instrument, modifyBar.
    quint64 revision(const QString& key) const;

    QVector<quoter::DividData> dividData(const QString& key) const;
    QVector<CRankListRecord> rankList(const QString& key) const;

    // --- calendars and sessions
    QStringList markets() const; // markets with a calendar or sessions
    QVector<qint64> tradeDates(const QString& market) const;
    // Time tag of the market's last trading day; 0 when unknown.
    qint64 lastTradingDay(const QString& market) const;
    QVector<CTradingSession> sessions(const QString& market) const;
    // The previous close the day is measured against (see
    // CDividAdjuster::previousClose); the largest double when unknown.
    double prevClose(const QString& key, const QDate& day) const;
    // The sample's last trading day (see setToday).
    QDate today() const;

    // --- sectors and convertible bonds
    // Industry sector name of a stock at level 1..3; "" when none.
    QString sectorOf(const QString& key, int level) const;
    // Key of the sector index of a sector name; "" when none.
    QString sectorIndexKey(const QString& sectorName) const;
    // Keys of the convertible bonds issued on a stock.
    QSet<QString> convertibleBonds(const QString& stockKey) const;

    // --- changes
    // Adds an instrument or replaces one with the same key (market + code when
    // the detail's key is empty). Bars must be ascending in time and satisfy
    // low <= open, close <= high with volume >= 0, else nothing changes and
    // false is returned. When only minute bars are given, the day bars are
    // built from them. The market's calendar, unless generated, is extended
    // by the new day bars. lastClose is set from the bars when it is 0.
    bool addInstrument(const qlservice::CInstrumentDetail& detail, const QVector<quoter::CBar>& dayBars,
                       const QVector<quoter::CBar>& minuteBars);

    // Real-time hooks. appendMinuteBar adds a bar later than the last minute
    // bar (else false) and merges it into the day bar of its day, creating
    // that day bar (and the calendar day) when the day is new;
    // updateLastMinuteBar replaces the last minute bar (same time, else false)
    // and recomputes its day bar exactly. Invalid bars (OHLC order, negative
    // volume) are refused.
    bool appendMinuteBar(const QString& key, const quoter::CBar& bar);
    bool updateLastMinuteBar(const QString& key, const quoter::CBar& bar);
    // Appends a tick later than or at the time of the last one.
    bool appendTick(const QString& key, const quoter::CTick& tick);

    // Replaces one raw bar (a user's correction): the day bar (period 86400)
    // or the one-minute bar (period 60) whose time tag is timeTag; the bar's
    // own time is ignored. Changing a minute bar rebuilds its day's day bar
    // from that day's minute bars; changing a day bar leaves the minute bars
    // alone. Every period and ex-rights view reads the new values from then
    // on, and lastClose and price limits follow a changed previous close.
    // False, with the reason in *error and nothing changed, for an unknown
    // key, another period, no bar at that time, or an invalid bar (OHLC
    // order, negative volume, values not finite).
    bool modifyBar(const QString& key, int period, qint64 timeTag, const quoter::CBar& bar,
                   QString* error = nullptr);

    // Starts a new trading day for the real-time simulator: `date` (not before
    // today(), and a trading day of the Chinese calendar when it is later)
    // becomes today() and the last day of every generated calendar; each
    // instrument's lastClose and price limits are then measured from its last
    // close before `date`. Bars of the new day arrive with appendMinuteBar.
    // False (nothing changes) for an invalid, earlier or non-trading date.
    bool setToday(const QDate& date);

    // One line per instrument: key, name, market, kind, first and last day
    // (yyyy-MM-dd), bar counts of 1m, day, week and month, as an aligned table
    // with a header line (for `klineview --list`).
    QString listing() const;

    // Loads the user's own CSV files from `dir` (see CCsvLoader for the file
    // layout). File names: MARKET_CODE[_NAME]_day.csv and MARKET_CODE[_NAME]_1min.csv
    // (e.g. "SH_600036_招商银行_day.csv"); the files of one instrument load
    // together or not at all. Returns one message per instrument that did
    // not load (file, line and column of the first error); they are logged too.
    QStringList loadUserCsvFolder(const QString& dir);
    // Messages of the user files that failed while the process-wide store was
    // built (its folder: TC::CAppConfig::userDataDir() + "/csv").
    QStringList loadErrors() const;

    // A copy of everything (tests compare two stores with it).
    CMarketData snapshot() const;

private:
    void loadRealSamples();
    static bool validBars(const QVector<quoter::CBar>& bars, QString& why);
    void refreshLimits(CInstrumentData& inst, const QDate& day) const;

    mutable boost::shared_mutex m_mutex;
    CMarketData m_data;
    QStringList m_loadErrors;
    QHash<QString, quint64> m_revisions; // see revision()
    quint64 m_revisionClock = 0;
};

} // namespace TC
