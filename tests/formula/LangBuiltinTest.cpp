// Every built-in formula file against an independent, naive reference
// implementation of its public definition (plain per-bar loops, windows
// recomputed from scratch at every bar).
#include <algorithm>
#include <cfloat>
#include <cmath>
#include <functional>
#include <limits>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTextStream>

#include <gtest/gtest.h>

#include "platform/formula/lang/CFormulaCompiler.h"
#include "platform/formula/lang/CFormulaEvaluator.h"

using namespace TC::flang;

namespace {

using Vec = std::vector<double>;
const double NaN = std::numeric_limits<double>::quiet_NaN();

// ---- naive reference of the public definitions ----------------------------

Vec zip(const Vec& a, const Vec& b, const std::function<double(double, double)>& f)
{
    Vec r(a.size());
    for (size_t i = 0; i < a.size(); ++i)
        r[i] = (std::isnan(a[i]) || std::isnan(b[i])) ? NaN : f(a[i], b[i]);
    return r;
}
Vec add(const Vec& a, const Vec& b)
{
    return zip(a, b, [](double x, double y) { return x + y; });
}
Vec sub(const Vec& a, const Vec& b)
{
    return zip(a, b, [](double x, double y) { return x - y; });
}
Vec mul(const Vec& a, const Vec& b)
{
    return zip(a, b, [](double x, double y) { return x * y; });
}
Vec dvd(const Vec& a, const Vec& b)
{
    return zip(a, b, [](double x, double y) { return y == 0 ? NaN : x / y; });
}
Vec k(double v, size_t n)
{
    return Vec(n, v);
}
Vec scale(const Vec& a, double f)
{
    return mul(a, k(f, a.size()));
}
Vec absv(const Vec& a)
{
    Vec r(a);
    for (double& x : r)
        x = std::fabs(x);
    return r;
}
Vec maxv(const Vec& a, const Vec& b)
{
    return zip(a, b, [](double x, double y) { return x > y ? x : y; });
}
Vec cmp(const Vec& a, const Vec& b, const std::function<bool(double, double)>& f)
{
    return zip(a, b, [&](double x, double y) { return f(x, y) ? 1.0 : 0.0; });
}

Vec ref(const Vec& x, int n)
{
    Vec r(x.size(), NaN);
    for (size_t i = 0; i < x.size(); ++i)
        if (int(i) >= n)
            r[i] = x[i - size_t(n)];
    return r;
}

// window [i-n+1, i] fully present and valid?
bool full(const Vec& x, size_t i, int n)
{
    if (n <= 0 || int(i) + 1 < n)
        return false;
    for (size_t j = i + 1 - size_t(n); j <= i; ++j)
        if (std::isnan(x[j]))
            return false;
    return true;
}

Vec sum(const Vec& x, int n)
{
    Vec r(x.size(), NaN);
    if (n == 0) {
        double s = 0;
        for (size_t i = 0; i < x.size(); ++i)
            if (!std::isnan(x[i])) {
                s += x[i];
                r[i] = s;
            }
        return r;
    }
    for (size_t i = 0; i < x.size(); ++i) {
        if (!full(x, i, n))
            continue;
        double s = 0;
        for (size_t j = i + 1 - size_t(n); j <= i; ++j)
            s += x[j];
        r[i] = s;
    }
    return r;
}
Vec ma(const Vec& x, int n)
{
    return scale(sum(x, n), 1.0 / n);
}

Vec hhv(const Vec& x, int n, bool high)
{
    Vec r(x.size(), NaN);
    for (size_t i = 0; i < x.size(); ++i) {
        if (!full(x, i, n))
            continue;
        double m = x[i];
        for (size_t j = i + 1 - size_t(n); j <= i; ++j)
            m = high ? std::max(m, x[j]) : std::min(m, x[j]);
        r[i] = m;
    }
    return r;
}

Vec stdev(const Vec& x, int n)
{
    Vec mean = ma(x, n);
    Vec r(x.size(), NaN);
    for (size_t i = 0; i < x.size(); ++i) {
        if (std::isnan(mean[i]))
            continue;
        double s = 0;
        for (size_t j = i + 1 - size_t(n); j <= i; ++j)
            s += (x[j] - mean[i]) * (x[j] - mean[i]);
        r[i] = std::sqrt(s / (n - 1));
    }
    return r;
}

Vec avedev(const Vec& x, int n)
{
    Vec mean = ma(x, n);
    Vec r(x.size(), NaN);
    for (size_t i = 0; i < x.size(); ++i) {
        if (std::isnan(mean[i]))
            continue;
        double s = 0;
        for (size_t j = i + 1 - size_t(n); j <= i; ++j)
            s += std::fabs(x[j] - mean[i]);
        r[i] = s / n;
    }
    return r;
}

// Y = (m*X + (n-m)*Y') / n seeded with the first valid X; EMA is m=2, n=N+1
Vec recursive(const Vec& x, double n, double m)
{
    Vec r(x.size(), NaN);
    bool seeded = false;
    double y = 0;
    for (size_t i = 0; i < x.size(); ++i) {
        if (std::isnan(x[i]))
            continue;
        y = seeded ? (m * x[i] + (n - m) * y) / n : x[i];
        seeded = true;
        r[i] = y;
    }
    return r;
}
Vec ema(const Vec& x, int n)
{
    return recursive(x, n + 1, 2);
}
Vec sma(const Vec& x, int n, int m)
{
    return recursive(x, n, m);
}

Vec countv(const Vec& c, int n)
{
    Vec flags(c.size());
    for (size_t i = 0; i < c.size(); ++i)
        flags[i] = std::isnan(c[i]) ? NaN : (c[i] != 0 ? 1 : 0);
    return sum(flags, n);
}

// Wilder's parabolic SAR, written out bar by bar
Vec sarRef(const Vec& h, const Vec& l, const Vec& c, int n, double step, double maxStep)
{
    Vec r(h.size(), NaN);
    const size_t s = size_t(n - 1);
    if (h.size() <= s)
        return r;
    double hi = -1e300, lo = 1e300;
    for (size_t j = 0; j <= s; ++j) {
        hi = std::max(hi, h[j]);
        lo = std::min(lo, l[j]);
    }
    bool up = c[s] >= c[0];
    double sar = up ? lo : hi, ep = up ? hi : lo, af = step / 100;
    r[s] = sar;
    for (size_t i = s + 1; i < h.size(); ++i) {
        double next = sar + af * (ep - sar);
        if (up) {
            next = std::min(next, l[i - 1]);
            if (i >= 2)
                next = std::min(next, l[i - 2]);
            if (l[i] < next) {
                up = false;
                next = std::max({ep, h[i], h[i - 1]}); // not inside the reversal bars' range
                ep = l[i];
                af = step / 100;
            } else if (h[i] > ep) {
                ep = h[i];
                af = std::min(af + step / 100, maxStep / 100);
            }
        } else {
            next = std::max(next, h[i - 1]);
            if (i >= 2)
                next = std::max(next, h[i - 2]);
            if (h[i] > next) {
                up = true;
                next = std::min({ep, l[i], l[i - 1]});
                ep = h[i];
                af = step / 100;
            } else if (l[i] < ep) {
                ep = l[i];
                af = std::min(af + step / 100, maxStep / 100);
            }
        }
        sar = next;
        r[i] = sar;
    }
    return r;
}

// ---- the hand-made market ---------------------------------------------------

struct Market {
    Vec o, h, l, c, v;
    size_t n() const { return c.size(); }
};

// 140 bars: a trend with two swings, a few repeated closes (for the
// "unchanged" branches) and one bar without range (high == low).
Market market()
{
    Market m;
    double prev = 10.0;
    unsigned seed = 12345;
    for (int i = 0; i < 140; ++i) {
        seed = seed * 1103515245u + 12345u;
        const double noise = double((seed >> 16) % 1000) / 1000.0 - 0.5;
        double close = 10.0 + 0.03 * i + 1.5 * std::sin(i * 0.21) + 0.4 * noise;
        if (i % 17 == 5)
            close = prev;
        const double open = prev + 0.1 * noise;
        double high = std::max(open, close) + 0.2 + 0.1 * ((seed >> 8) % 7);
        double low = std::min(open, close) - 0.15 - 0.05 * ((seed >> 4) % 5);
        if (i == 40)
            high = low = close = prev; // a halted bar
        m.o.push_back(i == 40 ? prev : open);
        m.h.push_back(high);
        m.l.push_back(low);
        m.c.push_back(close);
        m.v.push_back(1000.0 + double((i * 379) % 800) + 50.0 * noise);
        prev = close;
    }
    return m;
}

struct FormulaFile {
    QString source;
    QStringList names;
    QMap<QString, double> defaults;
};

FormulaFile loadFormula(const QString& name)
{
    FormulaFile f;
    QFile file(QStringLiteral(KLINE_SOURCE_DATA_DIR "/formulas/builtin/%1.fml").arg(name));
    if (!file.open(QIODevice::ReadOnly))
        return f;
    f.source = QString::fromUtf8(file.readAll());
    const QString first = f.source.section(QLatin1Char('\n'), 0, 0);
    const QRegularExpression head(QStringLiteral("^\\{PARAMS:(.*)\\}$"));
    const QRegularExpressionMatch m = head.match(first.trimmed());
    if (!m.hasMatch())
        return FormulaFile();
    for (const QString& item : m.captured(1).split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString name = item.section(QLatin1Char('='), 0, 0).trimmed();
        const QStringList nums = item.section(QLatin1Char('='), 1).split(QLatin1Char(','));
        if (name.isEmpty() || nums.size() != 3)
            return FormulaFile();
        f.names << name;
        f.defaults[name] = nums[0].toDouble();
    }
    return f;
}

std::map<QString, Vec> runFile(const QString& name, const Market& m, QMap<QString, double> overrides = {})
{
    std::map<QString, Vec> out;
    const FormulaFile f = loadFormula(name);
    EXPECT_FALSE(f.source.isEmpty()) << name.toStdString();
    CFormulaProgram prog;
    CFormulaError err;
    EXPECT_TRUE(CFormulaCompiler::compile(f.source, f.names, prog, err))
        << name.toStdString() << ": " << err.line << ":" << err.column << " " << err.message.toStdString();
    CFormulaInput in;
    in.barCount = int(m.n());
    in.open = m.o;
    in.high = m.h;
    in.low = m.l;
    in.close = m.c;
    in.volume = m.v;
    QMap<QString, double> params = f.defaults;
    for (auto it = overrides.begin(); it != overrides.end(); ++it)
        params[it.key()] = it.value();
    CFormulaRunResult res;
    QString error;
    EXPECT_TRUE(CFormulaEvaluator::run(prog, in, params, res, &error)) << error.toStdString();
    for (const COutput& o : res.outputs) {
        EXPECT_EQ(o.columns.size(), 1u) << o.name.toStdString();
        if (!o.columns.empty())
            out[o.name] = o.columns[0];
    }
    return out;
}

// Compares an engine column (DBL_MAX = no value) with a reference (NaN = no value).
void expectSeries(const std::map<QString, Vec>& got, const char* name, const Vec& want, int minValues = 1)
{
    const auto it = got.find(QString::fromLatin1(name));
    ASSERT_NE(it, got.end()) << "missing output " << name;
    const Vec& g = it->second;
    ASSERT_EQ(g.size(), want.size()) << name;
    int values = 0;
    for (size_t i = 0; i < want.size(); ++i) {
        if (std::isnan(want[i])) {
            EXPECT_EQ(g[i], DBL_MAX) << name << " bar " << i << " should have no value";
        } else {
            ++values;
            EXPECT_NEAR(g[i], want[i], 1e-8 * std::max(1.0, std::fabs(want[i]))) << name << " bar " << i;
        }
    }
    EXPECT_GE(values, minValues) << name << ": the series should not be empty";
}

class LangBuiltinTest : public ::testing::Test
{
protected:
    Market m = market();
    size_t n = m.n();
    Vec hl2() const { return add(m.h, m.l); }
};

} // namespace

TEST_F(LangBuiltinTest, EveryFileDeclaresItsParametersAndCompiles)
{
    const QDir dir(QStringLiteral(KLINE_SOURCE_DATA_DIR "/formulas/builtin"));
    const QStringList files = dir.entryList({QStringLiteral("*.fml")}, QDir::Files);
    EXPECT_GE(files.size(), 25);
    for (const QString& file : files) {
        const FormulaFile f = loadFormula(file.chopped(4));
        ASSERT_FALSE(f.source.isEmpty()) << file.toStdString() << ": missing or malformed PARAMS line";
        CFormulaProgram prog;
        CFormulaError err;
        EXPECT_TRUE(CFormulaCompiler::compile(f.source, f.names, prog, err))
            << file.toStdString() << " " << err.line << ":" << err.column << " " << err.message.toStdString();
        EXPECT_FALSE(prog.isEmpty()) << file.toStdString();
    }
}

TEST_F(LangBuiltinTest, MovingAverages)
{
    auto ma4 = runFile(QStringLiteral("MA"), m);
    expectSeries(ma4, "MA1", ma(m.c, 5));
    expectSeries(ma4, "MA2", ma(m.c, 10));
    expectSeries(ma4, "MA3", ma(m.c, 20));
    expectSeries(ma4, "MA4", ma(m.c, 60));
    auto ema4 = runFile(QStringLiteral("EMA"), m);
    expectSeries(ema4, "EMA1", ema(m.c, 5));
    expectSeries(ema4, "EMA4", ema(m.c, 60));
    auto bbi = runFile(QStringLiteral("BBI"), m);
    expectSeries(bbi, "BBI", scale(add(add(ma(m.c, 3), ma(m.c, 6)), add(ma(m.c, 12), ma(m.c, 24))), 0.25));
    auto dma = runFile(QStringLiteral("DMA"), m);
    const Vec dif = sub(ma(m.c, 10), ma(m.c, 50));
    expectSeries(dma, "DIF", dif);
    expectSeries(dma, "DIFMA", ma(dif, 10));
}

TEST_F(LangBuiltinTest, VolumeAndMacd)
{
    auto vol = runFile(QStringLiteral("VOL"), m);
    expectSeries(vol, "VOLUME", m.v);
    expectSeries(vol, "MAVOL1", ma(m.v, 5));
    expectSeries(vol, "MAVOL2", ma(m.v, 10));
    auto macd = runFile(QStringLiteral("MACD"), m);
    const Vec dif = sub(ema(m.c, 12), ema(m.c, 26));
    const Vec dea = ema(dif, 9);
    expectSeries(macd, "DIF", dif);
    expectSeries(macd, "DEA", dea);
    expectSeries(macd, "MACD", scale(sub(dif, dea), 2));
}

TEST_F(LangBuiltinTest, Oscillators)
{
    // KDJ
    const Vec llv9 = hhv(m.l, 9, false);
    const Vec rsv = scale(dvd(sub(m.c, llv9), sub(hhv(m.h, 9, true), llv9)), 100);
    const Vec kk = sma(rsv, 3, 1);
    const Vec dd = sma(kk, 3, 1);
    auto kdj = runFile(QStringLiteral("KDJ"), m);
    expectSeries(kdj, "K", kk);
    expectSeries(kdj, "D", dd);
    expectSeries(kdj, "J", sub(scale(kk, 3), scale(dd, 2)));
    // RSI
    auto rsi = runFile(QStringLiteral("RSI"), m);
    const Vec diff = sub(m.c, ref(m.c, 1));
    const int ns[] = {6, 12, 24};
    const char* names[] = {"RSI1", "RSI2", "RSI3"};
    for (int j = 0; j < 3; ++j)
        expectSeries(rsi, names[j],
                     scale(dvd(sma(maxv(diff, k(0, n)), ns[j], 1), sma(absv(diff), ns[j], 1)), 100));
    // CCI
    const Vec typ = scale(add(add(m.h, m.l), m.c), 1.0 / 3);
    expectSeries(runFile(QStringLiteral("CCI"), m), "CCI",
                 dvd(sub(typ, ma(typ, 14)), scale(avedev(typ, 14), 0.015)));
    // WR
    auto wr = runFile(QStringLiteral("WR"), m);
    for (int len : {10, 6}) {
        const Vec hh = hhv(m.h, len, true);
        expectSeries(wr, len == 10 ? "WR1" : "WR2",
                     scale(dvd(sub(hh, m.c), sub(hh, hhv(m.l, len, false))), 100));
    }
    // BIAS
    auto bias = runFile(QStringLiteral("BIAS"), m);
    expectSeries(bias, "BIAS1", scale(dvd(sub(m.c, ma(m.c, 6)), ma(m.c, 6)), 100));
    expectSeries(bias, "BIAS3", scale(dvd(sub(m.c, ma(m.c, 24)), ma(m.c, 24)), 100));
    // PSY
    auto psy = runFile(QStringLiteral("PSY"), m);
    const Vec psyv = scale(countv(cmp(m.c, ref(m.c, 1), std::greater<double>()), 12), 100.0 / 12);
    expectSeries(psy, "PSY", psyv);
    expectSeries(psy, "PSYMA", ma(psyv, 6));
    // MTM, ROC
    auto mtm = runFile(QStringLiteral("MTM"), m);
    const Vec mtmv = sub(m.c, ref(m.c, 12));
    expectSeries(mtm, "MTM", mtmv);
    expectSeries(mtm, "MTMMA", ma(mtmv, 6));
    auto roc = runFile(QStringLiteral("ROC"), m);
    const Vec rocv = scale(dvd(mtmv, ref(m.c, 12)), 100);
    expectSeries(roc, "ROC", rocv);
    expectSeries(roc, "MAROC", ma(rocv, 6));
    // TRIX
    auto trix = runFile(QStringLiteral("TRIX"), m);
    const Vec mtr = ema(ema(ema(m.c, 12), 12), 12);
    const Vec trixv = scale(dvd(sub(mtr, ref(mtr, 1)), ref(mtr, 1)), 100);
    expectSeries(trix, "TRIX", trixv);
    expectSeries(trix, "MATRIX", ma(trixv, 9));
}

TEST_F(LangBuiltinTest, VolumeBasedIndicators)
{
    const Vec lc = ref(m.c, 1);
    // OBV: the first bar has no previous close, so no value there
    Vec step(n, NaN);
    for (size_t i = 1; i < n; ++i)
        step[i] = m.c[i] > lc[i] ? m.v[i] : (m.c[i] < lc[i] ? -m.v[i] : 0.0);
    const Vec obv = sum(step, 0);
    auto obvr = runFile(QStringLiteral("OBV"), m);
    expectSeries(obvr, "OBV", obv);
    expectSeries(obvr, "MAOBV", ma(obv, 30));
    // AD, with the rangeless bar adding nothing
    Vec clv(n);
    for (size_t i = 0; i < n; ++i)
        clv[i] = m.h[i] > m.l[i] ? ((m.c[i] - m.l[i]) - (m.h[i] - m.c[i])) / (m.h[i] - m.l[i]) * m.v[i] : 0.0;
    expectSeries(runFile(QStringLiteral("AD"), m), "AD", sum(clv, 0));
    // VR
    Vec up(n, NaN), down(n, NaN), same(n, NaN);
    for (size_t i = 1; i < n; ++i) {
        up[i] = m.c[i] > lc[i] ? m.v[i] : 0;
        down[i] = m.c[i] < lc[i] ? m.v[i] : 0;
        same[i] = m.c[i] == lc[i] ? m.v[i] : 0;
    }
    const Vec th = sum(up, 26), tl = sum(down, 26), tq = sum(same, 26);
    const Vec vr = scale(dvd(add(scale(th, 2), tq), add(scale(tl, 2), tq)), 100);
    auto vrr = runFile(QStringLiteral("VR"), m);
    expectSeries(vrr, "VR", vr);
    expectSeries(vrr, "MAVR", ma(vr, 6));
    // EMV
    const Vec volume = dvd(ma(m.v, 14), m.v);
    const Vec mid = scale(dvd(sub(hl2(), ref(hl2(), 1)), hl2()), 100);
    const Vec range = sub(m.h, m.l);
    const Vec emv = ma(dvd(mul(mul(mid, volume), range), ma(range, 14)), 14);
    auto emvr = runFile(QStringLiteral("EMV"), m);
    expectSeries(emvr, "EMV", emv);
    expectSeries(emvr, "MAEMV", ma(emv, 9));
}

TEST_F(LangBuiltinTest, TrendIndicators)
{
    const Vec lc = ref(m.c, 1);
    // BOLL
    auto boll = runFile(QStringLiteral("BOLL"), m);
    const Vec mid = ma(m.c, 20);
    expectSeries(boll, "BOLL", mid);
    expectSeries(boll, "UB", add(mid, scale(stdev(m.c, 20), 2)));
    expectSeries(boll, "LB", sub(mid, scale(stdev(m.c, 20), 2)));
    // DMI
    const Vec tr = sum(maxv(maxv(sub(m.h, m.l), absv(sub(m.h, lc))), absv(sub(lc, m.l))), 14);
    const Vec hd = sub(m.h, ref(m.h, 1));
    const Vec ld = sub(ref(m.l, 1), m.l);
    Vec dmpRaw(n, NaN), dmmRaw(n, NaN);
    for (size_t i = 1; i < n; ++i) {
        dmpRaw[i] = (hd[i] > 0 && hd[i] > ld[i]) ? hd[i] : 0;
        dmmRaw[i] = (ld[i] > 0 && ld[i] > hd[i]) ? ld[i] : 0;
    }
    const Vec pdi = dvd(scale(sum(dmpRaw, 14), 100), tr);
    const Vec mdi = dvd(scale(sum(dmmRaw, 14), 100), tr);
    const Vec adx = ma(scale(dvd(absv(sub(mdi, pdi)), add(mdi, pdi)), 100), 6);
    auto dmi = runFile(QStringLiteral("DMI"), m);
    expectSeries(dmi, "PDI", pdi);
    expectSeries(dmi, "MDI", mdi);
    expectSeries(dmi, "ADX", adx);
    expectSeries(dmi, "ADXR", scale(add(adx, ref(adx, 6)), 0.5));
    // BRAR
    auto brar = runFile(QStringLiteral("BRAR"), m);
    expectSeries(brar, "BR",
                 scale(dvd(sum(maxv(k(0, n), sub(m.h, lc)), 26), sum(maxv(k(0, n), sub(lc, m.l)), 26)), 100));
    expectSeries(brar, "AR", scale(dvd(sum(sub(m.h, m.o), 26), sum(sub(m.o, m.l), 26)), 100));
    // CR: the averages shift back by whole bars of M/2.5+1 (62 -> 25)
    const Vec midp = scale(ref(hl2(), 1), 0.5);
    const Vec cr =
        scale(dvd(sum(maxv(k(0, n), sub(m.h, midp)), 26), sum(maxv(k(0, n), sub(midp, m.l)), 26)), 100);
    auto crr = runFile(QStringLiteral("CR"), m);
    expectSeries(crr, "CR", cr);
    expectSeries(crr, "MA1", ref(ma(cr, 10), 5));
    expectSeries(crr, "MA2", ref(ma(cr, 20), 9));
    expectSeries(crr, "MA3", ref(ma(cr, 40), 17));
    expectSeries(crr, "MA4", ref(ma(cr, 62), 25));
    // ASI
    const Vec lo = ref(m.l, 1), lopen = ref(m.o, 1);
    Vec si(n, NaN);
    for (size_t i = 1; i < n; ++i) {
        const double aa = std::fabs(m.h[i] - lc[i]), bb = std::fabs(m.l[i] - lc[i]);
        const double cc = std::fabs(m.h[i] - lo[i]), dd = std::fabs(lc[i] - lopen[i]);
        double r;
        if (aa > bb && aa > cc)
            r = aa + bb / 2 + dd / 4;
        else if (bb > cc && bb > aa)
            r = bb + aa / 2 + dd / 4;
        else
            r = cc + dd / 4;
        const double x = m.c[i] - lc[i] + (m.c[i] - m.o[i]) / 2 + lc[i] - lopen[i];
        si[i] = r == 0 ? NaN : 16 * x / r * std::max(aa, bb);
    }
    auto asi = runFile(QStringLiteral("ASI"), m);
    const Vec asiv = sum(si, 26);
    expectSeries(asi, "ASI", asiv);
    expectSeries(asi, "ASIT", ma(asiv, 10));
    // SAR
    auto sar = runFile(QStringLiteral("SAR"), m);
    expectSeries(sar, "SAR", sarRef(m.h, m.l, m.c, 10, 2, 20));
}

TEST_F(LangBuiltinTest, ParametersOverrideDefaults)
{
    auto ma4 = runFile(QStringLiteral("MA"), m, {{QStringLiteral("m1"), 3.0}});
    expectSeries(ma4, "MA1", ma(m.c, 3));
    auto boll = runFile(QStringLiteral("BOLL"), m, {{QStringLiteral("P"), 1.5}});
    expectSeries(boll, "UB", add(ma(m.c, 20), scale(stdev(m.c, 20), 1.5)));
}

TEST_F(LangBuiltinTest, SarTurnsAtTheHandWorkedBar)
{
    // N=2, step 2%, max 20%: rising start at 9 (lowest low), held at 9 by the
    // prior lows, 9.12 after the second new high, reversal to the extreme 13
    // when bar 4 drops through 9.3528, held at 13 by the prior highs.
    CFormulaProgram prog;
    CFormulaError err;
    ASSERT_TRUE(CFormulaCompiler::compile(QStringLiteral("SAR(2,2,20);"), {}, prog, err));
    CFormulaInput in;
    in.barCount = 6;
    in.high = {10, 11, 12, 13, 12.5, 11};
    in.low = {9, 10, 11, 12, 9.0, 8.5};
    in.close = {9.5, 10.5, 11.5, 12.5, 9.5, 9};
    CFormulaRunResult res;
    ASSERT_TRUE(CFormulaEvaluator::run(prog, in, {}, res, nullptr));
    const Vec want = {DBL_MAX, 9, 9, 9.12, 13, 13};
    ASSERT_EQ(res.outputs.size(), 1u);
    for (size_t i = 0; i < want.size(); ++i)
        EXPECT_NEAR(res.outputs[0].columns[0][i], want[i], 1e-12) << i;
    EXPECT_EQ(sarRef(in.high, in.low, in.close, 2, 2, 20)[3], 9.12);
}
