#pragma once

#include <cmath>
#include <limits>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include <QMap>
#include <QString>

#include "platform/formula/lang/CFormulaInput.h"
#include "platform/formula/lang/CFormulaProgram.h"
#include "platform/formula/lang/CFormulaRunResult.h"

namespace TC {
namespace flang {

// The state of one evaluation (see CFormulaEvaluator): the parameters, the
// variables' values and the data columns read so far. Split over
// CFormulaEvaluator*.cpp by concern.
class CFormulaEvalContext
{
public:
    using Vec = std::vector<double>;

    // A node's value: a number (constants and parameters stay scalar so window
    // lengths can be read from them) or one value per bar.
    struct CValue {
        bool scalar = true;
        double s = std::numeric_limits<double>::quiet_NaN();
        Vec v;
    };

    static CValue scalarValue(double s)
    {
        CValue r;
        r.s = s;
        return r;
    }
    static double clean(double v) { return std::isfinite(v) ? v : std::numeric_limits<double>::quiet_NaN(); }

    CFormulaEvalContext(const CFormulaProgram& program, const CFormulaInput& input)
        : m_program(program), m_input(input)
    {
        m_size = size_t(input.barCount);
        m_slots.resize(size_t(program.slotCount()));
    }

    bool prepare(const QMap<QString, double>& params, QString& error);
    void runStatements(CFormulaRunResult& out);

private:
    CValue eval(int index);
    CValue evalCall(const CFormulaNode& node);
    // the functions added with the common set (CFormulaEvaluatorCalls.cpp);
    // false when id is none of them
    bool evalMore(const CFormulaNode& node, CValue& r);
    // drawing statements (CFormulaEvaluatorDrawing.cpp)
    void drawingOutput(const CFormulaNode& call, COutput& o);
    // the aligned bars of another instrument / period, fetched once per run
    const CFormulaInput* referenced(const QString& key, qint64 periodSec);
    CValue evalReference(const CFormulaNode& node);
    // the colour arguments as packed colours, 0xFFFFFFFF where none applies
    static unsigned colourOf(double v);
    Vec vec(CValue value) const;
    Vec vecArg(const CFormulaNode& node, size_t i) { return vec(eval(node.args[i])); }
    double num(const CValue& value) const;
    double numArg(const CFormulaNode& node, size_t i) { return num(eval(node.args[i])); }
    const Vec& field(EFormulaField f);
    Vec where(const Vec& cond, const Vec& value) const;

    template <typename Fn> CValue map(CValue a, Fn fn) const
    {
        if (a.scalar)
            return scalarValue(clean(fn(a.s)));
        for (double& x : a.v)
            x = clean(fn(x));
        return a;
    }
    template <typename Fn> CValue map(CValue a, CValue b, Fn fn) const
    {
        if (a.scalar && b.scalar)
            return scalarValue(clean(fn(a.s, b.s)));
        if (a.scalar) {
            for (double& x : b.v)
                x = clean(fn(a.s, x));
            return b;
        }
        for (size_t i = 0; i < a.v.size(); ++i)
            a.v[i] = clean(fn(a.v[i], b.scalar ? b.s : b.v[i]));
        return a;
    }

    const CFormulaProgram& m_program;
    const CFormulaInput& m_input;
    size_t m_size = 0;
    std::vector<double> m_params;
    std::vector<CValue> m_slots;
    Vec m_fields[8];
    bool m_fieldReady[8] = {};
    std::map<std::pair<QString, qint64>, std::unique_ptr<CFormulaInput>> m_references;
};

} // namespace flang
} // namespace TC
