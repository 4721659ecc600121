#include <gtest/gtest.h>

#include <QImage>

#include "dialogs/CKLineCycleCountdown.h"
#include "platform/framework/CUiResource.h"
#include "platform/formula/service/KelvDataSource.h"
#include "platform/market/CStockManager.h"

using TC::CKLineCycleCountdown;

namespace {

// A time inside the morning session of SH600000 on the market's last day.
qint64 sessionTime(int h, int m, int s)
{
    const auto sessions = kelv::getOpenCloseTime(QStringLiteral("SH"), QStringLiteral("600000"));
    const QDate day = QDateTime::fromMSecsSinceEpoch(sessions.value(0).first).date();
    return QDateTime(day, QTime(h, m, s)).toMSecsSinceEpoch();
}

// A countdown on SH600000 whose feed runs and reads `*now` (-1: no feed).
struct Counting {
    qint64 now = sessionTime(10, 7, 30);
    CKLineCycleCountdown w;
    Counting()
    {
        w.setFeedClock([this] { return now; });
        w.setStock(TC::CStockManager::getInstrumentDetail(QStringLiteral("SH600000")));
    }
};

} // namespace

TEST(CycleCountdown, SecondsLeftPerPeriod)
{
    Counting c;
    c.w.setPeriod(300);
    EXPECT_EQ(c.w.remaining(), 150);
    EXPECT_FALSE(c.w.isHidden());
    EXPECT_TRUE(c.w.isCounting());
    c.w.setPeriod(60);
    EXPECT_EQ(c.w.remaining(), 30);
    c.w.setPeriod(900);
    EXPECT_EQ(c.w.remaining(), 450);
    c.w.setPeriod(1800);
    EXPECT_EQ(c.w.remaining(), 22 * 60 + 30);
    c.w.setPeriod(3600);
    EXPECT_EQ(c.w.remaining(), 52 * 60 + 30);
}

TEST(CycleCountdown, OtherPeriodsHideAndStop)
{
    Counting c;
    c.w.setPeriod(300);
    c.w.start(1000);
    EXPECT_TRUE(c.w.isRunning());
    for (int p : {86400, 31536000, 180, 600, 0}) {
        c.w.setPeriod(300);
        c.w.start(1000);
        c.w.setPeriod(p);
        EXPECT_FALSE(c.w.isRunning()) << p;
        EXPECT_TRUE(c.w.isHidden()) << p;
        // Starting it again for such a period keeps it stopped.
        c.w.start(1000);
        EXPECT_FALSE(c.w.isRunning()) << p;
    }
}

TEST(CycleCountdown, HiddenWithoutAFeedOrOutsideTheSessions)
{
    Counting c;
    c.now = -1; // market closed, no feed
    c.w.setPeriod(60);
    c.w.start(1000);
    EXPECT_TRUE(c.w.isHidden());
    EXPECT_FALSE(c.w.isCounting());
    // The timer keeps waiting: the feed starts and the next tick shows it.
    EXPECT_TRUE(c.w.isRunning());
    c.now = sessionTime(10, 7, 30);
    c.w.slotTimeout();
    EXPECT_FALSE(c.w.isHidden());
    EXPECT_EQ(c.w.remaining(), 30);
    // The lunch break and the evening are outside every session.
    for (qint64 t : {sessionTime(12, 0, 0), sessionTime(20, 0, 0), sessionTime(9, 0, 0)}) {
        c.now = t;
        c.w.slotTimeout();
        EXPECT_TRUE(c.w.isHidden());
        EXPECT_FALSE(c.w.isCounting());
    }
    // Without an instrument nothing has sessions.
    CKLineCycleCountdown bare;
    bare.setFeedClock([] { return sessionTime(10, 7, 30); });
    bare.setPeriod(60);
    EXPECT_TRUE(bare.isHidden());
}

TEST(CycleCountdown, FollowsTheFeedClockAtEveryTick)
{
    Counting c;
    c.w.setPeriod(300); // 150 left
    c.now += 1000;
    c.w.slotTimeout();
    EXPECT_EQ(c.w.remaining(), 149);
    // A feed faster than real time (the simulator): the count follows it.
    c.now += 47000;
    c.w.slotTimeout();
    EXPECT_EQ(c.w.remaining(), 102);
    // At the bar's close the next bar's full length shows.
    c.now = sessionTime(10, 10, 0);
    c.w.slotTimeout();
    EXPECT_EQ(c.w.remaining(), 300);
}

TEST(CycleCountdown, TradeTimeFollowsTheInstrumentSessions)
{
    CKLineCycleCountdown w;
    EXPECT_FALSE(w.isTradeTime(QDateTime::currentMSecsSinceEpoch()));
    w.setStock(TC::CStockManager::getInstrumentDetail(QStringLiteral("SH600000")));
    const auto sessions = kelv::getOpenCloseTime(QStringLiteral("SH"), QStringLiteral("600000"));
    ASSERT_FALSE(sessions.isEmpty());
    const auto s = sessions.first();
    EXPECT_TRUE(w.isTradeTime(s.first + 60000));
    EXPECT_FALSE(w.isTradeTime(s.first)); // the open itself is outside
    EXPECT_FALSE(w.isTradeTime(s.second));
}

TEST(CycleCountdown, PaintsTheCountInTheFallColour)
{
    Counting c;
    CKLineCycleCountdown& w = c.w;
    w.setPeriod(300);
    w.resize(50, 60);
    QImage img(w.size(), QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    w.render(&img, QPoint(), QRegion(), QWidget::DrawChildren);
    const QColor fall = KW::CUiResource::instance()->getColor(QStringLiteral("ic_clr_kline_fall"));
    int hits = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const QColor c = img.pixelColor(x, y);
            if (c.alpha() > 200 && qAbs(c.red() - fall.red()) < 40 && qAbs(c.green() - fall.green()) < 40 &&
                qAbs(c.blue() - fall.blue()) < 40)
                ++hits;
        }
    EXPECT_GT(hits, 5);
}
