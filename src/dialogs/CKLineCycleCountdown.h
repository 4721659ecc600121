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
// closes ("150 s "). Shown for the 1, 5, 15, 30 and 60 minute periods only;
// any other period hides it and stops its timer. The count resynchronises
// with the clock every ten seconds, so a late timer never drifts.
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
    // The clock read by the countdown (tests pin it).
    void setClock(std::function<QDateTime()> clock);

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
    std::function<QDateTime()> m_clock;
    QColor m_textColor;
    QFont m_font;
};

} // namespace TC
