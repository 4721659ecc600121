#include <algorithm>
#include <cfloat>
#include <cmath>
#include <limits>

#include "platform/formula/lang/CFormulaEvalContext.h"
#include "platform/formula/lang/CFormulaFunctionTable.h"
#include "platform/formula/lang/CFormulaFunctions.h"

namespace TC {
namespace flang {

namespace {

using Vec = std::vector<double>;
const double kNaN = std::numeric_limits<double>::quiet_NaN();

double plain(double v)
{
    return (std::isfinite(v) && v < DBL_MAX && v > -DBL_MAX) ? v : kNaN;
}

// 1/0 where both sides have a value, NaN elsewhere
Vec compare(const Vec& a, const Vec& b, bool greater)
{
    Vec out(a.size(), kNaN);
    for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
        if (!std::isnan(a[i]) && !std::isnan(b[i]))
            out[i] = (greater ? a[i] > b[i] : a[i] < b[i]) ? 1.0 : 0.0;
    }
    return out;
}

} // namespace

unsigned CFormulaEvalContext::colourOf(double v)
{
    if (std::isnan(v) || v < 0.0 || v > double(0xFFFFFF))
        return 0xFFFFFFFFu;
    return unsigned(std::lround(v));
}

const CFormulaInput* CFormulaEvalContext::referenced(const QString& key, qint64 periodSec)
{
    const auto k = std::make_pair(key, periodSec);
    auto it = m_references.find(k);
    if (it == m_references.end()) {
        std::unique_ptr<CFormulaInput> aligned(new CFormulaInput);
        if (!m_input.reference || !m_input.reference(key, periodSec, *aligned) ||
            aligned->barCount != m_input.barCount)
            aligned.reset(); // unknown instrument or period: no value
        it = m_references.emplace(k, std::move(aligned)).first;
    }
    return it->second.get();
}

CFormulaEvalContext::CValue CFormulaEvalContext::evalReference(const CFormulaNode& node)
{
    CValue r;
    r.scalar = false;
    const EFormulaField f = EFormulaField(node.index);
    if (node.number == 0.0 && (node.text.isEmpty() || node.text == m_input.instrumentKey.toUpper())) {
        r.v = field(f);
        return r;
    }
    r.v.assign(m_size, kNaN);
    const CFormulaInput* in = referenced(node.text, qint64(node.number));
    if (!in)
        return r;
    const Vec* src = nullptr;
    switch (f) {
    case EFormulaField::Open:
        src = &in->open;
        break;
    case EFormulaField::High:
        src = &in->high;
        break;
    case EFormulaField::Low:
        src = &in->low;
        break;
    case EFormulaField::Close:
        src = &in->close;
        break;
    case EFormulaField::Volume:
        src = &in->volume;
        break;
    default:
        src = &in->amount;
        break;
    }
    for (size_t i = 0; i < m_size && i < src->size(); ++i)
        r.v[i] = plain((*src)[i]);
    return r;
}

bool CFormulaEvalContext::evalMore(const CFormulaNode& node, CValue& r)
{
    using F = EFormulaFunction;
    using Fn = CFormulaFunctions;
    r.scalar = false;
    // ZIG, PEAK and TROUGH read K as a price selector when it is 0..3
    auto prices = [&](size_t i) -> Vec {
        const CValue k = eval(node.args[i]);
        if (k.scalar && (k.s == 0.0 || k.s == 1.0 || k.s == 2.0 || k.s == 3.0)) {
            const EFormulaField f[] = {EFormulaField::Open, EFormulaField::High, EFormulaField::Low,
                                       EFormulaField::Close};
            return field(f[int(k.s)]);
        }
        return vec(k);
    };
    auto calendar = [&](Fn::ECalendar kind) {
        std::vector<long long> times(m_input.times.begin(), m_input.times.end());
        Fn::calendar(times, m_size, kind, r.v);
        return true;
    };
    auto every = [&](const Vec& flags, double n) {
        Fn::every(flags, n, true, r.v);
        return true;
    };
    switch (F(node.index)) {
    case F::CONST: {
        const CValue x = eval(node.args[0]);
        r = scalarValue(num(x));
        return true;
    }
    case F::BACKSET:
        Fn::backSet(vecArg(node, 0), vecArg(node, 1), r.v);
        return true;
    case F::BETWEEN:
    case F::RANGE: {
        const Vec a = vecArg(node, 0);
        const Vec b = vecArg(node, 1);
        const Vec c = vecArg(node, 2);
        const bool ordered = F(node.index) == F::RANGE;
        r.v.assign(m_size, kNaN);
        for (size_t i = 0; i < m_size; ++i) {
            if (std::isnan(a[i]) || std::isnan(b[i]) || std::isnan(c[i]))
                continue;
            const bool in = ordered ? (b[i] < a[i] && a[i] < c[i])
                                    : ((b[i] <= a[i] && a[i] <= c[i]) || (c[i] <= a[i] && a[i] <= b[i]));
            r.v[i] = in ? 1.0 : 0.0;
        }
        return true;
    }
    case F::LONGCROSS:
        Fn::longCross(vecArg(node, 0), vecArg(node, 1), numArg(node, 2), r.v);
        return true;
    case F::UPNDAY:
    case F::DOWNNDAY: {
        const Vec x = vecArg(node, 0);
        Vec before;
        Fn::ref(x, Vec(m_size, 1.0), before);
        return every(compare(x, before, F(node.index) == F::UPNDAY), numArg(node, 1));
    }
    case F::NDAY:
        return every(compare(vecArg(node, 0), vecArg(node, 1), true), numArg(node, 2));
    case F::EXTDATA: {
        // Step-aligned: each bar takes the latest point at or before its time
        // tag (a day point, tagged at the day's midnight, covers that day's
        // intraday bars); no value before the first point.
        r.v.assign(m_size, kNaN);
        std::vector<std::pair<qint64, double>> points;
        const QString name = m_program.nodes()[size_t(node.args[0])].text;
        if (!m_input.external || m_input.times.size() < m_size || !m_input.external(name, points))
            return true;
        size_t k = 0;
        double last = kNaN;
        for (size_t i = 0; i < m_size; ++i) {
            const qint64 ms = m_input.times[i] * 1000;
            while (k < points.size() && points[k].first <= ms)
                last = plain(points[k++].second);
            r.v[i] = last;
        }
        return true;
    }
    case F::LAST:
        Fn::lastHolds(vecArg(node, 0), numArg(node, 1), numArg(node, 2), r.v);
        return true;
    case F::HOD:
    case F::LOD:
        Fn::rank(vecArg(node, 0), numArg(node, 1), F(node.index) == F::HOD, r.v);
        return true;
    case F::MEMA:
        Fn::mema(vecArg(node, 0), numArg(node, 1), r.v);
        return true;
    case F::TMA:
        Fn::tma(vecArg(node, 0), numArg(node, 1), numArg(node, 2), r.v);
        return true;
    case F::XMA:
        Fn::xma(vecArg(node, 0), numArg(node, 1), r.v);
        return true;
    case F::FORCAST:
        Fn::forcast(vecArg(node, 0), numArg(node, 1), r.v);
        return true;
    case F::DEVSQ:
    case F::VAR:
    case F::VARP: {
        const Fn::EMoment kind = F(node.index) == F::DEVSQ ? Fn::EMoment::DevSq
                                 : F(node.index) == F::VAR ? Fn::EMoment::Variance
                                                           : Fn::EMoment::PopVariance;
        Fn::moments(vecArg(node, 0), nullptr, numArg(node, 1), kind, r.v);
        return true;
    }
    case F::COVAR:
    case F::RELATE: {
        const Vec b = vecArg(node, 1);
        Fn::moments(vecArg(node, 0), &b, numArg(node, 2),
                    F(node.index) == F::COVAR ? Fn::EMoment::Covariance : Fn::EMoment::Correlation, r.v);
        return true;
    }
    case F::BETA: {
        const double n = numArg(node, 0);
        const QString index = m_input.instrumentKey.toUpper().startsWith(QLatin1String("SZ"))
                                  ? QStringLiteral("SZ399001")
                                  : QStringLiteral("SH000001");
        const CFormulaInput* in = referenced(index, 0);
        if (!in) {
            r.v.assign(m_size, kNaN);
            return true;
        }
        Vec indexClose(m_size, kNaN);
        for (size_t i = 0; i < m_size && i < in->close.size(); ++i)
            indexClose[i] = plain(in->close[i]);
        Fn::beta(field(EFormulaField::Close), indexClose, n, r.v);
        return true;
    }
    case F::ROUND:
        r = map(eval(node.args[0]), [](double a) { return std::round(a); });
        return true;
    case F::CEILING:
        r = map(eval(node.args[0]), [](double a) { return std::ceil(a); });
        return true;
    case F::FLOOR:
        r = map(eval(node.args[0]), [](double a) { return std::floor(a); });
        return true;
    case F::FRACPART:
        r = map(eval(node.args[0]), [](double a) { return a - std::trunc(a); });
        return true;
    case F::REVERSE:
        r = map(eval(node.args[0]), [](double a) { return -a; });
        return true;
    case F::SIN:
        r = map(eval(node.args[0]), [](double a) { return std::sin(a); });
        return true;
    case F::COS:
        r = map(eval(node.args[0]), [](double a) { return std::cos(a); });
        return true;
    case F::TAN:
        r = map(eval(node.args[0]), [](double a) { return std::tan(a); });
        return true;
    case F::ASIN:
        r = map(eval(node.args[0]), [](double a) { return std::fabs(a) <= 1.0 ? std::asin(a) : kNaN; });
        return true;
    case F::ACOS:
        r = map(eval(node.args[0]), [](double a) { return std::fabs(a) <= 1.0 ? std::acos(a) : kNaN; });
        return true;
    case F::ATAN:
        r = map(eval(node.args[0]), [](double a) { return std::atan(a); });
        return true;
    case F::RGB: {
        auto part = [](double v) { return std::min(255.0, std::max(0.0, std::round(v))); };
        const CValue g = map(eval(node.args[1]), [&](double v) { return part(v) * 256.0; });
        const CValue b = map(eval(node.args[2]), [&](double v) { return part(v) * 65536.0; });
        r = map(map(eval(node.args[0]), g, [&](double x, double y) { return part(x) + y; }), b,
                [](double x, double y) { return x + y; });
        return true;
    }
    case F::DATE:
        return calendar(Fn::ECalendar::Date);
    case F::TIME:
        return calendar(Fn::ECalendar::Time);
    case F::YEAR:
        return calendar(Fn::ECalendar::Year);
    case F::MONTH:
        return calendar(Fn::ECalendar::Month);
    case F::DAY:
        return calendar(Fn::ECalendar::Day);
    case F::WEEKDAY:
        return calendar(Fn::ECalendar::Weekday);
    case F::HOUR:
        return calendar(Fn::ECalendar::Hour);
    case F::MINUTE:
        return calendar(Fn::ECalendar::Minute);
    case F::PERIOD:
        r = scalarValue(Fn::periodCode(m_input.periodSec));
        return true;
    case F::TOTALBARSCOUNT:
        r = scalarValue(double(m_size));
        return true;
    case F::BARPOS:
    case F::CURRBARSCOUNT:
    case F::ISLASTBAR: {
        r.v.resize(m_size);
        const F id = F(node.index);
        for (size_t i = 0; i < m_size; ++i)
            r.v[i] = id == F::BARPOS          ? double(i + 1)
                     : id == F::CURRBARSCOUNT ? double(m_size - i)
                                              : (i + 1 == m_size ? 1.0 : 0.0);
        return true;
    }
    case F::ZIG:
        Fn::zig(prices(0), numArg(node, 1), r.v);
        return true;
    case F::PEAK:
    case F::TROUGH:
        Fn::peakTrough(prices(0), numArg(node, 1), numArg(node, 2), F(node.index) == F::PEAK, r.v);
        return true;
    default:
        return false;
    }
}

} // namespace flang
} // namespace TC
