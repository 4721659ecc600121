#pragma once

#include <utility>
#include <vector>

#include <functional>

#include <QPair>
#include <QString>
#include <QVector>

#include "platform/formula/CFormulaParam.h"
#include "platform/formula/RPCFormulaInstantResult.h"
#include "platform/formula/RPCFormulaMetaResult.h"
#include "platform/formula/RPCFormulaResult.h"

namespace TC {

// What the request managers compute with. engine() wires the formula engine
// and the catalogue; tests put small fakes in its place.
struct CFormulaBackend {
    using Updates = std::vector<std::pair<int, se::RPCFormulaInstantResult>>;
    using HiddenSeries = QVector<QPair<QString, std::vector<double>>>;

    // History of one record (CFormulaEngine::compute).
    std::function<bool(const CFormulaParam&, se::RPCFormulaMetaResult&, se::RPCFormulaResult&, QString*)>
        compute;
    // Real-time updates after `previous` (CFormulaEngine::computeTail).
    std::function<bool(const CFormulaParam&, const se::RPCFormulaResult& previous, Updates&, QString*)>
        computeTail;
    // Whether the record's formula is a group (portfolio) model.
    std::function<bool(const CFormulaParam&)> isGroupModel;
    // The hidden variables (NAME:=expr) of the record's formula over its bars:
    // bar times in ms and one series per variable, in source order.
    std::function<bool(const CFormulaParam&, std::vector<qint64>& timesMs, HiddenSeries&)> hiddenVars;

    static CFormulaBackend engine();
};

} // namespace TC
