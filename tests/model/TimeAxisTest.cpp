// The time axis under the panes and the overview strip: label layouts of the
// typical charts, the drawing rule, pixels, and the overview's curve and years.
#include <gtest/gtest.h>

#include <cfloat>
#include <functional>
#include <vector>

#include <boost/make_shared.hpp>

#include <QImage>
#include <QPainter>
#include <QRegularExpression>

#include "common/TestHelpers.h"
#include "model/CKLineUiParam.h"
#include "platform/framework/CUiResource.h"
#include "platform/indexui/RPCFormulaResultCache.h"
#include "series/CKLineData.h"

using TC::CKLineUiParam;
using TC::CTimeLabel;

namespace {

QColor colour(const char* key)
{
    return KW::CUiResource::instance()->getColor(QLatin1String(key));
}

QFontMetrics axisMetrics()
{
    return QFontMetrics(KW::CUiResource::instance()->getFont(QStringLiteral("fnt_timeline_text_default")));
}

int w6()
{
    return axisMetrics().horizontalAdvance(QStringLiteral("000000"));
}

// One-minute bars of a trading day: 09:31..11:30 and 13:01..15:00.
void appendMinuteDay(QVector<qint64>& tags, const QDate& d)
{
    const QDateTime day(d, QTime(0, 0));
    for (int m = 9 * 60 + 31; m <= 11 * 60 + 30; ++m)
        tags.append(day.addSecs(m * 60).toSecsSinceEpoch());
    for (int m = 13 * 60 + 1; m <= 15 * 60; ++m)
        tags.append(day.addSecs(m * 60).toSecsSinceEpoch());
}

QVector<qint64> weekdays(const QDate& first, const QDate& last)
{
    QVector<qint64> v;
    for (QDate d = first; d <= last; d = d.addDays(1))
        if (d.dayOfWeek() <= 5)
            v.append(QDateTime(d, QTime(0, 0)).toSecsSinceEpoch());
    return v;
}

// A view model showing every bar of `tags` over a plot of `width` pixels.
struct Axis {
    Axis(const QVector<qint64>& tags, qint64 period, int width = 800)
    {
        ui.m_tradeDateList = tags;
        ui.period = period;
        ui.plotWidth = width;
        ui.setMinDispIndex(0);
        ui.setMaxDispIndex(tags.size() - 1);
        rect = QRect(0, 0, width, 30);
    }
    QVector<CTimeLabel> labels() const { return ui.layoutTimeLabels(rect, axisMetrics()); }
    int indexOf(const QDateTime& t) const { return ui.getIndexByTimeTag(int(t.toSecsSinceEpoch())); }

    CKLineUiParam ui;
    QRect rect;
};

int countPriority(const QVector<CTimeLabel>& labels, int priority)
{
    int n = 0;
    for (int k = 1; k < labels.size(); ++k)
        n += labels.at(k).priority == priority;
    return n;
}

} // namespace

TEST(TimeAxis, OneMinuteChartOverTwoDaysShowsTimesAndOneDayLabel)
{
    QVector<qint64> tags;
    appendMinuteDay(tags, QDate(2024, 3, 14));
    appendMinuteDay(tags, QDate(2024, 3, 15));
    Axis a(tags, 60);
    const QVector<CTimeLabel> labels = a.labels();
    ASSERT_GE(labels.size(), 5);

    EXPECT_EQ(labels.first().text, QStringLiteral("2024/03/14"));
    EXPECT_EQ(labels.first().x, a.ui.getXAxisByIndex(0, 0, tags.size() - 1) + 7);
    EXPECT_EQ(labels.first().priority, labels.last().priority);

    const int dayBar = a.indexOf(QDateTime(QDate(2024, 3, 15), QTime(9, 31)));
    int dayLabels = 0;
    static const QRegularExpression hhmm(QStringLiteral("^\\d\\d:\\d\\d$"));
    for (int k = 1; k < labels.size(); ++k) {
        const CTimeLabel& l = labels.at(k);
        if (l.priority == CTimeLabel::Day) {
            ++dayLabels;
            EXPECT_EQ(l.text, QStringLiteral("15"));
            EXPECT_EQ(l.x, a.ui.getXAxisByIndex(dayBar, 0, tags.size() - 1));
            EXPECT_EQ(l.date, QDate(2024, 3, 15));
            EXPECT_EQ(l.secondOfDay, 9 * 3600 + 31 * 60);
            // The day label pushed out any time label closer than W6.
            EXPECT_GE(l.x - labels.at(k - 1).x, w6()) << "label before the day change too close";
        } else {
            EXPECT_EQ(l.priority, CTimeLabel::TimeOfDay);
            EXPECT_TRUE(hhmm.match(l.text).hasMatch()) << qPrintable(l.text);
        }
    }
    EXPECT_EQ(dayLabels, 1);
    EXPECT_EQ(countPriority(labels, CTimeLabel::Month), 0);
    // Time labels never repeat their neighbour's text and keep W6 apart.
    for (int k = 2; k < labels.size(); ++k) {
        if (labels.at(k).priority == CTimeLabel::TimeOfDay &&
            labels.at(k - 1).priority == CTimeLabel::TimeOfDay) {
            EXPECT_NE(labels.at(k).text, labels.at(k - 1).text);
            EXPECT_GE(labels.at(k).x - labels.at(k - 1).x, w6());
        }
    }
}

TEST(TimeAxis, OneMinuteChartAcrossAMonthEndShowsTheMonthDayOnly)
{
    // A month change is no few-days chart: no time labels, one "MM/dd" at the
    // new month, and the first label, now of month level, shows the year.
    QVector<qint64> tags;
    appendMinuteDay(tags, QDate(2024, 2, 29));
    appendMinuteDay(tags, QDate(2024, 3, 1));
    Axis a(tags, 60);
    const QVector<CTimeLabel> labels = a.labels();
    ASSERT_EQ(labels.size(), 2);
    EXPECT_EQ(labels.at(0).text, QStringLiteral("2024"));
    EXPECT_EQ(labels.at(0).priority, CTimeLabel::Month);
    EXPECT_EQ(labels.at(1).text, QStringLiteral("03/01"));
    EXPECT_EQ(labels.at(1).priority, CTimeLabel::Month);
    EXPECT_EQ(labels.at(1).x, a.ui.getXAxisByIndex(a.indexOf(QDateTime(QDate(2024, 3, 1), QTime(9, 31))), 0,
                                                   tags.size() - 1));
}

TEST(TimeAxis, DayChartOverTwoYearsShowsMonthsAndYears)
{
    const QVector<qint64> tags = weekdays(QDate(2022, 6, 1), QDate(2024, 5, 31));
    Axis a(tags, 86400);
    const QVector<CTimeLabel> labels = a.labels();
    ASSERT_GE(labels.size(), 6);
    EXPECT_EQ(labels.first().text, QStringLiteral("2022"));
    EXPECT_EQ(countPriority(labels, CTimeLabel::Day), 0);
    EXPECT_EQ(countPriority(labels, CTimeLabel::TimeOfDay), 0);

    QStringList years;
    static const QRegularExpression mm(QStringLiteral("^\\d\\d$"));
    for (int k = 1; k < labels.size(); ++k) {
        const CTimeLabel& l = labels.at(k);
        if (l.priority == CTimeLabel::Year) {
            years << l.text;
            const int bar = a.indexOf(QDateTime(QDate(l.text.toInt(), 1, 1), QTime(0, 0)));
            EXPECT_EQ(l.x, a.ui.getXAxisByIndex(bar, 0, tags.size() - 1));
            // No month label survives closer than W6 - 3 before a year.
            if (k > 1) {
                EXPECT_GE(l.x - labels.at(k - 1).x, w6() - 3);
            }
        } else {
            EXPECT_EQ(l.priority, CTimeLabel::Month);
            EXPECT_TRUE(mm.match(l.text).hasMatch()) << qPrintable(l.text);
        }
    }
    EXPECT_EQ(years, QStringList({QStringLiteral("2023"), QStringLiteral("2024")}));
}

TEST(TimeAxis, WeeklyChartEndsWithTheYearFirst)
{
    QVector<qint64> tags;
    for (int w = 0; w < 80; ++w)
        tags.append(QDateTime(QDate(2023, 1, 2).addDays(7 * w), QTime(0, 0)).toSecsSinceEpoch());
    Axis a(tags, 604800);
    const QVector<CTimeLabel> labels = a.labels();
    ASSERT_GE(labels.size(), 2);
    EXPECT_EQ(labels.first().text, QStringLiteral("2023"));
    EXPECT_EQ(labels.first().date, QDate(2023, 1, 2));
    EXPECT_EQ(labels.first().priority, labels.last().priority);
}

TEST(TimeAxis, YearlyChartLabelsYears)
{
    QVector<qint64> tags;
    for (int y = 2000; y <= 2020; ++y)
        tags.append(QDateTime(QDate(y, 1, 1), QTime(0, 0)).toSecsSinceEpoch());
    Axis a(tags, 31536000);
    const QVector<CTimeLabel> labels = a.labels();
    ASSERT_GE(labels.size(), 2);
    EXPECT_EQ(labels.first().text, QStringLiteral("2000"));
    EXPECT_EQ(labels.first().priority, CTimeLabel::Year);
    for (const CTimeLabel& l : labels) {
        EXPECT_EQ(l.priority, CTimeLabel::Year);
        EXPECT_EQ(l.text, QString::number(l.date.year()));
    }
}

TEST(TimeAxis, NothingToLayOutForOneBarOrNoWidth)
{
    Axis a(ktest::dailyTags(QDate(2024, 1, 2), 30), 86400);
    a.ui.setMinDispIndex(5);
    a.ui.setMaxDispIndex(5);
    EXPECT_TRUE(a.labels().isEmpty());
    a.ui.setMaxDispIndex(20);
    EXPECT_TRUE(a.ui.layoutTimeLabels(QRect(0, 0, 0, 20), axisMetrics()).isEmpty());
    // A window reaching past the data still lays out (out-of-range bars read
    // as today) without failing.
    a.ui.setMaxDispIndex(60);
    EXPECT_FALSE(a.labels().isEmpty());
}

TEST(TimeAxis, DrawingRuleTestsEachLabelAgainstItsListNeighbour)
{
    const int w4 = 28;
    QVector<CTimeLabel> labels(3);
    labels[0].x = 0;
    labels[1].x = 10;
    labels[2].x = 35;
    // 10 + 28 > 35: the third is hidden although it clears the drawn first.
    EXPECT_EQ(CKLineUiParam::labelsToDraw(labels, w4), QVector<int>({0}));
    labels[2].x = 38;
    EXPECT_EQ(CKLineUiParam::labelsToDraw(labels, w4), QVector<int>({0, 2}));
    EXPECT_TRUE(CKLineUiParam::labelsToDraw({}, w4).isEmpty());
}

TEST(TimeAxis, DrawsTicksAtTheLabelsOverTheBackground)
{
    const QVector<qint64> tags = weekdays(QDate(2022, 6, 1), QDate(2024, 5, 31));
    Axis a(tags, 86400, 600);
    QImage img(600, 40, QImage::Format_ARGB32);
    img.fill(Qt::magenta);
    QRect rect(0, 10, 600, 30);
    {
        QPainter p(&img);
        a.ui.drawTimeline(&p, rect);
    }
    const QRgb bg = colour("ic_clr_kline_timeline_background").rgb();
    const QRgb scale = colour("ic_clr_timeline_time_scale").rgb();
    EXPECT_EQ(img.pixel(5, 5), QColor(Qt::magenta).rgb()) << "drew outside its rectangle";
    const QVector<CTimeLabel> labels = a.ui.layoutTimeLabels(rect, axisMetrics());
    const QVector<int> drawn = CKLineUiParam::labelsToDraw(labels, axisMetrics().horizontalAdvance("0000"));
    ASSERT_GE(drawn.size(), 3);
    for (int k : drawn)
        EXPECT_EQ(img.pixel(labels.at(k).x, rect.top() + 1), scale) << "no tick at label " << k;
    EXPECT_EQ(img.pixel(labels.at(drawn[1]).x + 1, rect.top() + 1), bg);
    EXPECT_EQ(img.pixel(599, 39), bg);

    // One visible bar: background only.
    a.ui.setMaxDispIndex(0);
    img.fill(Qt::magenta);
    {
        QPainter p(&img);
        a.ui.drawTimeline(&p, rect);
    }
    for (int x = 0; x < 600; x += 7)
        EXPECT_EQ(img.pixel(x, rect.top() + 1), bg);
    a.ui.drawTimeline(nullptr, rect); // no painter: nothing, no crash
}

QImage drawAxis(CKLineUiParam& ui, const QSize& size)
{
    QImage img(size, QImage::Format_ARGB32);
    img.fill(Qt::magenta);
    QRect rect(QPoint(0, 0), size);
    QPainter p(&img);
    ui.drawTimeline(&p, rect);
    return img;
}

// A strip drawn over and over by one model (which keeps its last layout)
// looks exactly like one drawn by a model seeing the same state for the
// first time, through every change a chart goes through.
TEST(TimeAxis, ARedrawnStripFollowsEveryChangeOfItsWindow)
{
    QVector<qint64> days = weekdays(QDate(2022, 6, 1), QDate(2024, 5, 31));
    QVector<qint64> minutes;
    appendMinuteDay(minutes, QDate(2024, 5, 30));
    appendMinuteDay(minutes, QDate(2024, 5, 31));

    CKLineUiParam kept;
    kept.m_tradeDateList = days;
    kept.period = 86400;
    kept.plotWidth = 600;
    QSize size(600, 30);
    struct Step {
        const char* what;
        std::function<void()> change;
    };
    const std::vector<Step> steps{
        {"whole history", [&] { kept.setMinDispIndex(0), kept.setMaxDispIndex(days.size() - 1); }},
        {"scrolled one bar", [&] { kept.setMinDispIndex(1), kept.setMaxDispIndex(days.size() - 1); }},
        {"zoomed in", [&] { kept.setMinDispIndex(300), kept.setMaxDispIndex(420); }},
        {"wider plot", [&] { kept.plotWidth = 900; size = QSize(900, 30); }},
        {"plot width alone", [&] { kept.plotWidth = 700; }},
        {"a new bar in place", [&] {
             kept.m_tradeDateList.append(QDateTime(QDate(2024, 6, 3), QTime(0, 0)).toSecsSinceEpoch());
             kept.setMaxDispIndex(kept.m_tradeDateList.size() - 1);
             kept.setMinDispIndex(kept.m_tradeDateList.size() - 121);
         }},
        {"last bar's time replaced", [&] {
             kept.m_tradeDateList.last() = QDateTime(QDate(2024, 7, 1), QTime(0, 0)).toSecsSinceEpoch();
         }},
        {"one-minute bars", [&] {
             kept.m_tradeDateList = minutes;
             kept.period = 60;
             kept.setMinDispIndex(0);
             kept.setMaxDispIndex(minutes.size() - 1);
         }},
        {"same window, other period", [&] { kept.period = 300; }},
        {"option overlay past the last bar", [&] {
             kept.optionExpectMode = 1;
             kept.setMaxDispIndex(minutes.size() + 5);
         }},
    };
    for (const Step& step : steps) {
        step.change();
        const QImage first = drawAxis(kept, size);
        EXPECT_EQ(drawAxis(kept, size), first) << step.what << ": a repaint differs";
        CKLineUiParam fresh;
        fresh.m_tradeDateList = kept.m_tradeDateList;
        fresh.period = kept.period;
        fresh.plotWidth = kept.plotWidth;
        fresh.optionExpectMode = kept.optionExpectMode;
        fresh.setMinDispIndex(kept.getMinDispIndex());
        fresh.setMaxDispIndex(kept.getMaxDispIndex());
        EXPECT_EQ(first, drawAxis(fresh, size)) << step.what;
    }
}

// ---------------------------------------------------------------------------
// Overview strip

namespace {

// A series holding one K-line-like result of the base instrument.
class OverviewSeries : public TC::CKLineData
{
public:
    using TC::CKLineData::CKLineData;
    void put(const QVector<double>& closes, const QVector<qint64>& tags)
    {
        auto meta = std::make_shared<se::RPCFormulaMetaResult>();
        meta->formulaName = "KLINE";
        meta->names = {"KLINE"};
        meta->styles = {0};
        meta->colors = {se::RPCFormulaMetaResult::kDefaultColor};
        meta->columns = {{0, 1, 2, 3}};
        meta->outputInts = {0};
        meta->nameGroups = {{"OPEN", "HIGH", "LOW", "CLOSE"}};
        auto r = std::make_shared<se::RPCFormulaResult>();
        r->values.assign(4, {});
        r->columnMap = {{0, 0}, {1, 1}, {2, 2}, {3, 3}};
        for (int i = 0; i < tags.size(); ++i) {
            r->times.push_back({tags[i] * 1000, 0});
            for (int v = 0; v < 4; ++v)
                r->values[size_t(v)].push_back(closes[i]);
            r->barFlags.push_back(1);
        }
        r->outputInts = {1};
        setMainGraph(QStringLiteral("KLINE"));
        m_data.insert(TC::CFormulaKey(baseKey(), QStringLiteral("KLINE")),
                      TC::RPCFormulaResultCache(*meta, *r));
    }
};

struct Overview {
    explicit Overview(int years = 3)
    {
        ui = boost::make_shared<CKLineUiParam>();
        for (QDate d(2021, 1, 1); d < QDate(2021 + years, 1, 1); d = d.addDays(1))
            ui->m_tradeDateList.append(QDateTime(d, QTime(0, 0)).toSecsSinceEpoch());
        ui->actualStart = 0;
        ui->actualEnd = ui->m_tradeDateList.size() - 1;
        series = boost::make_shared<OverviewSeries>(ui);
        QVector<double> closes;
        for (int i = 0; i < ui->m_tradeDateList.size(); ++i)
            closes.append(10.0 + i);
        series->put(closes, ui->m_tradeDateList);
    }
    QImage draw(const QRect& rect, bool yearsOnly = false)
    {
        QImage img(rect.right() + 1, rect.bottom() + 1, QImage::Format_ARGB32);
        img.fill(Qt::magenta);
        QPainter p(&img);
        if (yearsOnly)
            series->drawYearLabels(p, rect);
        else
            series->drawTimelineOverview(p, rect);
        return img;
    }
    int barOf(const QDate& d) const
    {
        return ui->getIndexByTimeTag(int(QDateTime(d, QTime(0, 0)).toSecsSinceEpoch()));
    }
    boost::shared_ptr<CKLineUiParam> ui;
    boost::shared_ptr<OverviewSeries> series;
};

bool inkInColumns(const QImage& img, int x0, int x1, int y0, int y1, QRgb background)
{
    for (int x = std::max(0, x0); x <= x1 && x < img.width(); ++x)
        for (int y = y0; y <= y1; ++y)
            if (img.pixel(x, y) != background)
                return true;
    return false;
}

} // namespace

TEST(TimeAxisOverview, FillsTheCloseCurveOverTheBackground)
{
    Overview o;
    const QRect rect(0, 20, 300, 40);
    const QImage img = o.draw(rect);
    const QRgb content = colour("ic_clr_timeline_overview_content").rgb();
    const QRgb background = colour("ic_clr_timeline_overview_background").rgb();
    EXPECT_EQ(img.pixel(5, 5), QColor(Qt::magenta).rgb());
    // Rising closes: low on the left, high on the right.
    EXPECT_EQ(img.pixel(150, 57), content);
    EXPECT_EQ(img.pixel(290, 25), content);
    EXPECT_EQ(img.pixel(3, 22), background);
    EXPECT_EQ(img.pixel(60, 22), background);
    // The overview is of the whole history: the region around the window
    // (the time line's overview region) changes nothing of it.
    o.ui->overviewStart = 500;
    o.ui->overviewEnd = 600;
    EXPECT_EQ(o.draw(rect), img);
}

TEST(TimeAxisOverview, EmptyInputDrawsTheBackgroundOnly)
{
    const QRect rect(0, 0, 200, 40);
    const QRgb background = colour("ic_clr_timeline_overview_background").rgb();
    auto onlyBackground = [&](const QImage& img) {
        for (int x = 0; x < 200; x += 5)
            for (int y = 0; y < 40; y += 5)
                if (img.pixel(x, y) != background)
                    return false;
        return true;
    };
    {
        Overview o;
        o.ui->actualEnd = 0;
        EXPECT_TRUE(onlyBackground(o.draw(rect)));
        o.ui->actualEnd = 100;
        o.ui->actualStart = -1;
        EXPECT_TRUE(onlyBackground(o.draw(rect)));
    }
    {
        Overview o;
        o.series->setMainGraph(QStringLiteral("MA")); // no such entry
        EXPECT_TRUE(onlyBackground(o.draw(rect)));
    }
    {
        // A range past the data and a flat history: drawn, no crash.
        Overview o(1);
        o.ui->actualEnd = 5000;
        QVector<double> flat(o.ui->m_tradeDateList.size(), 7.0);
        o.series->put(flat, o.ui->m_tradeDateList);
        // 365 bars of a 5001-bar range take the first 14 pixels, mid-strip.
        const QImage img = o.draw(rect);
        EXPECT_EQ(img.pixel(4, 35), colour("ic_clr_timeline_overview_content").rgb());
        EXPECT_EQ(img.pixel(4, 12), colour("ic_clr_timeline_overview_background").rgb());
    }
}

TEST(TimeAxisOverview, YearLabelsStandAtTheFirstBarOfEachYear)
{
    Overview o;
    const QRect rect(0, 0, 300, 40);
    const QImage img = o.draw(rect, true);
    const QRgb none = QColor(Qt::magenta).rgb();
    const double spacing = 300.0 / double(o.ui->actualEnd + 1);
    const int x2022 = int(o.barOf(QDate(2022, 1, 1)) * spacing + 5.0);
    const int x2023 = int(o.barOf(QDate(2023, 1, 1)) * spacing + 5.0);
    const int textWidth =
        QFontMetrics(KW::CUiResource::instance()->getFont(QStringLiteral("fnt_default_normal")))
            .horizontalAdvance("2021");
    EXPECT_TRUE(inkInColumns(img, 5, 5 + textWidth, 0, 39, none));
    EXPECT_TRUE(inkInColumns(img, x2022, x2022 + textWidth, 0, 39, none));
    EXPECT_TRUE(inkInColumns(img, x2023, x2023 + textWidth, 0, 39, none));
    // Nothing between the labels, nothing left of the first one.
    EXPECT_FALSE(inkInColumns(img, 5 + textWidth + 2, x2022 - 2, 0, 39, none));
    EXPECT_FALSE(inkInColumns(img, x2022 + textWidth + 2, x2023 - 2, 0, 39, none));
    EXPECT_FALSE(inkInColumns(img, 0, 3, 0, 39, none));
}
