#include "platform/formula/lang/CFormulaEvaluator.h"

#include "platform/formula/lang/CFormulaEvalContext.h"

#include <cfloat>
#include <cmath>
#include <limits>
#include <new>

#include <QHash>

#include "platform/config/QLLog.h"
#include "platform/formula/lang/CFormulaFunctionTable.h"
#include "platform/formula/lang/CFormulaFunctions.h"
#include "platform/formula/lang/CFormulaOperators.h"
#include "platform/formula/lang/CFormulaStyle.h"

namespace TC {
namespace flang {

namespace {

using Vec = std::vector<double>;
using CValue = CFormulaEvalContext::CValue;
const double kNaN = std::numeric_limits<double>::quiet_NaN();

double binary(EFormulaOp op, double a, double b)
{
    return applyOperator(op, a, b);
}

} // namespace

bool CFormulaEvalContext::prepare(const QMap<QString, double>& params, QString& error)
{
    if (m_input.barCount < 0) {
        error = QStringLiteral("K线数量无效 %1").arg(m_input.barCount);
        return false;
    }
    const std::pair<const Vec*, const char*> arrays[] = {
        {&m_input.open, "open"},   {&m_input.high, "high"},     {&m_input.low, "low"},
        {&m_input.close, "close"}, {&m_input.volume, "volume"}, {&m_input.amount, "amount"},
    };
    for (const auto& a : arrays) {
        if (!a.first->empty() && a.first->size() < m_size) {
            error = QStringLiteral("输入数据长度不足 '%1'").arg(QLatin1String(a.second));
            return false;
        }
    }
    QHash<QString, double> upper;
    for (auto it = params.constBegin(); it != params.constEnd(); ++it)
        upper.insert(it.key().toUpper(), it.value());
    for (const QString& name : m_program.paramNames()) {
        const auto it = upper.constFind(name);
        if (it == upper.constEnd()) {
            error = QStringLiteral("缺少参数 '%1'").arg(name);
            return false;
        }
        m_params.push_back(clean(it.value() >= DBL_MAX || it.value() <= -DBL_MAX ? kNaN : it.value()));
    }
    return true;
}

const Vec& CFormulaEvalContext::field(EFormulaField f)
{
    const int k = static_cast<int>(f);
    if (m_fieldReady[k])
        return m_fields[k];
    Vec& out = m_fields[k];
    if (f == EFormulaField::IsUp || f == EFormulaField::IsDown) {
        const Vec& c = field(EFormulaField::Close);
        const Vec& o = field(EFormulaField::Open);
        out.resize(m_size);
        for (size_t i = 0; i < m_size; ++i)
            out[i] = binary(f == EFormulaField::IsUp ? EFormulaOp::Gt : EFormulaOp::Lt, c[i], o[i]);
    } else {
        const Vec* src = nullptr;
        switch (f) {
        case EFormulaField::Open:
            src = &m_input.open;
            break;
        case EFormulaField::High:
            src = &m_input.high;
            break;
        case EFormulaField::Low:
            src = &m_input.low;
            break;
        case EFormulaField::Close:
            src = &m_input.close;
            break;
        case EFormulaField::Volume:
            src = &m_input.volume;
            break;
        default:
            src = &m_input.amount;
            break;
        }
        out.assign(m_size, kNaN);
        if (!src->empty()) {
            for (size_t i = 0; i < m_size; ++i) {
                const double v = (*src)[i];
                // the records mark a missing value with the largest double
                out[i] = (std::isfinite(v) && v < DBL_MAX && v > -DBL_MAX) ? v : kNaN;
            }
        }
    }
    m_fieldReady[k] = true;
    return out;
}

Vec CFormulaEvalContext::vec(CValue value) const
{
    if (value.scalar)
        return Vec(m_size, value.s);
    return std::move(value.v);
}

double CFormulaEvalContext::num(const CValue& value) const
{
    if (value.scalar)
        return value.s;
    return value.v.empty() ? kNaN : value.v.back();
}

Vec CFormulaEvalContext::where(const Vec& cond, const Vec& value) const
{
    Vec out(m_size, kNaN);
    for (size_t i = 0; i < m_size; ++i) {
        if (!std::isnan(cond[i]) && cond[i] != 0.0)
            out[i] = value[i];
    }
    return out;
}

CValue CFormulaEvalContext::eval(int index)
{
    const CFormulaNode& node = m_program.nodes()[size_t(index)];
    switch (node.kind) {
    case CFormulaNode::EKind::Number:
        return scalarValue(node.number);
    case CFormulaNode::EKind::Param:
        return scalarValue(m_params[size_t(node.index)]);
    case CFormulaNode::EKind::Data: {
        CValue r;
        r.scalar = false;
        r.v = field(EFormulaField(node.index));
        return r;
    }
    case CFormulaNode::EKind::Variable:
        return m_slots[size_t(node.index)];
    case CFormulaNode::EKind::Unary:
        if (node.op == EFormulaOp::Neg)
            return map(eval(node.args[0]), [](double a) { return -a; });
        return map(eval(node.args[0]),
                   [](double a) { return std::isnan(a) ? kNaN : (a == 0.0 ? 1.0 : 0.0); });
    case CFormulaNode::EKind::Binary: {
        const EFormulaOp op = node.op;
        return map(eval(node.args[0]), eval(node.args[1]),
                   [op](double a, double b) { return binary(op, a, b); });
    }
    case CFormulaNode::EKind::Call:
        return evalCall(node);
    case CFormulaNode::EKind::Reference:
        return evalReference(node);
    case CFormulaNode::EKind::String:
        break; // only reachable as DRAWTEXT's text, which is read directly
    }
    return scalarValue(kNaN);
}

CValue CFormulaEvalContext::evalCall(const CFormulaNode& node)
{
    using F = EFormulaFunction;
    const F id = F(node.index);
    CValue r;
    r.scalar = false;
    switch (id) {
    case F::ABS:
        return map(eval(node.args[0]), [](double a) { return std::fabs(a); });
    case F::SQRT:
        return map(eval(node.args[0]), [](double a) { return a < 0.0 ? kNaN : std::sqrt(a); });
    case F::LN:
        return map(eval(node.args[0]), [](double a) { return a > 0.0 ? std::log(a) : kNaN; });
    case F::LOG:
        return map(eval(node.args[0]), [](double a) { return a > 0.0 ? std::log10(a) : kNaN; });
    case F::EXP:
        return map(eval(node.args[0]), [](double a) { return std::exp(a); });
    case F::SIGN:
        return map(eval(node.args[0]),
                   [](double a) { return std::isnan(a) ? a : double((a > 0.0) - (a < 0.0)); });
    case F::INTPART:
        return map(eval(node.args[0]), [](double a) { return std::trunc(a); });
    case F::MAX:
        return map(eval(node.args[0]), eval(node.args[1]),
                   [](double a, double b) { return std::isnan(a) || std::isnan(b) ? kNaN : std::max(a, b); });
    case F::MIN:
        return map(eval(node.args[0]), eval(node.args[1]),
                   [](double a, double b) { return std::isnan(a) || std::isnan(b) ? kNaN : std::min(a, b); });
    case F::MOD:
        return map(eval(node.args[0]), eval(node.args[1]),
                   [](double a, double b) { return b == 0.0 ? kNaN : std::fmod(a, b); });
    case F::POW:
        return map(eval(node.args[0]), eval(node.args[1]), [](double a, double b) { return std::pow(a, b); });
    case F::IF: {
        CValue c = eval(node.args[0]);
        CValue a = eval(node.args[1]);
        CValue b = eval(node.args[2]);
        if (c.scalar && a.scalar && b.scalar)
            return scalarValue(std::isnan(c.s) ? kNaN : (c.s != 0.0 ? a.s : b.s));
        const Vec cv = vec(std::move(c));
        const Vec av = vec(std::move(a));
        r.v = vec(std::move(b));
        for (size_t i = 0; i < m_size; ++i)
            r.v[i] = std::isnan(cv[i]) ? kNaN : (cv[i] != 0.0 ? av[i] : r.v[i]);
        return r;
    }
    case F::MA:
        CFormulaFunctions::ma(vecArg(node, 0), numArg(node, 1), r.v);
        return r;
    case F::EMA:
        CFormulaFunctions::ema(vecArg(node, 0), numArg(node, 1), r.v);
        return r;
    case F::SMA:
        CFormulaFunctions::sma(vecArg(node, 0), numArg(node, 1), numArg(node, 2), r.v);
        return r;
    case F::WMA:
        CFormulaFunctions::wma(vecArg(node, 0), numArg(node, 1), r.v);
        return r;
    case F::DMA:
        CFormulaFunctions::dma(vecArg(node, 0), vecArg(node, 1), r.v);
        return r;
    case F::EXPMEMA:
        CFormulaFunctions::expmema(vecArg(node, 0), numArg(node, 1), r.v);
        return r;
    case F::REF:
        CFormulaFunctions::ref(vecArg(node, 0), vecArg(node, 1), r.v);
        return r;
    case F::HHV:
        CFormulaFunctions::extreme(vecArg(node, 0), numArg(node, 1), true, false, r.v);
        return r;
    case F::LLV:
        CFormulaFunctions::extreme(vecArg(node, 0), numArg(node, 1), false, false, r.v);
        return r;
    case F::HHVBARS:
        CFormulaFunctions::extreme(vecArg(node, 0), numArg(node, 1), true, true, r.v);
        return r;
    case F::LLVBARS:
        CFormulaFunctions::extreme(vecArg(node, 0), numArg(node, 1), false, true, r.v);
        return r;
    case F::SUM:
        CFormulaFunctions::sum(vecArg(node, 0), numArg(node, 1), r.v);
        return r;
    case F::STD:
        CFormulaFunctions::stddev(vecArg(node, 0), numArg(node, 1), true, r.v);
        return r;
    case F::STDP:
        CFormulaFunctions::stddev(vecArg(node, 0), numArg(node, 1), false, r.v);
        return r;
    case F::AVEDEV:
        CFormulaFunctions::avedev(vecArg(node, 0), numArg(node, 1), r.v);
        return r;
    case F::SLOPE:
        CFormulaFunctions::slope(vecArg(node, 0), numArg(node, 1), r.v);
        return r;
    case F::COUNT:
        CFormulaFunctions::count(vecArg(node, 0), numArg(node, 1), r.v);
        return r;
    case F::EVERY:
        CFormulaFunctions::every(vecArg(node, 0), numArg(node, 1), true, r.v);
        return r;
    case F::EXIST:
        CFormulaFunctions::every(vecArg(node, 0), numArg(node, 1), false, r.v);
        return r;
    case F::CROSS:
        CFormulaFunctions::cross(vecArg(node, 0), vecArg(node, 1), r.v);
        return r;
    case F::BARSLAST:
        CFormulaFunctions::barsLast(vecArg(node, 0), r.v);
        return r;
    case F::BARSCOUNT:
        CFormulaFunctions::barsCount(vecArg(node, 0), r.v);
        return r;
    case F::FILTER:
        CFormulaFunctions::filter(vecArg(node, 0), numArg(node, 1), r.v);
        return r;
    case F::VALUEWHEN:
        CFormulaFunctions::valueWhen(vecArg(node, 0), vecArg(node, 1), r.v);
        return r;
    case F::SAR:
        CFormulaFunctions::sar(field(EFormulaField::High), field(EFormulaField::Low),
                               field(EFormulaField::Close), numArg(node, 0), numArg(node, 1), numArg(node, 2),
                               r.v);
        return r;
    default:
        if (evalMore(node, r))
            return r;
        break; // drawing functions are statements, handled in runStatements
    }
    return scalarValue(kNaN);
}

void CFormulaEvalContext::runStatements(CFormulaRunResult& out)
{
    using F = EFormulaFunction;
    for (const CFormulaStatement& st : m_program.statements()) {
        COutput o;
        o.name = st.name;
        o.styleCode = st.styleCode;
        o.color = st.color;
        o.lineWidth = st.lineWidth;
        if (st.drawing) {
            const CFormulaNode& call = m_program.nodes()[size_t(st.root)];
            switch (F(call.index)) {
            case F::DRAWTEXT: {
                const Vec cond = vecArg(call, 0);
                o.columns.push_back(where(cond, vecArg(call, 1)));
                const QString text = m_program.nodes()[size_t(call.args[2])].text;
                o.texts.resize(m_size);
                for (size_t i = 0; i < m_size; ++i) {
                    if (!std::isnan(cond[i]) && cond[i] != 0.0)
                        o.texts[i] = text;
                }
                break;
            }
            case F::DRAWNUMBER: {
                const Vec cond = vecArg(call, 0);
                o.columns.push_back(where(cond, vecArg(call, 1)));
                o.columns.push_back(where(cond, vecArg(call, 2)));
                break;
            }
            case F::DRAWICON: {
                const Vec cond = vecArg(call, 0);
                o.columns.push_back(where(cond, vecArg(call, 1)));
                o.param1 = numArg(call, 2);
                break;
            }
            case F::STICKLINE: {
                const Vec cond = vecArg(call, 0);
                o.columns.push_back(where(cond, vecArg(call, 1)));
                o.columns.push_back(where(cond, vecArg(call, 2)));
                o.param1 = numArg(call, 3);
                o.param2 = numArg(call, 4);
                break;
            }
            case F::DRAWKLINE:
                // arguments come as H,O,L,C; the K-line drawing reads open, high, low, close
                o.columns.push_back(vecArg(call, 1));
                o.columns.push_back(vecArg(call, 0));
                o.columns.push_back(vecArg(call, 2));
                o.columns.push_back(vecArg(call, 3));
                break;
            case F::VERTLINE:
                o.columns.push_back(where(vecArg(call, 0), Vec(m_size, 1.0)));
                break;
            default:
                drawingOutput(call, o);
                break;
            }
        } else {
            CValue value = eval(st.root);
            if (st.slot >= 0)
                m_slots[size_t(st.slot)] = value;
            if (st.hidden)
                continue;
            o.columns.push_back(vec(std::move(value)));
        }
        for (Vec& column : o.columns) {
            for (double& x : column) {
                if (!std::isfinite(x))
                    x = DBL_MAX;
            }
        }
        if (!std::isfinite(o.param1))
            o.param1 = DBL_MAX;
        if (!std::isfinite(o.param2))
            o.param2 = DBL_MAX;
        out.outputs.push_back(std::move(o));
    }
}

bool CFormulaEvaluator::run(const CFormulaProgram& program, const CFormulaInput& input,
                            const QMap<QString, double>& params, CFormulaRunResult& out, QString* error)
{
    out.outputs.clear();
    QString message;
    try {
        CFormulaEvalContext context(program, input);
        if (context.prepare(params, message)) {
            context.runStatements(out);
            return true;
        }
    } catch (const std::bad_alloc&) {
        message = QStringLiteral("内存不足, K线数量 %1").arg(input.barCount);
    }
    out.outputs.clear();
    QLLOG_WARN_S(qlog::kStdLogger, "formula run failed: %1%", message);
    if (error)
        *error = message;
    return false;
}

} // namespace flang
} // namespace TC
