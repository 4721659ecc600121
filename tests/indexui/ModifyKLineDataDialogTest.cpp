// Hand corrections of stored bars: the store takes only sound bars, keeps the
// day bar in step with its minutes, and what the dialog writes is what a
// fresh formula request computes from.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "common/PrivateMarket.h"
#include "platform/formula/service/CFormulaManager.h"
#include "platform/framework/CBaseWidget.h"
#include "platform/framework/CEventDeliverer.h"
#include "platform/framework/CMessageBox.h"
#include "platform/indexui/CModifyKLineDataDialog.h"
#include "platform/market/CLocalTimeConverter.h"

using TC::CModifyKLineDataDialog;

namespace {

const QString kKey = QStringLiteral("SH600000");

class ModifyKLine : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { ktest::PrivateMarket::createStore(); }
    static void TearDownTestSuite() { ktest::PrivateMarket::destroyStore(); }
    void SetUp() override
    {
        m_market.attach();
        KW::CMessageBox::setAutoAnswer(QMessageBox::Ok);
    }
    void TearDown() override
    {
        KW::CMessageBox::setAutoAnswer(-1);
        m_market.detach();
    }
    static TC::CMarketStore* store() { return ktest::PrivateMarket::store(); }

    // Close of the bar at `tag` in a fresh KLINE request, day or one-minute.
    static double requestedClose(qint64 periodMs, qint64 tag)
    {
        TC::CFormulaParam p;
        p.market = kKey.left(2);
        p.code = kKey.mid(2);
        p.formula = QStringLiteral("KLINE");
        p.periodMs = periodMs;
        p.drType = 0;
        p.requestId = QStringLiteral("modify|%1|%2").arg(periodMs).arg(tag);
        QVector<TC::CFormulaManager::MetaPtr> metas;
        QVector<TC::CFormulaManager::ResultPtr> results;
        if (!TC::CFormulaManager::instance()->requestFormulasSync({p}, metas, results) || results.isEmpty())
            return -1.0;
        TC::CFormulaManager::instance()->unrequestFormula(p.requestId);
        const se::RPCFormulaResult& r = *results.first();
        const std::vector<double>* close = r.column(3);
        for (int i = 0; close && i < r.barCount(); ++i)
            if (r.times[size_t(i)].timeMs == tag * 1000)
                return (*close)[size_t(i)];
        return -2.0;
    }

    // Opens the dialog on the chart bar with time tag `tag` of a period.
    void open(CModifyKLineDataDialog& d, qint64 periodMs, qint64 tag, bool wasLocked = true)
    {
        d.setStore(store());
        d.setStockInfo(store()->instrument(kKey), 100, periodMs, tag - 86400 * 400, tag + 86400, tag,
                       QDateTime::fromSecsSinceEpoch(tag));
        d.show(wasLocked);
    }

    static void type(CModifyKLineDataDialog& d, CModifyKLineDataDialog::EField f, const QString& text)
    {
        QLineEdit* e = d.field(f);
        e->selectAll();
        QTest::keyClick(e, Qt::Key_Delete);
        QTest::keyClicks(e, text);
    }

    ktest::PrivateMarket m_market;
};

// What the chart's pane delivers to: counts the lock toggles it gets.
class ChartContainer : public KW::CEventDeliverer
{
public:
    int toggles = 0;
    bool handleEvent(int id, int, int, const QString&, void*) override
    {
        toggles += id == 202;
        return true;
    }
};

} // namespace

TEST_F(ModifyKLine, StoreReplacesOnlyExistingSoundBarsAndRebuildsTheDay)
{
    QVector<quoter::CBar> days = store()->dayBars(kKey);
    ASSERT_GT(days.size(), 10);
    quoter::CBar b = days[days.size() - 10];
    const qint64 tag = b.time;
    b.close = b.high; // still inside the range
    b.time = 12345;   // ignored: the tag names the bar
    ASSERT_TRUE(store()->modifyBar(kKey, 86400, tag, b));
    days = store()->dayBars(kKey);
    EXPECT_EQ(days[days.size() - 10].time, tag);
    EXPECT_EQ(days[days.size() - 10].close, b.high);

    QString error;
    quoter::CBar bad = b;
    bad.low = bad.high + 1.0;
    EXPECT_FALSE(store()->modifyBar(kKey, 86400, tag, bad, &error));
    EXPECT_FALSE(error.isEmpty());
    bad = b;
    bad.volume = -1;
    EXPECT_FALSE(store()->modifyBar(kKey, 86400, tag, bad));
    EXPECT_FALSE(store()->modifyBar(kKey, 86400, tag + 3600, b)); // no bar at that time
    EXPECT_FALSE(store()->modifyBar(kKey, 300, tag, b));          // not a stored period
    EXPECT_FALSE(store()->modifyBar(QStringLiteral("XX1"), 86400, tag, b));
    EXPECT_EQ(store()->dayBars(kKey)[days.size() - 10], days[days.size() - 10]);

    // A minute bar: the day bar of its day follows (the new high is the day's high).
    const QVector<quoter::CBar> minutes = store()->minuteBars(kKey);
    ASSERT_GT(minutes.size(), 300);
    quoter::CBar m = minutes[minutes.size() - 100];
    const QDate day = TC::CLocalTimeConverter::dateOf(m.time - 1);
    double dayHigh = 0.0, dayVolume = 0.0;
    for (const quoter::CBar& x : minutes)
        if (TC::CLocalTimeConverter::dateOf(x.time - 1) == day) {
            dayHigh = std::max(dayHigh, x.high);
            dayVolume += x.volume;
        }
    m.high = dayHigh + 5.0;
    m.close = dayHigh + 4.0;
    m.volume += 1000.0;
    ASSERT_TRUE(store()->modifyBar(kKey, 60, m.time, m));
    const qint64 dayTag = TC::CLocalTimeConverter::dayTag(day);
    bool found = false;
    for (const quoter::CBar& d : store()->dayBars(kKey))
        if (d.time == dayTag) {
            found = true;
            EXPECT_DOUBLE_EQ(d.high, dayHigh + 5.0);
            EXPECT_DOUBLE_EQ(d.volume, dayVolume + 1000.0);
        }
    EXPECT_TRUE(found);
}

TEST_F(ModifyKLine, DialogShowsTheDayBarAndOkWritesWhatAFreshRequestComputes)
{
    const QVector<quoter::CBar> days = store()->dayBars(kKey);
    const quoter::CBar before = days[days.size() - 5];
    CModifyKLineDataDialog d(nullptr);
    QSignalSpy spy(&d, &CModifyKLineDataDialog::barModified);
    // A week chart edits the day bar of its bar's day.
    open(d, 604800000, before.time + 9 * 3600);
    EXPECT_EQ(d.windowTitle(), QStringLiteral("修改K线数据"));
    ASSERT_TRUE(d.hasBar());
    EXPECT_EQ(d.storePeriod(), 86400);
    EXPECT_EQ(d.storeTimeTag(), before.time);
    EXPECT_EQ(d.instrumentLabel()->text(), QStringLiteral("SH600000 浦发银行"));
    EXPECT_EQ(d.timeLabel()->text(), QDateTime::fromSecsSinceEpoch(before.time).date().toString(Qt::ISODate));
    EXPECT_EQ(d.field(CModifyKLineDataDialog::Close)->text().toDouble(), before.close);
    EXPECT_EQ(d.field(CModifyKLineDataDialog::Volume)->text().toDouble(), before.volume);

    const double close = before.low + (before.high - before.low) / 4.0;
    const double rounded = QString::number(close, 'f', 2).toDouble();
    type(d, CModifyKLineDataDialog::Close, QString::number(rounded, 'f', 2));
    QTest::mouseClick(d.okButton(), Qt::LeftButton);
    EXPECT_EQ(d.result(), QDialog::Accepted);
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(spy.at(0).at(0).toString(), kKey);
    EXPECT_EQ(spy.at(0).at(1).toLongLong(), before.time);
    EXPECT_DOUBLE_EQ(requestedClose(86400000, before.time), rounded);
    const quoter::CBar after = store()->dayBars(kKey)[days.size() - 5];
    EXPECT_EQ(after.open, before.open);
    EXPECT_EQ(after.high, before.high);
    EXPECT_EQ(after.volume, before.volume);
}

TEST_F(ModifyKLine, MinutePeriodsEditTheMinuteBarOfTheirTime)
{
    const QVector<quoter::CBar> minutes = store()->minuteBars(kKey);
    const quoter::CBar bar = minutes[minutes.size() - 30];
    CModifyKLineDataDialog d(nullptr);
    // A five-minute chart: its bar's tag is the end of its last minute.
    open(d, 300000, bar.time);
    ASSERT_TRUE(d.hasBar());
    EXPECT_EQ(d.storePeriod(), 60);
    EXPECT_EQ(d.storeTimeTag(), bar.time);
    EXPECT_EQ(d.timeLabel()->text(),
              QDateTime::fromSecsSinceEpoch(bar.time).toString(QStringLiteral("yyyy-MM-dd hh:mm")));
    const double close = bar.high; // a close at the high is sound
    type(d, CModifyKLineDataDialog::Close, QString::number(close, 'g', 15));
    type(d, CModifyKLineDataDialog::Open, QString::number(bar.low, 'g', 15));
    QTest::mouseClick(d.okButton(), Qt::LeftButton);
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_DOUBLE_EQ(requestedClose(60000, bar.time), close);

    // The tick chart has no bar to edit: nothing can be confirmed.
    CModifyKLineDataDialog tick(nullptr);
    open(tick, 0, bar.time);
    EXPECT_FALSE(tick.hasBar());
    EXPECT_FALSE(tick.okButton()->isEnabled());
    EXPECT_FALSE(tick.field(CModifyKLineDataDialog::Close)->isEnabled());
}

TEST_F(ModifyKLine, BadEntriesAreRefusedNamingTheFieldAndChangeNothing)
{
    const QVector<quoter::CBar> days = store()->dayBars(kKey);
    const quoter::CBar before = days[days.size() - 3];
    CModifyKLineDataDialog d(nullptr);
    QSignalSpy spy(&d, &CModifyKLineDataDialog::barModified);
    open(d, 86400000, before.time);
    ASSERT_TRUE(d.hasBar());
    struct Case {
        CModifyKLineDataDialog::EField field;
        QString text;
        QString message;
    };
    const QString above = QString::number(std::max(before.open, before.close) + 1.0, 'g', 15);
    const QString below = QString::number(std::min(before.open, before.close) - 1.0, 'g', 15);
    const Case cases[] = {
        {CModifyKLineDataDialog::Open, QStringLiteral("abc"), QStringLiteral("开盘价不是有效的数字")},
        {CModifyKLineDataDialog::Amount, QString(), QStringLiteral("成交额不是有效的数字")},
        {CModifyKLineDataDialog::High, below, QStringLiteral("最高价不能低于开盘价和收盘价")},
        {CModifyKLineDataDialog::Low, above, QStringLiteral("最低价不能高于开盘价和收盘价")},
        {CModifyKLineDataDialog::Low, QStringLiteral("0"), QStringLiteral("最低价必须大于0")},
        {CModifyKLineDataDialog::Volume, QStringLiteral("-1"), QStringLiteral("成交量不能为负数")},
    };
    for (const Case& c : cases) {
        const QString old = d.field(c.field)->text();
        type(d, c.field, c.text);
        const int shown = KW::CMessageBox::shownCount();
        QTest::mouseClick(d.okButton(), Qt::LeftButton);
        EXPECT_EQ(KW::CMessageBox::shownCount(), shown + 1) << c.message.toStdString();
        EXPECT_EQ(KW::CMessageBox::lastText(), c.message);
        EXPECT_TRUE(d.isVisible());
        type(d, c.field, old);
    }
    EXPECT_EQ(spy.count(), 0);
    EXPECT_EQ(store()->dayBars(kKey)[days.size() - 3], before);
    // high == max(open, close) and low == min(open, close) are allowed.
    type(d, CModifyKLineDataDialog::High, QString::number(std::max(before.open, before.close), 'g', 15));
    type(d, CModifyKLineDataDialog::Low, QString::number(std::min(before.open, before.close), 'g', 15));
    QTest::mouseClick(d.okButton(), Qt::LeftButton);
    EXPECT_EQ(spy.count(), 1);
    EXPECT_DOUBLE_EQ(store()->dayBars(kKey)[days.size() - 3].high, std::max(before.open, before.close));
}

TEST_F(ModifyKLine, ClosingUnlocksACursorTheChartLockedForTheEdit)
{
    const qint64 tag = store()->dayBars(kKey).last().time;
    ChartContainer container;
    KW::CBaseWidget chart;
    chart.setUpstream(&container);
    {
        auto* d = new CModifyKLineDataDialog(&chart);
        open(*d, 86400000, tag, false);
        QTest::mouseClick(d->cancelButton(), Qt::LeftButton);
        EXPECT_EQ(container.toggles, 1);
        // Opened again on a cursor the user had locked: stays locked.
        open(*d, 86400000, tag, true);
        QTest::mouseClick(d->cancelButton(), Qt::LeftButton);
        EXPECT_EQ(container.toggles, 1);
        delete d;
    }
}
