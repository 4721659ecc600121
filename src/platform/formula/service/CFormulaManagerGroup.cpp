// Group models, extension names and hidden variables.
#include <algorithm>
#include <limits>

#include "platform/formula/catalog/CFormulaOperateManager.h"
#include "platform/formula/lang/CFormulaProgram.h"
#include "platform/formula/service/CFormulaManager.h"

namespace TC {

namespace {

const std::vector<double>* outputLine(const se::RPCFormulaMetaResult& meta,
                                      const se::RPCFormulaResult& result, size_t output)
{
    if (output >= meta.columns.size() || meta.columns[output].empty())
        return nullptr;
    return result.column(meta.columns[output].front());
}

bool hasValue(double v)
{
    return v != std::numeric_limits<double>::max() && v == v;
}

} // namespace

std::shared_ptr<se::RPCGroupResult> CFormulaManager::buildGroupResult(const QString& id, const QString& name,
                                                                      const se::RPCFormulaMetaResult& meta,
                                                                      const se::RPCFormulaResult& result)
{
    auto group = std::make_shared<se::RPCGroupResult>();
    group->groupName = name.toStdString();
    group->requestId = id.toStdString();
    group->codes.push_back(result.stockKey);
    const std::vector<double>* signal = outputLine(meta, result, 0);
    const std::vector<double>* reference = outputLine(meta, result, 1);
    if (!signal)
        return group;
    const size_t bars = std::min(signal->size(), result.times.size());
    auto ref = [&](size_t i) { return reference ? (i < reference->size() ? (*reference)[i] : 0.0) : 0.0; };
    bool holding = false;
    for (size_t i = 1; i < bars; ++i) {
        const double s0 = (*signal)[i - 1], s1 = (*signal)[i], r0 = ref(i - 1), r1 = ref(i);
        if (!hasValue(s0) || !hasValue(s1) || !hasValue(r0) || !hasValue(r1))
            continue;
        const bool up = s0 <= r0 && s1 > r1;
        const bool down = s0 >= r0 && s1 < r1;
        if ((up && holding) || (down && !holding) || (!up && !down))
            continue;
        holding = up;
        se::RPCGroupTrade t;
        t.timeTag = result.times[i].timeMs / 1000;
        t.code = result.stockKey;
        t.price = i < result.basicData.size() ? result.basicData[i].close : s1;
        t.volume = 100.0;
        t.side = up ? 1 : -1;
        group->trades.push_back(t);
    }
    return group;
}

void CFormulaManager::afterHistory(const QString& id)
{
    auto it = m_requests.constFind(id);
    if (it == m_requests.cend() || !it->meta || !it->result)
        return;
    const QString name = formulaNameOf(it->param);
    if (it->meta->outputCount() > 0) {
        QStringList names;
        for (const std::string& n : it->meta->names)
            names << QString::fromStdString(n);
        m_extendNames.insert(name, names);
    }
    if (m_backend.isGroupModel && m_backend.isGroupModel(it->param)) {
        auto group = buildGroupResult(id, name, *it->meta, *it->result);
        if (group->codes.front().empty())
            group->codes.front() = it->param.stockKey().toStdString();
        m_groups.insert(id, group);
    }
}

void CFormulaManager::getGroupResult(const QString& name,
                                     std::vector<std::shared_ptr<se::RPCGroupResult>>& results) const
{
    results.clear();
    const std::string wanted = name.trimmed().toUpper().toStdString();
    for (auto it = m_groups.cbegin(); it != m_groups.cend(); ++it) {
        if (QString::fromStdString(it.value()->groupName).toUpper().toStdString() == wanted)
            results.push_back(it.value());
    }
}

void CFormulaManager::getGroupRunProgress(int& done, int& total, const QString& id) const
{
    const auto group = m_groups.value(id);
    done = total = group ? int(group->codes.size()) : 0;
}

std::shared_ptr<se::RPCGroupResult> CFormulaManager::getFormulaForGroup(const QString& id) const
{
    return m_groups.value(id);
}

void CFormulaManager::getGroupExtendNames(const QString& name, QStringList& names) const
{
    const QString upper = name.trimmed().toUpper();
    const auto cached = m_extendNames.constFind(upper);
    if (cached != m_extendNames.cend()) {
        names = cached.value();
        return;
    }
    // Not answered since the cache was cleared (every sub-pane answer
    // clears it): what the catalogue says the formula produces.
    names.clear();
    const auto detail = CFormulaOperateManager::getFormula(upper);
    if (!detail)
        return;
    if (detail->isNative()) {
        names = detail->getOutputNames();
    } else if (CFormulaOperateManager::genLuaFormula(detail)) {
        for (const flang::CFormulaStatement& st : detail->getRunHandle()->statements())
            if (!st.hidden && !st.drawing)
                names << st.name;
    }
    // A group model's holdings are extension data of their own.
    if (detail->isGroupModel())
        names << detail->getName() + QStringLiteral("_holding");
}

void CFormulaManager::clearExtendCache(const QString& name)
{
    if (name.isEmpty())
        m_extendNames.clear();
    else
        m_extendNames.remove(name.trimmed().toUpper());
}

QVector<QPair<QString, double>> CFormulaManager::lookHideVar(const QString& id, qint64 timeMs) const
{
    QVector<QPair<QString, double>> out;
    auto it = m_requests.constFind(id);
    if (it == m_requests.cend() || !m_backend.hiddenVars)
        return out;
    std::vector<qint64> times;
    CFormulaBackend::HiddenSeries series;
    if (!m_backend.hiddenVars(it->param, times, series) || times.empty())
        return out;
    int bar = int(times.size()) - 1;
    if (timeMs >= 0) {
        const auto pos = std::upper_bound(times.begin(), times.end(), timeMs);
        bar = int(pos - times.begin()) - 1;
    }
    for (const auto& s : qAsConst(series)) {
        const double v = bar >= 0 && size_t(bar) < s.second.size() ? s.second[size_t(bar)]
                                                                   : std::numeric_limits<double>::max();
        out.append(qMakePair(s.first, v));
    }
    return out;
}

} // namespace TC
