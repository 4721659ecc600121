#pragma once

#include <memory>

#include "platform/formula/RPCFormulaInstantResult.h"
#include "platform/formula/RPCFormulaMetaResult.h"
#include "platform/formula/RPCFormulaResult.h"

namespace TC {

// The cached outputs of one formula instance: its meta result followed by its
// result, merged with real-time updates. The cache owns private copies, so a
// result the service keeps is never changed behind its back.
class RPCFormulaResultCache
{
public:
    RPCFormulaResultCache() = default;
    RPCFormulaResultCache(const se::RPCFormulaMetaResult& meta, const se::RPCFormulaResult& result);
    // Takes the records over: a long history is not held twice while cached.
    RPCFormulaResultCache(se::RPCFormulaMetaResult&& meta, se::RPCFormulaResult&& result);

    std::shared_ptr<se::RPCFormulaMetaResult> meta;
    std::shared_ptr<se::RPCFormulaResult> result;

    bool isValid() const { return meta && result; }
    int barCount() const { return result ? result->barCount() : 0; }
    int outputCount() const { return meta ? meta->outputCount() : 0; }
    int styleCode(int output) const { return meta ? meta->style(output) : -1; }
    // Column numbers of an output (empty when out of range).
    const std::vector<int>& columnsOf(int output) const;
    // Data vector of column `k` (position in the output's column list) of an
    // output; null when missing.
    const std::vector<double>* data(int output, int k = 0) const;
    // Value of an output's k-th column at a bar; the largest double when absent.
    double value(int output, int bar, int k = 0) const;
    bool barValid(int bar) const;
    qint64 barTimeMs(int bar) const;

    // Appends the instant as a new bar: its time entry, one value per data
    // vector, the further per-output entries it carries, and validity 1.
    // Data vectors the instant has no value for get "no value".
    bool appendBar(const se::RPCFormulaInstantResult& instant);
    // Writes the instant over the last bar; false when there are no bars.
    bool coverLastBar(const se::RPCFormulaInstantResult& instant);
    // Appends a bar with the given time that holds no data (validity 0).
    void appendPlaceholder(const se::RPCTimeItem& time);

private:
    void detach();
};

} // namespace TC
