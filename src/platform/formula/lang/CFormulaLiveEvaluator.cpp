#include "platform/formula/lang/CFormulaLiveEvaluator.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <limits>

#include <QHash>

#include "platform/formula/lang/CFormulaFunctionTable.h"
#include "platform/formula/lang/CFormulaFunctions.h"
#include "platform/formula/lang/CFormulaOperators.h"
#include "platform/formula/lang/CFormulaRunning.h"

namespace TC {
namespace flang {

namespace {

using F = EFormulaFunction;
using Fn = CFormulaFunctions;
const double kNaN = std::numeric_limits<double>::quiet_NaN();

double plain(double v)
{
    return (std::isfinite(v) && v < DBL_MAX && v > -DBL_MAX) ? v : kNaN;
}
double clean(double v)
{
    return std::isfinite(v) ? v : kNaN;
}
double flagOf(double v)
{
    return std::isnan(v) ? kNaN : (v != 0.0 ? 1.0 : 0.0);
}
bool holds(double v)
{
    return !std::isnan(v) && v != 0.0;
}

// What a node computes. Element-wise operations read their operands at the
// same bar; the others are the library's functions, one bar at a time.
enum class EOp {
    Scalar,
    Field,
    Neg,
    Not,
    Binary,
    Map, // one- and two-operand element-wise functions (fn)
    If,
    Between, // flag: RANGE (strict, ordered)
    Nothing, // an invalid window length: no value anywhere
    Mean,
    Sum,
    Cumulative,
    Count, // flag: EVERY/EXIST follow (flag2: EVERY)
    Ref,
    RefSeries,
    Extreme, // flag: highest, flag2: bars since
    ExtremeAll,
    Moments,
    Avedev,
    Cross,
    BarsLast,
    BarsCount,
    ValueWhen,
    Filter,
    Sma,
    Dma,
    Sar,
    Calendar,
    BarPos,
};

// Values of bars [off, off + v.size()).
struct CSeries {
    size_t off = 0;
    std::vector<double> v;

    double at(size_t i) const { return v[i - off]; }
    void fit(size_t n) { v.resize(n > off ? n - off : 0, kNaN); }
    void set(size_t i, double x) { v[i - off] = x; }
    // drops bars before `from`, in batches so that the cost stays amortised
    void trim(size_t from)
    {
        if (from <= off || from - off < std::max<size_t>(256, v.size() / 2))
            return;
        v.erase(v.begin(), v.begin() + long(from - off));
        off = from;
    }
};

struct CRunning {
    CMovingSumRun sum;
    CCumulativeSumRun cumulative;
    CRecursiveRun recursive;
    CMomentsRun moments;
    CSarRun sar;
    bool seen = false;
    long long at = 0;
    long long count = 0;
    double value = kNaN;
};

struct CNode {
    EOp op = EOp::Scalar;
    int fn = 0; // EFormulaFunction (Map, Calendar), EFormulaField (Field), EMoment (Moments)
    EFormulaOp bop = EFormulaOp::Add;
    std::vector<int> args;
    bool scalar = false;
    double s = kNaN;
    long long len = 0;
    double k = 0.0;
    double m = 0.0;
    bool flag = false;
    bool flag2 = false;
    size_t look = 0; // bars before the current one that consumers read
    bool keepAll = false;
    CSeries v;
    CRunning st;   // while a pass runs
    CRunning snap; // as it stood before the newest bar
};

struct CDrawn {
    const CFormulaStatement* st = nullptr;
    F fn = F::DRAWTEXT; // for drawing statements
    int root = -1;      // plain statements: the value; drawing ones: the condition
    std::vector<int> values;
    QString text;
    double param1 = 0.0;
    double param2 = 0.0;
};

} // namespace

struct CFormulaLiveEvaluator::CState {
    std::shared_ptr<const CFormulaProgram> program;
    std::vector<double> params;
    qint64 periodSec = -1;
    std::vector<CNode> nodes;
    std::vector<CDrawn> outputs; // every statement, hidden ones with st->hidden
    size_t count = 0;            // bars
    QString why;

    // the pass in progress: bars [from, count) come from tail
    const CFormulaInput* tail = nullptr;
    size_t from = 0;

    double val(int id, size_t i) const
    {
        const CNode& n = nodes[size_t(id)];
        return n.scalar ? n.s : n.v.at(i);
    }
    void need(int id, size_t depth)
    {
        CNode& n = nodes[size_t(id)];
        n.look = std::max(n.look, depth);
    }
    int add(CNode n)
    {
        nodes.push_back(std::move(n));
        return int(nodes.size()) - 1;
    }
    int scalarNode(double s)
    {
        CNode n;
        n.scalar = true;
        n.s = s;
        return add(std::move(n));
    }
    bool refuse(const QString& what)
    {
        if (why.isEmpty())
            why = what;
        return false;
    }

    bool build(const CFormulaInput& input);
    int node(int index, std::vector<int>& slotRoot);
    int call(const CFormulaNode& node, std::vector<int>& slotRoot);
    bool number(int id, double& value, const CFormulaNode& at);
    double compute(CNode& n, size_t i);
    double field(int f, size_t i) const;
    void pass(CFormulaRunResult& out);
};

double CFormulaLiveEvaluator::CState::field(int f, size_t i) const
{
    const size_t t = i - from;
    auto get = [&](const std::vector<double>& a) { return t < a.size() ? plain(a[t]) : kNaN; };
    switch (EFormulaField(f)) {
    case EFormulaField::Open:
        return get(tail->open);
    case EFormulaField::High:
        return get(tail->high);
    case EFormulaField::Low:
        return get(tail->low);
    case EFormulaField::Close:
        return get(tail->close);
    case EFormulaField::Volume:
        return get(tail->volume);
    case EFormulaField::Amount:
        return get(tail->amount);
    case EFormulaField::IsUp:
        return applyOperator(EFormulaOp::Gt, get(tail->close), get(tail->open));
    case EFormulaField::IsDown:
        return applyOperator(EFormulaOp::Lt, get(tail->close), get(tail->open));
    }
    return kNaN;
}

bool CFormulaLiveEvaluator::CState::number(int id, double& value, const CFormulaNode& at)
{
    // a series where a number belongs means its newest value, for every bar
    if (!nodes[size_t(id)].scalar)
        return refuse(QStringLiteral("%1 takes a series as a number").arg(at.text));
    value = nodes[size_t(id)].s;
    return true;
}

int CFormulaLiveEvaluator::CState::node(int index, std::vector<int>& slotRoot)
{
    const CFormulaNode& pn = program->nodes()[size_t(index)];
    switch (pn.kind) {
    case CFormulaNode::EKind::Number:
        return scalarNode(pn.number);
    case CFormulaNode::EKind::Param:
        return scalarNode(params[size_t(pn.index)]);
    case CFormulaNode::EKind::Data: {
        CNode n;
        n.op = EOp::Field;
        n.fn = pn.index;
        return add(std::move(n));
    }
    case CFormulaNode::EKind::Variable: {
        const int target =
            pn.index >= 0 && size_t(pn.index) < slotRoot.size() ? slotRoot[size_t(pn.index)] : -1;
        return target >= 0 ? target : scalarNode(kNaN);
    }
    case CFormulaNode::EKind::Unary:
    case CFormulaNode::EKind::Binary: {
        CNode n;
        for (int a : pn.args) {
            const int id = node(a, slotRoot);
            if (id < 0)
                return -1;
            n.args.push_back(id);
        }
        n.op = pn.kind == CFormulaNode::EKind::Binary ? EOp::Binary
               : pn.op == EFormulaOp::Neg             ? EOp::Neg
                                                      : EOp::Not;
        n.bop = pn.op;
        if (n.args.size() != (n.op == EOp::Binary ? 2u : 1u)) {
            refuse(QStringLiteral("malformed operator"));
            return -1;
        }
        return add(std::move(n));
    }
    case CFormulaNode::EKind::Call:
        return call(pn, slotRoot);
    case CFormulaNode::EKind::Reference:
        refuse(QStringLiteral("data of another instrument or period"));
        return -1;
    case CFormulaNode::EKind::String:
        break;
    }
    refuse(QStringLiteral("a text where a value belongs"));
    return -1;
}

int CFormulaLiveEvaluator::CState::call(const CFormulaNode& pn, std::vector<int>& slotRoot)
{
    const F id = F(pn.index);
    CNode n;
    n.fn = pn.index;
    auto args = [&](size_t count) {
        if (pn.args.size() < count)
            return refuse(QStringLiteral("%1 lacks arguments").arg(pn.text));
        for (size_t i = 0; i < count; ++i) {
            const int a = node(pn.args[i], slotRoot);
            if (a < 0)
                return false;
            n.args.push_back(a);
        }
        return true;
    };
    // the window length argument `i`: false when refused; n.op = Nothing when invalid
    auto window = [&](size_t i, bool zeroAllowed) {
        double len = 0.0;
        if (!number(n.args[i], len, pn))
            return false;
        if (!Fn::windowLength(len, n.len) || (!zeroAllowed && n.len == 0))
            n.op = EOp::Nothing;
        return true;
    };
    switch (id) {
    case F::ABS:
    case F::SQRT:
    case F::LN:
    case F::LOG:
    case F::EXP:
    case F::SIGN:
    case F::INTPART:
    case F::ROUND:
    case F::CEILING:
    case F::FLOOR:
    case F::FRACPART:
    case F::REVERSE:
        if (!args(1))
            return -1;
        n.op = EOp::Map;
        break;
    case F::MAX:
    case F::MIN:
    case F::MOD:
    case F::POW:
        if (!args(2))
            return -1;
        n.op = EOp::Map;
        break;
    case F::IF:
        if (!args(3))
            return -1;
        n.op = EOp::If;
        break;
    case F::BETWEEN:
    case F::RANGE:
        if (!args(3))
            return -1;
        n.op = EOp::Between;
        n.flag = id == F::RANGE;
        break;
    case F::MA:
        if (!args(2))
            return -1;
        n.op = EOp::Mean;
        if (!window(1, false))
            return -1;
        if (n.op != EOp::Nothing)
            need(n.args[0], size_t(n.len));
        break;
    case F::SUM:
        if (!args(2))
            return -1;
        n.op = EOp::Sum;
        if (!window(1, true))
            return -1;
        if (n.op != EOp::Nothing && n.len == 0)
            n.op = EOp::Cumulative;
        if (n.op == EOp::Sum)
            need(n.args[0], size_t(n.len));
        break;
    case F::COUNT:
    case F::EVERY:
    case F::EXIST:
        if (!args(2))
            return -1;
        n.op = EOp::Count;
        n.flag = id != F::COUNT;
        n.flag2 = id == F::EVERY;
        if (!window(1, true))
            return -1;
        if (n.op != EOp::Nothing)
            need(n.args[0], size_t(n.len));
        break;
    case F::REF: {
        if (!args(2))
            return -1;
        const CNode& len = nodes[size_t(n.args[1])];
        if (len.scalar) {
            n.op = EOp::Ref;
            if (!window(1, true))
                return -1;
            if (n.op != EOp::Nothing)
                need(n.args[0], size_t(n.len));
        } else {
            n.op = EOp::RefSeries; // any earlier bar may be read: keep the operand whole
            nodes[size_t(n.args[0])].keepAll = true;
        }
        break;
    }
    case F::HHV:
    case F::LLV:
    case F::HHVBARS:
    case F::LLVBARS:
        if (!args(2))
            return -1;
        n.op = EOp::Extreme;
        n.flag = id == F::HHV || id == F::HHVBARS;
        n.flag2 = id == F::HHVBARS || id == F::LLVBARS;
        if (!window(1, true))
            return -1;
        if (n.op != EOp::Nothing && n.len == 0)
            n.op = EOp::ExtremeAll;
        if (n.op == EOp::Extreme)
            need(n.args[0], size_t(n.len - 1));
        break;
    case F::STD:
    case F::STDP:
    case F::VAR:
    case F::VARP:
    case F::DEVSQ: {
        if (!args(2))
            return -1;
        const CMomentsRun::EKind kind = id == F::STD    ? CMomentsRun::EKind::Sample
                                        : id == F::STDP ? CMomentsRun::EKind::Population
                                        : id == F::VAR  ? CMomentsRun::EKind::Variance
                                        : id == F::VARP ? CMomentsRun::EKind::PopVariance
                                                        : CMomentsRun::EKind::DevSq;
        n.op = EOp::Moments;
        n.fn = int(kind);
        if (!window(1, true))
            return -1;
        if (n.op != EOp::Nothing && n.len < CMomentsRun::least(kind))
            n.op = EOp::Nothing;
        if (n.op != EOp::Nothing)
            need(n.args[0], size_t(n.len));
        break;
    }
    case F::AVEDEV:
        if (!args(2))
            return -1;
        n.op = EOp::Avedev;
        if (!window(1, false))
            return -1;
        if (n.op != EOp::Nothing)
            need(n.args[0], size_t(n.len));
        break;
    case F::CROSS:
        if (!args(2))
            return -1;
        n.op = EOp::Cross;
        need(n.args[0], 1);
        need(n.args[1], 1);
        break;
    case F::BARSLAST:
    case F::BARSCOUNT:
        if (!args(1))
            return -1;
        n.op = id == F::BARSLAST ? EOp::BarsLast : EOp::BarsCount;
        break;
    case F::VALUEWHEN:
        if (!args(2))
            return -1;
        n.op = EOp::ValueWhen;
        break;
    case F::FILTER:
        if (!args(2))
            return -1;
        n.op = EOp::Filter;
        if (!window(1, true))
            return -1;
        break;
    case F::EMA:
    case F::SMA: {
        if (!args(id == F::EMA ? 2 : 3))
            return -1;
        double len = 0.0;
        double m = 2.0;
        if (!number(n.args[1], len, pn) || (id == F::SMA && !number(n.args[2], m, pn)))
            return -1;
        long long whole = 0;
        n.op = EOp::Nothing;
        if (Fn::windowLength(len, whole) && whole != 0) {
            // EMA(X,N) is SMA(X,N+1,2), with SMA's own checks
            const double k = id == F::EMA ? double(whole + 1) : len;
            long long kk = 0;
            if (Fn::windowLength(k, kk) && kk != 0 && m > 0.0 && m <= double(kk)) {
                n.op = EOp::Sma;
                n.k = double(kk);
                n.m = m;
            }
        }
        break;
    }
    case F::DMA:
        if (!args(2))
            return -1;
        n.op = EOp::Dma;
        break;
    case F::SAR: {
        if (!args(3))
            return -1;
        double len = 0.0, step = 0.0, maxStep = 0.0;
        if (!number(n.args[0], len, pn) || !number(n.args[1], step, pn) || !number(n.args[2], maxStep, pn))
            return -1;
        n.args.clear();
        n.op = EOp::Nothing;
        if (Fn::windowLength(len, n.len) && CSarRun::accepts(n.len, step, maxStep)) {
            n.op = EOp::Sar;
            n.k = step / 100.0;
            n.m = maxStep / 100.0;
            for (EFormulaField f : {EFormulaField::High, EFormulaField::Low, EFormulaField::Close}) {
                CNode d;
                d.op = EOp::Field;
                d.fn = int(f);
                d.look = size_t(n.len);
                n.args.push_back(add(std::move(d)));
            }
        }
        break;
    }
    case F::DATE:
    case F::TIME:
    case F::YEAR:
    case F::MONTH:
    case F::DAY:
    case F::WEEKDAY:
    case F::HOUR:
    case F::MINUTE:
        n.op = EOp::Calendar;
        break;
    case F::BARPOS:
        n.op = EOp::BarPos;
        break;
    case F::PERIOD:
        return scalarNode(Fn::periodCode(periodSec));
    default:
        refuse(QStringLiteral("%1 is not followed bar by bar").arg(pn.text));
        return -1;
    }
    // element-wise operations of numbers stay numbers, as in the full run
    const bool elementwise = n.op == EOp::Map || n.op == EOp::If || n.op == EOp::Between;
    if (elementwise &&
        std::all_of(n.args.begin(), n.args.end(), [&](int a) { return nodes[size_t(a)].scalar; })) {
        n.s = compute(n, 0);
        n.scalar = true;
        n.args.clear();
    }
    return add(std::move(n));
}

bool CFormulaLiveEvaluator::CState::build(const CFormulaInput& input)
{
    periodSec = input.periodSec;
    std::vector<int> slotRoot(size_t(std::max(0, program->slotCount())), -1);
    for (const CFormulaStatement& st : program->statements()) {
        CDrawn d;
        d.st = &st;
        if (!st.drawing) {
            d.root = node(st.root, slotRoot);
            if (d.root < 0)
                return false;
            if (st.slot >= 0 && size_t(st.slot) < slotRoot.size())
                slotRoot[size_t(st.slot)] = d.root;
            outputs.push_back(std::move(d));
            continue;
        }
        const CFormulaNode& pn = program->nodes()[size_t(st.root)];
        d.fn = F(pn.index);
        auto value = [&](size_t i) {
            if (i >= pn.args.size())
                return refuse(QStringLiteral("%1 lacks arguments").arg(pn.text));
            const int id = node(pn.args[i], slotRoot);
            if (id < 0)
                return false;
            d.values.push_back(id);
            return true;
        };
        auto param = [&](size_t i, double& p) {
            if (!value(i))
                return false;
            const int id = d.values.back();
            d.values.pop_back();
            return number(id, p, pn);
        };
        bool ok = false;
        switch (d.fn) {
        case F::DRAWTEXT:
            ok = value(0) && value(1) && pn.args.size() > 2;
            if (ok)
                d.text = program->nodes()[size_t(pn.args[2])].text;
            break;
        case F::DRAWNUMBER:
            ok = value(0) && value(1) && value(2);
            break;
        case F::DRAWICON:
            ok = value(0) && value(1) && param(2, d.param1);
            break;
        case F::STICKLINE:
            ok = value(0) && value(1) && value(2) && param(3, d.param1) && param(4, d.param2);
            break;
        case F::DRAWKLINE:
            ok = value(0) && value(1) && value(2) && value(3);
            break;
        case F::VERTLINE:
            ok = value(0);
            break;
        default:
            return refuse(QStringLiteral("%1 is not followed bar by bar").arg(pn.text));
        }
        if (!ok)
            return false;
        outputs.push_back(std::move(d));
    }
    return true;
}

double CFormulaLiveEvaluator::CState::compute(CNode& n, size_t i)
{
    auto a = [&](size_t k) { return val(n.args[k], i); };
    auto before = [&](size_t k, long long back) {
        return static_cast<long long>(i) >= back ? val(n.args[k], i - size_t(back)) : kNaN;
    };
    CRunning& st = n.st;
    switch (n.op) {
    case EOp::Scalar:
        return n.s;
    case EOp::Field:
        return field(n.fn, i);
    case EOp::Neg:
        return clean(-a(0));
    case EOp::Not: {
        const double x = a(0);
        return clean(std::isnan(x) ? kNaN : (x == 0.0 ? 1.0 : 0.0));
    }
    case EOp::Binary:
        return clean(applyOperator(n.bop, a(0), a(1)));
    case EOp::Map: {
        const double x = a(0);
        switch (F(n.fn)) {
        case F::ABS:
            return clean(std::fabs(x));
        case F::SQRT:
            return clean(x < 0.0 ? kNaN : std::sqrt(x));
        case F::LN:
            return clean(x > 0.0 ? std::log(x) : kNaN);
        case F::LOG:
            return clean(x > 0.0 ? std::log10(x) : kNaN);
        case F::EXP:
            return clean(std::exp(x));
        case F::SIGN:
            return clean(std::isnan(x) ? x : double((x > 0.0) - (x < 0.0)));
        case F::INTPART:
            return clean(std::trunc(x));
        case F::ROUND:
            return clean(std::round(x));
        case F::CEILING:
            return clean(std::ceil(x));
        case F::FLOOR:
            return clean(std::floor(x));
        case F::FRACPART:
            return clean(x - std::trunc(x));
        case F::REVERSE:
            return clean(-x);
        default:
            break;
        }
        const double y = a(1);
        switch (F(n.fn)) {
        case F::MAX:
            return clean(std::isnan(x) || std::isnan(y) ? kNaN : std::max(x, y));
        case F::MIN:
            return clean(std::isnan(x) || std::isnan(y) ? kNaN : std::min(x, y));
        case F::MOD:
            return clean(y == 0.0 ? kNaN : std::fmod(x, y));
        case F::POW:
            return clean(std::pow(x, y));
        default:
            return kNaN;
        }
    }
    case EOp::If: {
        const double c = a(0);
        return std::isnan(c) ? kNaN : (c != 0.0 ? a(1) : a(2));
    }
    case EOp::Between: {
        const double x = a(0), b = a(1), c = a(2);
        if (std::isnan(x) || std::isnan(b) || std::isnan(c))
            return kNaN;
        const bool in = n.flag ? (b < x && x < c) : ((b <= x && x <= c) || (c <= x && x <= b));
        return in ? 1.0 : 0.0;
    }
    case EOp::Nothing:
        return kNaN;
    case EOp::Mean:
    case EOp::Sum:
        return st.sum.step(a(0), before(0, 1), before(0, n.len), n.len, n.op == EOp::Mean);
    case EOp::Cumulative:
        return st.cumulative.step(a(0));
    case EOp::Count: {
        const double x = a(0);
        const double c =
            n.len == 0 ? st.cumulative.step(flagOf(x))
                       : st.sum.step(flagOf(x), flagOf(before(0, 1)), flagOf(before(0, n.len)), n.len, false);
        if (!n.flag)
            return c;
        // EVERY / EXIST: N=0 asks for every bar since the first valid one
        if (!std::isnan(x))
            ++st.count;
        if (std::isnan(c))
            return c;
        const double need = n.len == 0 ? double(st.count) : double(n.len);
        return n.flag2 ? (c == need ? 1.0 : 0.0) : (c > 0.0 ? 1.0 : 0.0);
    }
    case EOp::Ref:
        return before(0, n.len);
    case EOp::RefSeries: {
        long long k = 0;
        return Fn::windowLength(a(1), k) && k <= static_cast<long long>(i) ? val(n.args[0], i - size_t(k))
                                                                           : kNaN;
    }
    case EOp::Extreme: {
        // the newest extreme wins ties, as the library's deque keeps it
        if (static_cast<long long>(i) + 1 < n.len)
            return kNaN;
        const size_t first = i + 1 - size_t(n.len);
        double best = kNaN;
        size_t at = first;
        for (size_t j = first; j <= i; ++j) {
            const double x = val(n.args[0], j);
            if (std::isnan(x))
                return kNaN;
            if (j == first || (n.flag ? x >= best : x <= best)) {
                best = x;
                at = j;
            }
        }
        return n.flag2 ? double(i - at) : best;
    }
    case EOp::ExtremeAll: {
        const double x = a(0);
        if (std::isnan(x))
            return kNaN;
        if (!st.seen || (n.flag ? x >= st.value : x <= st.value)) {
            st.value = x;
            st.at = static_cast<long long>(i);
            st.seen = true;
        }
        return n.flag2 ? double(static_cast<long long>(i) - st.at) : st.value;
    }
    case EOp::Moments: {
        const double x = a(0);
        const double prev = before(0, 1);
        const double old = before(0, n.len);
        return st.moments.step(x, x, prev, prev, old, old, n.len, CMomentsRun::EKind(n.fn), false);
    }
    case EOp::Avedev: {
        const double mean = st.sum.step(a(0), before(0, 1), before(0, n.len), n.len, true);
        if (std::isnan(mean))
            return kNaN;
        double dev = 0.0;
        for (size_t j = i + 1 - size_t(n.len); j <= i; ++j)
            dev += std::fabs(val(n.args[0], j) - mean);
        return dev / double(n.len);
    }
    case EOp::Cross: {
        if (i == 0)
            return kNaN;
        const double x = a(0), y = a(1), px = before(0, 1), py = before(1, 1);
        if (std::isnan(x) || std::isnan(y) || std::isnan(px) || std::isnan(py))
            return kNaN;
        return (px < py && x > y) ? 1.0 : 0.0;
    }
    case EOp::BarsLast:
        if (holds(a(0))) {
            st.at = static_cast<long long>(i);
            st.seen = true;
        }
        return st.seen ? double(static_cast<long long>(i) - st.at) : kNaN;
    case EOp::BarsCount:
        if (!st.seen && !std::isnan(a(0))) {
            st.at = static_cast<long long>(i);
            st.seen = true;
        }
        return st.seen ? double(static_cast<long long>(i) - st.at + 1) : kNaN;
    case EOp::ValueWhen:
        if (holds(a(0))) {
            st.value = a(1);
            st.seen = true;
        }
        return st.seen ? st.value : kNaN;
    case EOp::Filter: {
        const double x = a(0);
        if (std::isnan(x))
            return kNaN;
        const long long bar = static_cast<long long>(i);
        if (st.seen && bar <= st.at)
            return 0.0;
        if (x != 0.0) {
            st.at = bar + n.len; // the last bar the signal suppresses
            st.seen = true;
            return 1.0;
        }
        return 0.0;
    }
    case EOp::Sma:
        return st.recursive.sma(a(0), n.k, n.m);
    case EOp::Dma:
        return st.recursive.dma(a(0), a(1));
    case EOp::Sar: {
        auto at = [this, &n](size_t k) {
            return [this, &n, k](long long j) { return val(n.args[k], size_t(j)); };
        };
        return st.sar.step(static_cast<long long>(i), at(0), at(1), at(2), n.len, n.k, n.m);
    }
    case EOp::Calendar:
        return kNaN; // filled by the pass, a stretch at a time
    case EOp::BarPos:
        return double(i + 1);
    }
    return kNaN;
}

void CFormulaLiveEvaluator::CState::pass(CFormulaRunResult& out)
{
    const size_t n = count;
    for (CNode& node : nodes) {
        if (node.scalar)
            continue;
        node.st = node.snap;
        node.v.fit(n);
        if (node.op == EOp::Calendar) {
            std::vector<long long> times;
            for (size_t i = from; i < n && i - from < tail->times.size(); ++i)
                times.push_back(tail->times[i - from]);
            std::vector<double> values;
            // DATE .. MINUTE follow ECalendar's order
            Fn::calendar(times, n - from, Fn::ECalendar(node.fn - int(F::DATE)), values);
            for (size_t i = from; i < n; ++i)
                node.v.set(i, values[i - from]);
            continue;
        }
        for (size_t i = from; i < n; ++i) {
            if (i + 1 == n)
                node.snap = node.st;
            node.v.set(i, compute(node, i));
        }
    }

    out.outputs.clear();
    auto column = [&](int id, int cond) {
        std::vector<double> c(n - from);
        for (size_t i = from; i < n; ++i) {
            const double v = cond < 0 || holds(val(cond, i)) ? val(id, i) : kNaN;
            c[i - from] = std::isfinite(v) ? v : DBL_MAX;
        }
        return c;
    };
    for (const CDrawn& d : outputs) {
        const CFormulaStatement& st = *d.st;
        if (!st.drawing && st.hidden)
            continue;
        COutput o;
        o.name = st.name;
        o.styleCode = st.styleCode;
        o.color = st.color;
        o.lineWidth = st.lineWidth;
        if (!st.drawing) {
            o.columns.push_back(column(d.root, -1));
        } else {
            const std::vector<int>& v = d.values;
            switch (d.fn) {
            case F::DRAWTEXT:
                o.columns.push_back(column(v[1], v[0]));
                o.texts.resize(n - from);
                for (size_t i = from; i < n; ++i) {
                    if (holds(val(v[0], i)))
                        o.texts[i - from] = d.text;
                }
                break;
            case F::DRAWNUMBER:
                o.columns.push_back(column(v[1], v[0]));
                o.columns.push_back(column(v[2], v[0]));
                break;
            case F::DRAWICON:
                o.columns.push_back(column(v[1], v[0]));
                o.param1 = d.param1;
                break;
            case F::STICKLINE:
                o.columns.push_back(column(v[1], v[0]));
                o.columns.push_back(column(v[2], v[0]));
                o.param1 = d.param1;
                o.param2 = d.param2;
                break;
            case F::DRAWKLINE:
                // arguments come as H,O,L,C; the K-line drawing reads open, high, low, close
                o.columns.push_back(column(v[1], -1));
                o.columns.push_back(column(v[0], -1));
                o.columns.push_back(column(v[2], -1));
                o.columns.push_back(column(v[3], -1));
                break;
            default: { // VERTLINE
                std::vector<double> c(n - from, DBL_MAX);
                for (size_t i = from; i < n; ++i) {
                    if (holds(val(v[0], i)))
                        c[i - from] = 1.0;
                }
                o.columns.push_back(std::move(c));
                break;
            }
            }
        }
        if (!std::isfinite(o.param1))
            o.param1 = DBL_MAX;
        if (!std::isfinite(o.param2))
            o.param2 = DBL_MAX;
        out.outputs.push_back(std::move(o));
    }

    // keep what the next pass reads: bars from the newest one back by `look`
    for (CNode& node : nodes) {
        if (node.scalar || node.keepAll)
            continue;
        const size_t keepFrom = n - 1 > node.look ? n - 1 - node.look : 0;
        node.v.trim(keepFrom);
    }
}

CFormulaLiveEvaluator::CFormulaLiveEvaluator() = default;
CFormulaLiveEvaluator::~CFormulaLiveEvaluator() = default;

bool CFormulaLiveEvaluator::follows(const CFormulaProgram& program, QString* why)
{
    // the same analysis as start(), over placeholder parameters and no bars
    CState s;
    s.program = std::shared_ptr<const CFormulaProgram>(&program, [](const CFormulaProgram*) {});
    s.params.assign(size_t(program.paramNames().size()), 1.0);
    const bool ok = s.build(CFormulaInput());
    if (!ok && why)
        *why = s.why;
    return ok;
}

bool CFormulaLiveEvaluator::start(std::shared_ptr<const CFormulaProgram> program,
                                  const QMap<QString, double>& params, const CFormulaInput& input,
                                  CFormulaRunResult& out, QString* why)
{
    m_state.reset();
    out.outputs.clear();
    auto fail = [&](const QString& message) {
        if (why)
            *why = message;
        return false;
    };
    if (!program)
        return fail(QStringLiteral("no program"));
    if (input.barCount < 1)
        return fail(QStringLiteral("no bars"));
    for (const std::vector<double>* a :
         {&input.open, &input.high, &input.low, &input.close, &input.volume, &input.amount}) {
        if (!a->empty() && a->size() < size_t(input.barCount))
            return fail(QStringLiteral("input shorter than its bar count"));
    }
    std::unique_ptr<CState> s(new CState);
    s->program = std::move(program);
    QHash<QString, double> upper;
    for (auto it = params.constBegin(); it != params.constEnd(); ++it)
        upper.insert(it.key().toUpper(), it.value());
    for (const QString& name : s->program->paramNames()) {
        const auto it = upper.constFind(name);
        if (it == upper.constEnd())
            return fail(QStringLiteral("missing parameter %1").arg(name));
        s->params.push_back(clean(it.value() >= DBL_MAX || it.value() <= -DBL_MAX ? kNaN : it.value()));
    }
    if (!s->build(input))
        return fail(s->why);
    s->tail = &input;
    s->from = 0;
    s->count = size_t(input.barCount);
    s->pass(out);
    s->tail = nullptr;
    m_state = std::move(s);
    return true;
}

void CFormulaLiveEvaluator::advance(const CFormulaInput& tail, CFormulaRunResult& out)
{
    out.outputs.clear();
    if (!m_state || tail.barCount < 1)
        return;
    CState& s = *m_state;
    s.tail = &tail;
    s.from = s.count - 1;
    s.count = s.from + size_t(tail.barCount);
    s.pass(out);
    s.tail = nullptr;
}

size_t CFormulaLiveEvaluator::barCount() const
{
    return m_state ? m_state->count : 0;
}

} // namespace flang
} // namespace TC
