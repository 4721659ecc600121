#include <gtest/gtest.h>

#include <QImage>

#include "dialogs/CKLineCycleCountdown.h"
#include "platform/framework/CUiResource.h"
#include "platform/formula/service/KelvDataSource.h"
#include "platform/market/CStockManager.h"

using TC::CKLineCycleCountdown;

namespace {
std::function<QDateTime()> at(int h, int m, int s)
{
    return [=] { return QDateTime(QDate(2026, 11, 27), QTime(h, m, s)); };
}
} // namespace

TEST(CycleCountdown, SecondsLeftPerPeriod)
{
    CKLineCycleCountdown w;
    w.setClock(at(10, 7, 30));
    w.setPeriod(300);
    EXPECT_EQ(w.remaining(), 150);
    EXPECT_FALSE(w.isHidden());
    w.setPeriod(60);
    EXPECT_EQ(w.remaining(), 30);
    w.setPeriod(900);
    EXPECT_EQ(w.remaining(), 450);
    w.setPeriod(1800);
    EXPECT_EQ(w.remaining(), 22 * 60 + 30);
    w.setPeriod(3600);
    EXPECT_EQ(w.remaining(), 52 * 60 + 30);
}

TEST(CycleCountdown, OtherPeriodsHideAndStop)
{
    CKLineCycleCountdown w;
    w.setClock(at(10, 7, 30));
    w.setPeriod(300);
    w.start(1000);
    EXPECT_TRUE(w.isRunning());
    for (int p : {86400, 180, 600, 0}) {
        w.start(1000);
        w.setPeriod(p);
        EXPECT_FALSE(w.isRunning()) << p;
        EXPECT_TRUE(w.isHidden()) << p;
    }
}

TEST(CycleCountdown, TicksDownAndResynchronisesEveryTenSeconds)
{
    CKLineCycleCountdown w;
    QDateTime now(QDate(2026, 11, 27), QTime(10, 7, 30));
    w.setClock([&] { return now; });
    w.setPeriod(300); // 150 left
    w.slotTimeout();
    EXPECT_EQ(w.remaining(), 149);
    // The clock ran ahead by 5 s; the next multiple of ten resynchronises.
    now = now.addSecs(13);
    for (int i = 0; i < 9; ++i)
        w.slotTimeout();
    EXPECT_EQ(w.remaining(), 140);
    w.slotTimeout(); // 140 is a multiple of 10: recompute (137) then count
    EXPECT_EQ(w.remaining(), 136);
    // At zero the next bar starts.
    now = QDateTime(QDate(2026, 11, 27), QTime(10, 10, 0));
    w.setPeriod(300);
    EXPECT_EQ(w.remaining(), 300);
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
    CKLineCycleCountdown w;
    w.setClock(at(10, 7, 30));
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
