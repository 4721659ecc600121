#pragma once

#include <functional>
#include <memory>

#include <QDateTime>
#include <QTimer>

#include "kline/IndexKLineViewGlobal.h"
#include "platform/framework/CBaseWidget.h"
#include "platform/market/CInstrumentDetail.h"

namespace TC {

// A pane overlay counting down the seconds until the current intraday bar
// closes ("150 s "). It counts only what it can: the 1, 5, 15, 30 and 60
// minute periods (any other period hides it and stops its timer), and only
// while a feed is running and its time lies inside one of the instrument's
// trading sessions; otherwise it hides and waits, its timer still running,
// so it reappears when the feed starts or the session opens.
//
// The time is the feed's, not the wall clock's: the bars are formed by the
// feed (the market simulator runs faster than real time, a replay at any
// pace), so the count is recomputed from the feed clock at every timeout
// instead of being decremented, which with a real-time feed is the same.
class INDEXKLINEVIEW_EXPORT CKLineCycleCountdown : public KW::CBaseWidget
{
    Q_OBJECT

public:
    explicit CKLineCycleCountdown(QWidget* parent = nullptr);

    void setPeriod(int seconds);
    void setStock(std::shared_ptr<qlservice::CInstrumentDetail> stock);
    void start(int intervalMs);
    void stop();
    // True while `ms` (since 1970) lies strictly inside one of the
    // instrument's trading sessions.
    bool isTradeTime(qint64 ms) const;

    int remaining() const { return m_remaining; }
    int period() const { return m_period; }
    bool isRunning() const { return m_timer.isActive(); }
    // The feed clock: milliseconds since 1970 of the feed forming the bars,
    // or -1 while no feed runs. By default the formula service's market
    // simulator while it runs (tests pin it).
    void setFeedClock(std::function<qint64()> clock);
    // Shown now: a countable period, a running feed, inside a session.
    bool isCounting() const { return m_counting; }
    // Minutes of a period's bar the countdown can count; 0 for any other.
    static int barMinutes(int period);

    void themeChanged() override;

public slots:
    void slotTimeout();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void recompute();

    int m_width = 50;
    QTimer m_timer;
    int m_remaining = 0;
    int m_period = 0;
    std::shared_ptr<qlservice::CInstrumentDetail> m_stock;
    std::function<qint64()> m_feedClock;
    bool m_counting = false;
    QColor m_textColor;
    QFont m_font;
};

} // namespace TC
