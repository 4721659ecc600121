#include "platform/market/CMarketSimulator.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "platform/config/CSingletonT.h"
#include "platform/config/QLLog.h"
#include "platform/market/CChinaTradingCalendar.h"
#include "platform/market/CLocalTimeConverter.h"
#include "platform/market/CMarketStore.h"

namespace TC {

namespace {

// The clock moves by 3 to 8 seconds per step.
constexpr qint64 kMinStepMs = 3000;
constexpr int kStepSpreadMs = 5001;
constexpr int kMinutesPerDay = 1440;
// Days of minute bars the intraday volume profile is taken from.
constexpr int kProfileDays = 5;
// Relative standard deviation of one tick's price move.
constexpr double kTickVolatility = 0.0008;

qint64 msAt(const QDate& date, int minuteOfDay)
{
    return CLocalTimeConverter::timeAt(date, minuteOfDay) * 1000;
}

// End of the minute bar a tick belongs to (the first whole minute at or after it), in seconds.
qint64 barEndOf(qint64 ms)
{
    return ((ms + 59999) / 60000) * 60;
}

double roundToTick(double price, double tick)
{
    if (!(tick > 0.0))
        return price;
    return std::round(price / tick) * tick;
}

} // namespace

CMarketSimulator::CMarketSimulator(CMarketStore* store, quint64 seed, QObject* parent)
    : QObject(parent), m_store(store ? store : CMarketStore::instance()), m_random(seed)
{
    // A tick at the open minute would belong to no bar, so the day starts from its end.
    m_clockMs = CLocalTimeConverter::timeAt(m_store->today(), 1440) * 1000 - 1000;
    connect(&m_timer, &QTimer::timeout, this, &CMarketSimulator::slotTimeout);
}

CMarketSimulator::~CMarketSimulator() = default;

CMarketSimulator* CMarketSimulator::instance()
{
    return utils::CSingletonT<CMarketSimulator>::instance();
}

void CMarketSimulator::subscribe(const QString& key)
{
    if (key.isEmpty())
        return;
    ++m_subscribers[key];
}

void CMarketSimulator::unsubscribe(const QString& key)
{
    auto it = m_subscribers.find(key);
    if (it == m_subscribers.end())
        return;
    if (--it.value() <= 0) {
        m_subscribers.erase(it);
        m_lastPrice.remove(key);
    }
}

QStringList CMarketSimulator::subscribedKeys() const
{
    return m_subscribers.keys();
}

void CMarketSimulator::setClock(qint64 ms)
{
    if (ms > m_clockMs)
        m_clockMs = ms;
}

void CMarketSimulator::start(int intervalMs)
{
    m_timer.start(std::max(1, intervalMs));
}

void CMarketSimulator::stop()
{
    m_timer.stop();
}

void CMarketSimulator::slotTimeout()
{
    step();
}

bool CMarketSimulator::inSession(const QString& market, qint64 ms) const
{
    const QDate date = CLocalTimeConverter::dateOf(ms / 1000);
    for (const CTradingSession& s : m_store->sessions(market)) {
        // (open, close]: a trade at the open itself would end a bar before the session.
        if (ms > msAt(date, s.startMinute) && ms <= msAt(date, s.endMinute))
            return true;
    }
    return false;
}

bool CMarketSimulator::advanceClock()
{
    QVector<CTradingSession> sessions;
    QStringList markets;
    for (auto it = m_subscribers.cbegin(); it != m_subscribers.cend(); ++it) {
        const auto detail = m_store->instrument(it.key());
        if (!detail)
            continue;
        const QString market = QString::fromStdString(detail->market);
        if (markets.contains(market))
            continue;
        markets << market;
        sessions += m_store->sessions(market);
    }
    if (sessions.isEmpty())
        return false;
    std::sort(sessions.begin(), sessions.end(), [](const CTradingSession& a, const CTradingSession& b) {
        return a.startMinute < b.startMinute;
    });

    qint64 t = m_clockMs + kMinStepMs + m_random.below(kStepSpreadMs);
    // Bounded: at worst a holiday week plus one session hop per session.
    for (int guard = 0; guard < 64; ++guard) {
        const QDate date = CLocalTimeConverter::dateOf(t / 1000);
        const bool newDay = date > m_store->today();
        if (!newDay || CChinaTradingCalendar::isTradingDay(date)) {
            for (const QString& market : qAsConst(markets)) {
                if (inSession(market, t)) {
                    if (newDay && !m_store->setToday(date))
                        break;
                    m_clockMs = t;
                    return true;
                }
            }
            bool moved = false;
            for (const CTradingSession& s : qAsConst(sessions)) {
                const qint64 open = msAt(date, s.startMinute);
                if (open >= t) {
                    t = open + kMinStepMs + m_random.below(kStepSpreadMs);
                    moved = true;
                    break;
                }
            }
            if (moved)
                continue;
        }
        const QDate next = CChinaTradingCalendar::tradingDayOnOrAfter(date.addDays(1));
        t = msAt(next, sessions.first().startMinute) + kMinStepMs + m_random.below(kStepSpreadMs);
    }
    QLLOG_WARN(qlog::kStdLogger, "no session found after %1%", m_clockMs);
    return false;
}

bool CMarketSimulator::tickInstrument(const QString& key)
{
    const auto detail = m_store->instrument(key);
    if (!detail || !inSession(QString::fromStdString(detail->market), m_clockMs))
        return false;

    const QVector<quoter::CBar> minutes = m_store->minuteBars(key);
    auto priceIt = m_lastPrice.find(key);
    double last = 0.0;
    if (priceIt != m_lastPrice.end())
        last = *priceIt;
    else if (!minutes.isEmpty())
        last = minutes.last().close;
    else {
        const QVector<quoter::CBar> days = m_store->dayBars(key);
        last = days.isEmpty() ? detail->lastClose : days.last().close;
    }
    if (!(last > 0.0) || !std::isfinite(last))
        last = detail->priceTick > 0.0 ? detail->priceTick * 100.0 : 1.0;

    double price = roundToTick(last * (1.0 + kTickVolatility * m_random.normal()), detail->priceTick);
    const double none = std::numeric_limits<double>::max();
    if (detail->upperLimitPrice < none && detail->lowerLimitPrice < none &&
        detail->lowerLimitPrice <= detail->upperLimitPrice)
        price = std::min(std::max(price, detail->lowerLimitPrice), detail->upperLimitPrice);
    if (!(price > 0.0))
        price = detail->priceTick > 0.0 ? detail->priceTick : last;

    quoter::CTick tick;
    tick.timeMs = m_clockMs;
    tick.price = price;
    // Lots of 100, sized so a live minute trades what that minute of the day
    // traded lately (give or take half), not a token amount.
    const double expected = expectedMinuteVolume(key, barEndOf(m_clockMs)) * double(m_lastStepMs) / 60000.0;
    tick.volume = 100.0 * std::max(1.0, std::round(expected * m_random.uniform(0.5, 1.5) / 100.0));
    tick.amount = price * tick.volume;
    if (!m_store->appendTick(key, tick))
        return false;
    m_lastPrice[key] = price;

    const qint64 barEnd = barEndOf(m_clockMs);
    if (!minutes.isEmpty() && minutes.last().time == barEnd) {
        quoter::CBar bar = minutes.last();
        bar.high = std::max(bar.high, price);
        bar.low = std::min(bar.low, price);
        bar.close = price;
        bar.volume += tick.volume;
        bar.amount += tick.amount;
        m_store->updateLastMinuteBar(key, bar);
    } else if (minutes.isEmpty() || minutes.last().time < barEnd) {
        quoter::CBar bar;
        bar.time = barEnd;
        bar.open = bar.high = bar.low = bar.close = price;
        bar.volume = tick.volume;
        bar.amount = tick.amount;
        m_store->appendMinuteBar(key, bar);
    } else {
        QLLOG_WARN(qlog::kStdLogger, "%1% already has bars after %2%; tick kept, bar not touched", key,
                   barEnd);
    }
    emit sigInstrumentTicked(key);
    return true;
}

double CMarketSimulator::expectedMinuteVolume(const QString& key, qint64 barEnd)
{
    auto it = m_volumeProfile.find(key);
    if (it == m_volumeProfile.end()) {
        QVector<double> sum(kMinutesPerDay, 0.0);
        QVector<int> count(kMinutesPerDay, 0);
        double total = 0.0;
        int bars = 0;
        const QVector<quoter::CBar> minutes = m_store->minuteBars(key);
        CLocalTimeConverter converter;
        QDate day;
        int days = 0;
        for (int i = minutes.size() - 1; i >= 0; --i) {
            QDate d;
            int minute = 0;
            converter.split(minutes.at(i).time, d, minute);
            if (d != day) {
                if (++days > kProfileDays)
                    break;
                day = d;
            }
            sum[minute] += minutes.at(i).volume;
            ++count[minute];
            total += minutes.at(i).volume;
            ++bars;
        }
        double fallback = bars > 0 ? total / bars : 0.0;
        if (bars == 0) {
            // No minute history: the recent days' volume spread over the sessions.
            const QVector<quoter::CBar> daysBars = m_store->dayBars(key);
            const auto detail = m_store->instrument(key);
            int sessionMinutes = 0;
            if (detail)
                for (const CTradingSession& s : m_store->sessions(QString::fromStdString(detail->market)))
                    sessionMinutes += s.endMinute - s.startMinute;
            double dayTotal = 0.0;
            int n = 0;
            for (int i = daysBars.size() - 1; i >= 0 && n < 20; --i, ++n)
                dayTotal += daysBars.at(i).volume;
            if (n > 0 && sessionMinutes > 0)
                fallback = dayTotal / n / sessionMinutes;
        }
        QVector<double> profile(kMinutesPerDay, fallback);
        for (int m = 0; m < kMinutesPerDay; ++m)
            if (count[m] > 0)
                profile[m] = sum[m] / count[m];
        it = m_volumeProfile.insert(key, profile);
    }
    QDate d;
    int minute = 0;
    CLocalTimeConverter converter;
    converter.split(barEnd, d, minute);
    return it->value(minute);
}

int CMarketSimulator::step()
{
    const qint64 before = m_clockMs;
    if (m_subscribers.isEmpty() || !advanceClock())
        return 0;
    // Session hops count as one ordinary step of trading.
    m_lastStepMs = std::clamp<qint64>(m_clockMs - before, kMinStepMs, kMinStepMs + kStepSpreadMs - 1);
    int ticked = 0;
    // Listeners may subscribe or unsubscribe while being told.
    const QStringList keys = m_subscribers.keys();
    for (const QString& key : keys) {
        if (m_subscribers.contains(key) && tickInstrument(key))
            ++ticked;
    }
    return ticked;
}

} // namespace TC
