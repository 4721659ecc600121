#pragma once

#include <QMap>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QVector>

#include "platform/market/CSampleRandom.h"

namespace TC {

class CMarketStore;

// Real-time stand-in: a deterministic tick generator for the instruments
// someone subscribed to.
//
// The simulated clock starts at the end of the store's today(). Every step()
// advances it by 3 to 8 seconds (drawn from the seeded generator); when that
// leaves every session of the subscribed instruments' markets it jumps into
// the next session, or to the first session of the next trading day of the
// Chinese calendar (the store is moved there with setToday). Then every
// subscribed instrument whose market is in session at the clock gets one
// tick: a random walk from its last price, rounded to the price tick and
// kept inside the day's price limits. Its volume follows the instrument's
// intraday profile: the average volume of the same minute of the day over
// its last five days of minute bars (its recent day volume spread evenly
// over the sessions when it has none), pro rata to the step's seconds and
// scattered by +-50 %, in lots of 100; so a live bar trades about what the
// history's bars of that time traded. The tick is written to the store
// (appendTick) and folded into the minute bar it belongs to (the bar ending
// at the first whole minute at or after it: appendMinuteBar opens it,
// updateLastMinuteBar extends it), which keeps the day bar consistent. Then
// sigInstrumentTicked(key) is emitted.
//
// Same seed, same store content and same sequence of subscriptions and steps
// give the same ticks. Instruments whose market has no sessions never tick.
//
// start(intervalMs) / stop() drive step() with a QTimer on the owner's (GUI)
// thread; the simulator is stopped by default, so tests call step() by hand.
// Subscriptions are counted: each subscribe needs its unsubscribe.
class CMarketSimulator : public QObject
{
    Q_OBJECT

public:
    static constexpr quint64 kDefaultSeed = 20240607ULL;

    // null store: the process-wide CMarketStore::instance().
    explicit CMarketSimulator(CMarketStore* store = nullptr, quint64 seed = kDefaultSeed,
                              QObject* parent = nullptr);
    ~CMarketSimulator() override;

    // The process-wide simulator (utils::CSingletonT).
    static CMarketSimulator* instance();

    CMarketStore* store() const { return m_store; }

    // Unknown instruments are accepted and never tick.
    void subscribe(const QString& key);
    void unsubscribe(const QString& key);
    bool isSubscribed(const QString& key) const { return m_subscribers.value(key) > 0; }
    QStringList subscribedKeys() const;

    // One tick per subscribed instrument in session; returns how many ticked
    // (0 without subscriptions: the clock then stands still).
    int step();

    // Simulated time in milliseconds since 1970.
    qint64 clock() const { return m_clockMs; }
    // Moves the clock forward (never back: an earlier time is ignored, so the
    // store's bars stay ascending). A time on a later day than the store's
    // today() rolls the store to that day at the next step when it trades.
    void setClock(qint64 ms);

    void start(int intervalMs);
    void stop();
    bool isRunning() const { return m_timer.isActive(); }

signals:
    // One instrument's tick (and minute bar) was written to the store.
    void sigInstrumentTicked(const QString& key);

private slots:
    void slotTimeout();

private:
    // Moves the clock into a session of a subscribed market; false when no
    // subscribed market has sessions.
    bool advanceClock();
    bool inSession(const QString& market, qint64 ms) const;
    bool tickInstrument(const QString& key);
    // Average volume of the minute bar ending at time tag `barEnd` (seconds).
    double expectedMinuteVolume(const QString& key, qint64 barEnd);

    CMarketStore* m_store;
    CSampleRandom m_random;
    qint64 m_clockMs = 0;
    QMap<QString, int> m_subscribers; // key -> subscription count
    QMap<QString, double> m_lastPrice;
    // Per instrument: average minute volume by minute of the day (bar end).
    QMap<QString, QVector<double>> m_volumeProfile;
    qint64 m_lastStepMs = 5000;
    QTimer m_timer;
};

} // namespace TC
