#include "platform/market/CSampleMarketGenerator.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "platform/market/CChinaTradingCalendar.h"
#include "platform/market/CDividAdjuster.h"
#include "platform/market/CLocalTimeConverter.h"
#include "platform/market/CSampleInstrumentProfile.h"

namespace TC {

namespace {

const QVector<CTradingSession>& stockSessions()
{
    static const QVector<CTradingSession> s{{570, 690}, {780, 900}};
    return s;
}

const QVector<CTradingSession>& futuresSessions()
{
    static const QVector<CTradingSession> s{{540, 615}, {630, 690}, {810, 900}};
    return s;
}

} // namespace

// Instruments of the sample, in generation order.
const QVector<CSampleInstrumentProfile>& CSampleMarketGenerator::profiles()
{
    using S = CSampleInstrumentProfile;
    static const QVector<S> table = [] {
        QVector<S> t;
        // market, code, name, kind, type, tick, start, vol, drift, volume, limit, lot, listed, shares, level,
        // underlying, sectors
        t.append({"SH",
                  "600519",
                  "贵州茅台",
                  "stock",
                  100001,
                  0.01,
                  169.0,
                  0.019,
                  0.14,
                  4.0e6,
                  0.10,
                  100,
                  QDate(),
                  1.256e9,
                  0,
                  "",
                  {"申万食品饮料", "申万白酒Ⅱ", "申万白酒Ⅲ"}});
        t.append({"SZ",
                  "000651",
                  "格力电器",
                  "stock",
                  100001,
                  0.01,
                  35.0,
                  0.022,
                  0.16,
                  3.0e7,
                  0.10,
                  100,
                  QDate(),
                  5.5e9,
                  0,
                  "",
                  {"申万家用电器", "申万白色家电", "申万空调"}});
        t.append({"SZ",
                  "000063",
                  "中兴通讯",
                  "stock",
                  100001,
                  0.01,
                  38.0,
                  0.025,
                  0.0,
                  5.0e7,
                  0.10,
                  100,
                  QDate(),
                  4.0e9,
                  0,
                  "",
                  {"申万通信", "申万通信设备", "申万通信网络设备及器件"}});
        t.append({"SH",
                  "600000",
                  "浦发银行",
                  "stock",
                  100001,
                  0.01,
                  21.0,
                  0.016,
                  -0.02,
                  1.2e8,
                  0.10,
                  100,
                  QDate(),
                  2.9e10,
                  0,
                  "",
                  {"申万银行", "申万股份制银行Ⅱ", "申万股份制银行Ⅲ"}});
        t.append({"SH",
                  "000001",
                  "上证指数",
                  "index",
                  100012,
                  0.01,
                  3243.0,
                  0.013,
                  0.01,
                  9.0e9,
                  0.0,
                  1,
                  QDate(),
                  0.0,
                  0,
                  "",
                  {}});
        t.append({"SZ",
                  "399001",
                  "深证成指",
                  "index",
                  100012,
                  0.01,
                  13000.0,
                  0.015,
                  0.0,
                  1.2e10,
                  0.0,
                  1,
                  QDate(),
                  0.0,
                  0,
                  "",
                  {}});
        const char* bkzs[][2] = {
            {"801120", "申万食品饮料"}, {"801125", "申万白酒Ⅱ"},       {"851251", "申万白酒Ⅲ"},
            {"801110", "申万家用电器"}, {"801111", "申万白色家电"},    {"851112", "申万空调"},
            {"801770", "申万通信"},     {"801102", "申万通信设备"},    {"851021", "申万通信网络设备及器件"},
            {"801780", "申万银行"},     {"801784", "申万股份制银行Ⅱ"}, {"857841", "申万股份制银行Ⅲ"},
        };
        for (int i = 0; i < 12; ++i) {
            t.append({"BKZS",
                      bkzs[i][0],
                      bkzs[i][1],
                      "sector",
                      100012,
                      0.01,
                      1000.0 + 350.0 * i,
                      0.014 + 0.0005 * (i % 3),
                      0.03,
                      8.0e8,
                      0.0,
                      1,
                      QDate(),
                      0.0,
                      i % 3 + 1,
                      "",
                      {}});
        }
        t.append({"SH",
                  "110059",
                  "浦发转债",
                  "bond",
                  10019,
                  0.001,
                  100.0,
                  0.006,
                  0.02,
                  2.0e6,
                  0.20,
                  10,
                  QDate(2019, 11, 15),
                  0.0,
                  0,
                  "600000",
                  {}});
        t.append({"SF",
                  "rb888",
                  "螺纹钢主连",
                  "futures",
                  0,
                  1.0,
                  4300.0,
                  0.014,
                  -0.01,
                  1.5e6,
                  0.07,
                  1,
                  QDate(),
                  0.0,
                  0,
                  "",
                  {}});
        t.append({"ED",
                  "M0017126",
                  "SHIBOR隔夜",
                  "external",
                  0,
                  0.001,
                  2.0,
                  0.0,
                  0.0,
                  0.0,
                  0.0,
                  1,
                  QDate(),
                  0.0,
                  0,
                  "",
                  {}});
        return t;
    }();
    return table;
}

QVector<QDate> CSampleMarketGenerator::suspensionDays(const QString& key)
{
    QVector<QDate> out;
    if (key != QLatin1String(suspendedStock()))
        return out;
    out = CChinaTradingCalendar::tradingDays(QDate(2018, 4, 17), QDate(2018, 6, 12));
    for (const QDate& d : {QDate(2013, 5, 15), QDate(2016, 3, 2), QDate(2019, 8, 15), QDate(2021, 11, 11)})
        out.append(d);
    std::sort(out.begin(), out.end());
    return out;
}

CSampleMarketGenerator::CSampleMarketGenerator(quint64 seed, const QDate& today) : m_seed(seed)
{
    QDate t = today.isValid() ? today : defaultToday();
    // At least a few months of history, so every period has bars.
    if (t < QDate(2010, 6, 30))
        t = QDate(2010, 6, 30);
    m_today = CChinaTradingCalendar::tradingDayOnOrBefore(t);
}

qint64 CSampleMarketGenerator::dayTag(const QDate& day) const
{
    auto it = m_dayTags.constFind(day.toJulianDay());
    if (it != m_dayTags.cend())
        return *it;
    const qint64 tag = m_time.localTime(day, 0);
    m_dayTags.insert(day.toJulianDay(), tag);
    return tag;
}

void CSampleMarketGenerator::addCalendars(CMarketData& data, const QVector<QDate>& days) const
{
    QVector<qint64> tags;
    tags.reserve(days.size());
    for (const QDate& d : days)
        tags.append(dayTag(d));
    for (const char* m : {"SH", "SZ", "SSE", "SZSE", "BKZS", "CD", "ED", "IF", "CFFEX"}) {
        data.tradeDates.insert(QLatin1String(m), tags);
        data.sessions.insert(QLatin1String(m), stockSessions());
        data.fixedCalendarMarkets.insert(QLatin1String(m));
    }
    for (const char* m : {"SF", "SHFE", "DF", "DCE", "ZF", "CZCE", "INE"}) {
        data.tradeDates.insert(QLatin1String(m), tags);
        data.sessions.insert(QLatin1String(m), futuresSessions());
        data.fixedCalendarMarkets.insert(QLatin1String(m));
    }
    data.sessions.insert(QStringLiteral("US"), QVector<CTradingSession>{{570, 960}});
}

CMarketData CSampleMarketGenerator::generate() const
{
    CMarketData data;
    data.today = m_today;
    const QVector<QDate> calendar =
        CChinaTradingCalendar::tradingDays(CChinaTradingCalendar::firstDay(), m_today);
    addCalendars(data, calendar);
    for (const CSampleInstrumentProfile& profile : profiles())
        generateInstrument(data, profile, calendar);

    // Sector indexes and convertible-bond relations.
    for (auto it = data.instruments.cbegin(); it != data.instruments.cend(); ++it) {
        if (it->detail.market == "BKZS")
            data.sectorKeyByName.insert(QString::fromStdString(it->detail.name), it.key());
        if (!it->detail.underlyingCode.empty()) {
            const QString stock = QString::fromStdString(it->detail.market + it->detail.underlyingCode);
            data.bondsByStock[stock].insert(it.key());
        }
    }
    return data;
}

void CSampleMarketGenerator::generateInstrument(CMarketData& data, const CSampleInstrumentProfile& profile,
                                                const QVector<QDate>& calendar) const
{
    CInstrumentData inst;
    qlservice::CInstrumentDetail& d = inst.detail;
    d.market = profile.market;
    d.code = profile.code;
    d.key = d.market + d.code;
    d.name = profile.name;
    d.kind = profile.kind;
    d.priceTick = profile.tick;
    d.stockType = profile.stockType;
    d.underlyingCode = profile.underlying;
    d.circulatingShares = profile.shares;
    d.sectorLevel = profile.level;
    d.auxStatus = d.kind == "external" ? 1 : 0;
    for (const char* s : profile.sectors)
        inst.sectors.append(QString::fromUtf8(s));

    const QString key = QString::fromStdString(d.key);
    CSampleRandom rng(m_seed ^ CSampleRandom::hash(d.key.c_str()));

    // The instrument's own trading days.
    const QVector<QDate> suspended = suspensionDays(key);
    QVector<QDate> days;
    days.reserve(calendar.size());
    for (const QDate& day : calendar) {
        if (profile.listed.isValid() && day < profile.listed)
            continue;
        if (std::binary_search(suspended.begin(), suspended.end(), day))
            continue;
        days.append(day);
    }
    // Minute bars from this calendar day on.
    const QDate minuteStart = calendar.size() > kMinuteDays
                                  ? calendar[calendar.size() - kMinuteDays]
                                  : (calendar.isEmpty() ? QDate() : calendar.first());
    int minuteFrom = int(std::lower_bound(days.begin(), days.end(), minuteStart) - days.begin());

    if (d.kind == "external") {
        generateExternal(inst, days, rng);
    } else {
        if (key == QLatin1String(exRightsStock()))
            inst.divids = exRightsEvents(days, minuteFrom);
        const QString market = QString::fromStdString(d.market);
        generateDays(inst, profile, days, minuteFrom, data.sessions.value(market), rng);
        if (key == QLatin1String(rankListStock()))
            generateRankList(inst, rng);
    }
    inst.limitPct = profile.limit;
    finishDetail(inst, profile.limit);
    data.instruments.insert(key, inst);
}

QVector<quoter::DividData> CSampleMarketGenerator::exRightsEvents(const QVector<QDate>& days,
                                                                  int minuteFrom) const
{
    struct Plan {
        QDate date;
        double cash, bonus, transfer, rights;
        int reform;
    };
    static const Plan plans[] = {
        {QDate(2010, 6, 18), 0.30, 0.0, 0.0, 0.0, 1}, {QDate(2011, 6, 3), 0.50, 0.0, 0.0, 0.0, 0},
        {QDate(2012, 7, 6), 1.00, 0.0, 0.0, 0.0, 0},  {QDate(2013, 7, 4), 1.50, 0.0, 0.5, 0.0, 0},
        {QDate(2014, 6, 5), 3.00, 0.0, 0.0, 0.0, 0},  {QDate(2015, 7, 3), 1.50, 0.0, 1.0, 0.0, 0},
        {QDate(2017, 3, 15), 0.0, 0.0, 0.0, 0.2, 0},  {QDate(2018, 7, 5), 1.80, 0.3, 0.0, 0.0, 0},
        {QDate(2020, 6, 5), 1.20, 0.0, 0.0, 0.0, 0},  {QDate(2022, 6, 24), 2.00, 0.0, 0.0, 0.0, 0},
        {QDate(2024, 7, 5), 2.50, 0.2, 0.2, 0.0, 0},
    };
    QVector<quoter::DividData> out;
    const QDate last = minuteFrom > 0 && minuteFrom <= days.size() ? days[minuteFrom - 1] : QDate();
    for (const Plan& p : plans) {
        const QDate day = CChinaTradingCalendar::tradingDayOnOrAfter(p.date);
        // Events stay out of the first day and of the minute-bar days.
        if (!day.isValid() || days.isEmpty() || day <= days.first() || !last.isValid() || day > last)
            continue;
        quoter::DividData d;
        d.time = dayTag(day) * 1000;
        d.cashDividend = p.cash;
        d.bonusShares = p.bonus;
        d.transferShares = p.transfer;
        d.rightsShares = p.rights;
        d.shareReform = p.reform;
        // The rights price is set from the price before the event (80%).
        d.rightsPrice = p.rights > 0.0 ? -1.0 : 0.0;
        out.append(d);
    }
    return out;
}

void CSampleMarketGenerator::finishDetail(CInstrumentData& inst, double limitPct) const
{
    qlservice::CInstrumentDetail& d = inst.detail;
    if (inst.dayBars.size() >= 2) {
        d.lastClose =
            CDividAdjuster::previousClose(inst.dayBars, inst.divids, inst.dayBars.last().time, d.priceTick);
    } else if (!inst.dayBars.isEmpty()) {
        d.lastClose = inst.dayBars.last().open;
    }
    if (limitPct > 0.0 && d.lastClose > 0.0) {
        d.upperLimitPrice = CDividAdjuster::roundToTick(d.lastClose * (1.0 + limitPct), d.priceTick);
        d.lowerLimitPrice = CDividAdjuster::roundToTick(d.lastClose * (1.0 - limitPct), d.priceTick);
    }
}

void CSampleMarketGenerator::generateRankList(CInstrumentData& inst, CSampleRandom& rng) const
{
    static const char* const kSeats[] = {
        "机构专用",
        "沪股通专用",
        "中信证券股份有限公司上海溧阳路证券营业部",
        "华泰证券股份有限公司深圳益田路荣超商务中心证券营业部",
        "国泰君安证券股份有限公司上海江苏路证券营业部",
        "东方财富证券股份有限公司拉萨团结路第二证券营业部",
        "招商证券股份有限公司深圳蛇口工业七路证券营业部",
        "中国银河证券股份有限公司绍兴证券营业部",
        "光大证券股份有限公司宁波解放南路证券营业部",
        "国信证券股份有限公司深圳泰然九路证券营业部",
        "财通证券股份有限公司杭州上塘路证券营业部",
        "申万宏源证券有限公司上海闵行区东川路证券营业部",
    };
    const int seatCount = int(sizeof(kSeats) / sizeof(kSeats[0]));
    const QVector<quoter::CBar>& bars = inst.dayBars;
    if (bars.size() < 2)
        return;
    // The ~2% of days with the largest moves.
    QVector<QPair<double, int>> moves;
    for (int i = 1; i < bars.size(); ++i)
        moves.append({std::fabs(bars[i].close / bars[i - 1].close - 1.0), i});
    std::sort(moves.begin(), moves.end(), [](const QPair<double, int>& a, const QPair<double, int>& b) {
        return a.first != b.first ? a.first > b.first : a.second < b.second;
    });
    const int count = std::max(1, int(std::ceil(bars.size() * 0.02)));
    QVector<int> picked;
    for (int i = 0; i < count && i < moves.size(); ++i)
        picked.append(moves[i].second);
    std::sort(picked.begin(), picked.end());

    auto seats = [&](double dayAmount) {
        QVector<CRankListRecord::Broker> out;
        QVector<int> used;
        while (out.size() < 5) {
            const int s = rng.below(seatCount);
            if (used.contains(s))
                continue;
            used.append(s);
            out.append({QString::fromUtf8(kSeats[s]), std::round(dayAmount * rng.uniform(0.004, 0.03))});
        }
        std::sort(out.begin(), out.end(),
                  [](const CRankListRecord::Broker& a, const CRankListRecord::Broker& b) {
                      return a.amount > b.amount;
                  });
        return out;
    };
    for (int i : picked) {
        CRankListRecord r;
        r.time = bars[i].time * 1000;
        const double prev = bars[i - 1].close;
        const double change = bars[i].close / prev - 1.0;
        if ((bars[i].high - bars[i].low) / prev >= 0.15)
            r.reason = QStringLiteral("日振幅值达到15%的前五只证券");
        else if (change >= 0)
            r.reason = QStringLiteral("日涨幅偏离值达到7%的前五只证券");
        else
            r.reason = QStringLiteral("日跌幅偏离值达到7%的前五只证券");
        r.buyers = seats(bars[i].amount);
        r.sellers = seats(bars[i].amount);
        inst.rankList.append(r);
    }
}

} // namespace TC
