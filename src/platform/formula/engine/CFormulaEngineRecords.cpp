#include <algorithm>

#include "platform/formula/catalog/CFormulaDetail.h"
#include "platform/formula/engine/CFormulaEngine.h"
#include "platform/formula/engine/CFormulaEngineRun.h"

namespace TC {

namespace {

bool isWhole(const quoter::TimeSeq& t)
{
    return t.isMark() || (t.time == -1 && t.seq == 0);
}

// Configured decimals of an output. A record that names its outputs (the
// native formulas) is matched by name, as its list need not follow the
// engine's output order; otherwise by position.
int decimalsOf(const CFormulaDetail* detail, const std::string& name, int i)
{
    if (!detail)
        return -1;
    const QStringList& names = detail->getOutputNames();
    if (!names.isEmpty()) {
        i = names.indexOf(QString::fromStdString(name));
        if (i < 0)
            return -1;
    }
    int d = -1;
    return detail->outputDecimals(i, d) ? d : -1;
}

} // namespace

void CFormulaEngine::window(const CFormulaParam& p, const CFormulaEngineRun& run, int& first, int& last)
{
    const auto& times = run.times;
    first = 0;
    last = int(times.size()) - 1;
    if (!isWhole(p.rangeStart)) {
        const qint64 t = p.rangeStart.time;
        first = int(std::lower_bound(times.cbegin(), times.cend(), t,
                                     [](const se::RPCTimeItem& a, qint64 v) { return a.timeMs < v; }) -
                    times.cbegin());
    }
    if (!isWhole(p.rangeEnd)) {
        const qint64 t = p.rangeEnd.time;
        last = int(std::upper_bound(times.cbegin(), times.cend(), t,
                                    [](qint64 v, const se::RPCTimeItem& a) { return v < a.timeMs; }) -
                   times.cbegin()) -
               1;
    }
    // A limit below 1 never reaches the service from the chart; it is read
    // as "no limit" rather than as an empty answer.
    if (p.countLimit > 0 && last - first + 1 > p.countLimit)
        first = last - p.countLimit + 1;
}

void CFormulaEngine::fillMeta(const CFormulaParam& p, const CFormulaDetail* detail,
                              const CFormulaEngineRun& run, se::RPCFormulaMetaResult& meta)
{
    meta = se::RPCFormulaMetaResult();
    meta.formulaName = run.formulaName;
    meta.stockKey = p.stockKey().toStdString();
    meta.requestId = p.requestId.toStdString();
    meta.periodMs = p.periodMs;
    const size_t n = run.outputs.size();
    meta.names.reserve(n);
    meta.columns.reserve(n);
    meta.nameGroups.reserve(n);
    int column = 0;
    for (size_t i = 0; i < n; ++i) {
        const CFormulaEngineOutput& o = run.outputs[i];
        meta.names.push_back(o.name);
        meta.styles.push_back(o.style);
        meta.colors.push_back(o.color);
        meta.widths.push_back(o.width);
        std::vector<int> cols;
        for (size_t c = 0; c < o.columns.size(); ++c)
            cols.push_back(column++);
        meta.columns.push_back(std::move(cols));
        meta.outputInts.push_back(0);
        meta.params1.push_back(o.param1);
        meta.params2.push_back(o.param2);
        meta.nameGroups.push_back(o.columnNames);
        meta.decimals.push_back(decimalsOf(detail, o.name, int(i)));
    }
}

void CFormulaEngine::fillResult(const CFormulaParam& p, const CFormulaEngineRun& run, int first, int last,
                                se::RPCFormulaResult& result)
{
    result = se::RPCFormulaResult();
    result.formulaName = run.formulaName;
    result.stockKey = p.stockKey().toStdString();
    result.requestId = p.requestId.toStdString();
    result.periodMs = p.periodMs;
    result.drType = p.drType;
    if (first < 0)
        first = 0;
    if (last < first - 1)
        last = first - 1;
    const auto b = size_t(first);
    const auto e = size_t(last + 1);
    result.times.assign(run.times.begin() + long(b), run.times.begin() + long(e));
    result.basicData.assign(run.bars.begin() + long(b), run.bars.begin() + long(e));
    result.barFlags.assign(e - b, 1);
    int column = 0;
    for (const CFormulaEngineOutput& o : run.outputs) {
        for (const std::vector<double>& col : o.columns) {
            result.values.emplace_back(col.begin() + long(b), col.begin() + long(e));
            result.columnMap[column] = column;
            ++column;
        }
        if (o.texts.empty())
            result.texts.emplace_back();
        else
            result.texts.emplace_back(o.texts.begin() + long(b), o.texts.begin() + long(e));
        if (o.numbers.empty())
            result.numbers.emplace_back();
        else
            result.numbers.emplace_back(o.numbers.begin() + long(b), o.numbers.begin() + long(e));
        if (o.barColors.empty())
            result.barColors.emplace_back();
        else
            result.barColors.emplace_back(o.barColors.begin() + long(b), o.barColors.begin() + long(e));
        result.outputInts.push_back(1);
    }
}

se::RPCFormulaInstantResult CFormulaEngine::instantAt(const CFormulaEngineRun& run, int bar)
{
    se::RPCFormulaInstantResult r;
    const auto i = size_t(bar);
    r.time = run.times[i];
    if (i < run.bars.size()) {
        r.basic = run.bars[i];
        r.hasBasic = true;
    }
    r.values.reserve(size_t(run.columnCount()));
    bool anyText = false;
    bool anyNumber = false;
    bool anyColor = false;
    for (const CFormulaEngineOutput& o : run.outputs) {
        for (const std::vector<double>& col : o.columns)
            r.values.push_back(col[i]);
        anyText = anyText || !o.texts.empty();
        anyNumber = anyNumber || !o.numbers.empty();
        anyColor = anyColor || !o.barColors.empty();
    }
    if (anyColor) {
        for (const CFormulaEngineOutput& o : run.outputs)
            r.barColors.push_back(o.barColors.empty() ? se::RPCFormulaMetaResult::kDefaultColor
                                                      : o.barColors[i]);
    }
    if (anyText) {
        for (const CFormulaEngineOutput& o : run.outputs)
            r.texts.push_back(o.texts.empty() ? std::string() : o.texts[i]);
    }
    if (anyNumber) {
        for (const CFormulaEngineOutput& o : run.outputs)
            r.numbers.push_back(o.numbers.empty() ? 0.0 : o.numbers[i]);
    }
    return r;
}

} // namespace TC
