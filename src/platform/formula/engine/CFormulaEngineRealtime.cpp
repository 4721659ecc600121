#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <memory>
#include <mutex>

#include "platform/config/QLLog.h"
#include "platform/formula/catalog/CFormulaDetail.h"
#include "platform/formula/engine/CFormulaEngine.h"
#include "platform/formula/engine/CFormulaEngineRun.h"
#include "platform/formula/lang/CFormulaLiveEvaluator.h"
#include "platform/formula/lang/CFormulaStyle.h"
#include "platform/market/CMarketStore.h"

namespace TC {

namespace {

constexpr double kNoValue = std::numeric_limits<double>::max();
// Live states beyond this many (records never cancelled) go, least recently used first.
constexpr size_t kLiveLimit = 1024;

void setError(QString* error, const QString& message)
{
    if (error)
        *error = message;
}

bool isWhole(const quoter::TimeSeq& t)
{
    return t.isMark() || (t.time == -1 && t.seq == 0);
}

bool sameBar(const quoter::CBar& a, const quoter::CBar& b)
{
    return a.time == b.time && a.open == b.open && a.high == b.high && a.low == b.low && a.close == b.close &&
           a.volume == b.volume && a.amount == b.amount;
}

// The store's own request of a period in seconds (see fetch in CFormulaEngineInput.cpp):
// (period, n) for CMarketStore::bars.
bool storePeriod(qint64 sec, qint64& period, int& n)
{
    n = 1;
    period = sec;
    if ((sec >= 60 && sec < 86400 && sec % 60 == 0) || sec == 86400 || sec == 604800 || sec == 2592000 ||
        sec == 7776000 || sec == 15552000 || sec == 31536000)
        return true;
    if (sec > 0 && sec <= 31536000 && sec % 86400 == 0) {
        period = 10;
        n = int(sec / 86400);
    } else if (sec > 0 && sec <= 31536000 && sec % 3600 == 0) {
        period = 11;
        n = int(sec / 3600);
    } else if (sec > 0 && sec <= 31536000 && sec % 60 == 0) {
        period = 13;
        n = int(sec / 60);
    } else {
        return false;
    }
    return true;
}

void inputOf(const std::vector<quoter::CBar>& bars, size_t from, qint64 periodSec, flang::CFormulaInput& in)
{
    const size_t n = bars.size() - from;
    in.barCount = int(n);
    for (std::vector<double>* v : {&in.open, &in.high, &in.low, &in.close, &in.volume, &in.amount})
        v->resize(n);
    in.times.resize(n);
    for (size_t i = 0; i < n; ++i) {
        const quoter::CBar& b = bars[from + i];
        in.open[i] = b.open;
        in.high[i] = b.high;
        in.low[i] = b.low;
        in.close[i] = b.close;
        in.volume[i] = b.volume;
        in.amount[i] = b.amount;
        in.times[i] = b.time;
    }
    in.periodSec = periodSec;
}

void toColumn(std::vector<double>&& src, size_t bars, std::vector<double>& dst)
{
    dst = std::move(src);
    dst.resize(bars, kNoValue);
    for (double& v : dst) {
        if (!std::isfinite(v))
            v = kNoValue;
    }
}

// Whether `now` differs from the newest bar of `previous` (what a cover would change).
bool differsFromLast(const se::RPCFormulaResult& previous, const se::RPCFormulaInstantResult& now)
{
    if (now.time.tradeDayMs != previous.times.back().tradeDayMs)
        return true;
    for (size_t c = 0; c < now.values.size(); ++c) {
        const std::vector<double>& v = previous.values[c];
        if (v.empty() || v.back() != now.values[c])
            return true;
    }
    for (size_t o = 0; o < now.texts.size(); ++o) {
        const auto& t = o < previous.texts.size() ? previous.texts[o] : std::vector<std::string>();
        if (!t.empty() && t.back() != now.texts[o])
            return true;
    }
    for (size_t o = 0; o < now.numbers.size(); ++o) {
        const auto& t = o < previous.numbers.size() ? previous.numbers[o] : std::vector<double>();
        if (!t.empty() && t.back() != now.numbers[o])
            return true;
    }
    for (size_t o = 0; o < now.barColors.size(); ++o) {
        const auto& t = o < previous.barColors.size() ? previous.barColors[o] : std::vector<unsigned>();
        if (!t.empty() && t.back() != now.barColors[o])
            return true;
    }
    return false;
}

// Whether a bar of `previous` before its newest differs from the whole
// series computed afresh, whose bar `j` is the newest of `previous`: a
// correction of history, which appends and covers cannot carry. Bars before
// `first` (beyond the count limit) are not compared.
bool olderBarsDiffer(const se::RPCFormulaResult& previous, const CFormulaEngineRun& r, int j, int first)
{
    const int n = previous.barCount();
    const int offset = j - (n - 1); // r's index of previous bar 0
    if (offset < 0)
        return true; // bars the series no longer has
    for (int k = std::max(0, first - offset); k < n - 1; ++k) {
        const size_t i = size_t(k + offset);
        if (previous.times[size_t(k)].timeMs != r.times[i].timeMs ||
            previous.times[size_t(k)].tradeDayMs != r.times[i].tradeDayMs)
            return true;
    }
    size_t c = 0;
    for (size_t o = 0; o < r.outputs.size(); ++o) {
        const CFormulaEngineOutput& out = r.outputs[o];
        for (const std::vector<double>& col : out.columns) {
            const std::vector<double>& held = previous.values[c++];
            if (held.size() != size_t(n))
                continue;
            for (int k = std::max(0, first - offset); k < n - 1; ++k)
                if (held[size_t(k)] != col[size_t(k + offset)])
                    return true;
        }
        if (o < previous.texts.size() && previous.texts[o].size() == size_t(n) && !out.texts.empty()) {
            for (int k = std::max(0, first - offset); k < n - 1; ++k)
                if (previous.texts[o][size_t(k)] != out.texts[size_t(k + offset)])
                    return true;
        }
        if (o < previous.numbers.size() && previous.numbers[o].size() == size_t(n) && !out.numbers.empty()) {
            for (int k = std::max(0, first - offset); k < n - 1; ++k)
                if (previous.numbers[o][size_t(k)] != out.numbers[size_t(k + offset)])
                    return true;
        }
        if (o < previous.barColors.size() && previous.barColors[o].size() == size_t(n) &&
            !out.barColors.empty()) {
            for (int k = std::max(0, first - offset); k < n - 1; ++k)
                if (previous.barColors[o][size_t(k)] != out.barColors[size_t(k + offset)])
                    return true;
        }
    }
    return false;
}

} // namespace

// What one live record keeps between ticks.
struct CFormulaLiveRun {
    // the record it answers
    CFormulaParam param;
    const CFormulaDetail* detail = nullptr;
    QString source;
    const void* runHandle = nullptr;
    quint64 revision = 0;

    std::unique_ptr<flang::CFormulaLiveEvaluator> evaluator; // null: KLINE
    quoter::CBar beforeLast;                                 // bar barCount - 2
    quoter::CBar last;                                       // bar barCount - 1
    size_t barCount = 0;
    se::RPCFormulaInstantResult answered; // the newest bar as the requester holds it
    quint64 used = 0;

    bool answers(const CFormulaParam& p, const CFormulaDetail* d) const
    {
        const CFormulaParam& q = param;
        return q.market == p.market && q.code == p.code && q.periodMs == p.periodMs &&
               q.formula == p.formula && q.drType == p.drType && q.params == p.params &&
               q.countLimit == p.countLimit && q.rangeStart == p.rangeStart && q.rangeEnd == p.rangeEnd &&
               q.runHandle == p.runHandle && d == detail &&
               (!d || (d->getSource() == source && d->getRunHandle().get() == runHandle));
    }
};

namespace {

std::mutex s_liveMutex;
std::map<QString, std::unique_ptr<CFormulaLiveRun>> s_live;
quint64 s_liveClock = 0;

std::unique_ptr<CFormulaLiveRun> takeLive(const QString& id)
{
    std::lock_guard<std::mutex> lock(s_liveMutex);
    auto it = s_live.find(id);
    if (it == s_live.end())
        return nullptr;
    std::unique_ptr<CFormulaLiveRun> run = std::move(it->second);
    s_live.erase(it);
    return run;
}

void putLive(const QString& id, std::unique_ptr<CFormulaLiveRun> run)
{
    std::lock_guard<std::mutex> lock(s_liveMutex);
    run->used = ++s_liveClock;
    s_live[id] = std::move(run);
    if (s_live.size() <= kLiveLimit)
        return;
    auto oldest = std::min_element(s_live.begin(), s_live.end(), [](const auto& a, const auto& b) {
        return a.second->used < b.second->used;
    });
    s_live.erase(oldest);
}

} // namespace

void CFormulaEngine::toOutputs(flang::CFormulaRunResult& result, size_t n,
                               std::vector<CFormulaEngineOutput>& outputs)
{
    outputs.clear();
    outputs.reserve(result.outputs.size());
    for (flang::COutput& src : result.outputs) {
        CFormulaEngineOutput o;
        o.name = src.name.toStdString();
        o.style = src.styleCode;
        o.color = src.color;
        o.width = std::min(std::max(src.lineWidth, 1), 9);
        o.param1 = src.param1;
        o.param2 = src.param2;
        size_t cols = src.columns.size();
        if (o.style == flang::CFormulaStyle::kNumber && cols >= 2) {
            // The number travels in the per-bar numbers, the price is the data.
            toColumn(std::move(src.columns[1]), n, o.numbers);
            cols = 1;
        }
        o.columns.resize(cols);
        for (size_t c = 0; c < cols; ++c)
            toColumn(std::move(src.columns[c]), n, o.columns[c]);
        if (cols == 4)
            o.columnNames = {"OPEN", "HIGH", "LOW", "CLOSE"};
        else
            o.columnNames.assign(cols, o.name);
        if (!src.barColors.empty()) {
            o.barColors = std::move(src.barColors);
            o.barColors.resize(n, 0xFFFFFFFFu);
        }
        if (!src.texts.empty()) {
            o.texts.resize(n);
            for (size_t i = 0; i < n && i < src.texts.size(); ++i)
                o.texts[i] = src.texts[i].toStdString();
        }
        outputs.push_back(std::move(o));
    }
}

void CFormulaEngine::forgetLive(const QString& requestId)
{
    std::lock_guard<std::mutex> lock(s_liveMutex);
    s_live.erase(requestId);
}

bool CFormulaEngine::followsLive(const QString& requestId)
{
    std::lock_guard<std::mutex> lock(s_liveMutex);
    return s_live.count(requestId) != 0;
}

bool CFormulaEngine::computeTail(const CFormulaParam& p, const se::RPCFormulaResult& previous,
                                 std::vector<std::pair<int, se::RPCFormulaInstantResult>>& updates,
                                 QString* error)
{
    updates.clear();
    if (!p.requestId.isEmpty()) {
        std::unique_ptr<CFormulaLiveRun> live = takeLive(p.requestId);
        if (live && liveTail(p, previous, *live, updates)) {
            putLive(p.requestId, std::move(live));
            return true;
        }
        updates.clear();
    }

    boost::shared_ptr<CFormulaDetail> detail;
    CFormulaEngineRun r;
    int first = 0;
    int last = -1;
    // The whole series, when nothing is kept or the tail cannot follow:
    // recursive averages and SAR depend on every earlier bar.
    if (!prepare(p, detail, r, first, last, error))
        return false;
    if (previous.times.empty()) {
        for (int i = first; i <= last; ++i)
            updates.emplace_back(kAppend, instantAt(r, i));
        return true;
    }
    const int columns = r.columnCount();
    if (int(previous.values.size()) != columns) {
        setError(error, QStringLiteral("previous result has %1 data vectors, the formula %2")
                            .arg(previous.values.size())
                            .arg(columns));
        return false;
    }

    // Ticks may share a millisecond: the previous last bar is the k-th bar of
    // its time, k counted from the previous result's own tail.
    const qint64 lastMs = previous.times.back().timeMs;
    int sameTime = 0;
    for (auto it = previous.times.crbegin(); it != previous.times.crend() && it->timeMs == lastMs; ++it)
        ++sameTime;
    const auto lo = std::lower_bound(r.times.cbegin(), r.times.cend(), lastMs,
                                     [](const se::RPCTimeItem& a, qint64 v) { return a.timeMs < v; });
    const auto hi = std::upper_bound(lo, r.times.cend(), lastMs,
                                     [](qint64 v, const se::RPCTimeItem& a) { return v < a.timeMs; });
    if (hi - lo < sameTime) {
        setError(error, QStringLiteral("the bar at %1 ms is no longer in the series").arg(lastMs));
        return false;
    }
    const int j = int(lo - r.times.cbegin()) + sameTime - 1;
    if (olderBarsDiffer(previous, r, j, first)) {
        setError(error, QStringLiteral("bars before the newest changed"));
        return false;
    }

    se::RPCFormulaInstantResult now = instantAt(r, j);
    if (differsFromLast(previous, now) && j <= last)
        updates.emplace_back(kCover, std::move(now));
    for (int i = std::max(j + 1, first); i <= last; ++i)
        updates.emplace_back(kAppend, instantAt(r, i));
    keepLive(p, detail.get(), r, last);
    return true;
}

void CFormulaEngine::keepLive(const CFormulaParam& p, const CFormulaDetail* detail,
                              const CFormulaEngineRun& r, int last)
{
    forgetLive(p.requestId);
    const qint64 sec = p.periodMs / 1000;
    qint64 period = 0;
    int n = 0;
    const QString name = detail ? detail->getName() : formulaNameOf(p.formula);
    const bool kline = name == QLatin1String("KLINE");
    // The tail follows one instrument's own bars of a period of at least a
    // minute over the whole range; ticks, the tick series, custom indexes
    // and explicit ranges are answered in full each time.
    if (p.requestId.isEmpty() || p.periodMs % 1000 != 0 || !storePeriod(sec, period, n) ||
        p.market == QLatin1String("CD") || !isWhole(p.rangeStart) || !isWhole(p.rangeEnd) ||
        r.barCount() < 2 || last != r.barCount() - 1 || (!kline && (!detail || !r.program)))
        return;
    std::unique_ptr<CFormulaLiveRun> live(new CFormulaLiveRun);
    live->param = p;
    live->detail = detail;
    if (detail) {
        live->source = detail->getSource();
        live->runHandle = detail->getRunHandle().get();
    }
    QVector<quoter::CBar> probe;
    const CMarketStore* s = store();
    // the revision the bars were read at: a later change of older bars shows in it
    if (!s->barsSince(p.stockKey(), period, sec == 0 ? 0 : p.drType, n, r.bars.back().time, probe,
                      &live->revision) ||
        probe.size() != 1 || !sameBar(probe[0], r.bars.back()))
        return;
    if (!kline) {
        live->evaluator.reset(new flang::CFormulaLiveEvaluator);
        flang::CFormulaInput input;
        inputOf(r.bars, 0, sec, input);
        flang::CFormulaRunResult result;
        QString why;
        if (!live->evaluator->start(r.program, r.params, input, result, &why))
            return; // answered in full on every tick
        // the kept state must give what the full run gave
        std::vector<CFormulaEngineOutput> outputs;
        toOutputs(result, r.bars.size(), outputs);
        bool same = outputs.size() == r.outputs.size();
        for (size_t o = 0; same && o < outputs.size(); ++o) {
            const CFormulaEngineOutput& a = outputs[o];
            const CFormulaEngineOutput& b = r.outputs[o];
            same = a.columns == b.columns && a.texts == b.texts && a.numbers == b.numbers &&
                   a.barColors == b.barColors && a.param1 == b.param1 && a.param2 == b.param2;
        }
        if (!same) {
            QLLOG_WARN_S(qlog::kFormulaLogger,
                         "formula %1%: bar-by-bar run differs from the full run, not kept", name);
            return;
        }
    }
    live->beforeLast = r.bars[r.bars.size() - 2];
    live->last = r.bars.back();
    live->barCount = r.bars.size();
    live->answered = instantAt(r, last);
    putLive(p.requestId, std::move(live));
}

bool CFormulaEngine::liveTail(const CFormulaParam& p, const se::RPCFormulaResult& previous,
                              CFormulaLiveRun& live,
                              std::vector<std::pair<int, se::RPCFormulaInstantResult>>& updates)
{
    boost::shared_ptr<CFormulaDetail> detail;
    if (!resolve(p, detail, nullptr) || !live.answers(p, detail.get()))
        return false;
    // the requester must hold what this state last answered
    const se::RPCFormulaInstantResult& held = live.answered;
    if (previous.times.empty() || previous.times.back().timeMs != held.time.timeMs ||
        previous.values.size() != held.values.size())
        return false;
    for (size_t c = 0; c < held.values.size(); ++c) {
        if (previous.values[c].empty() || previous.values[c].back() != held.values[c])
            return false;
    }

    const qint64 sec = p.periodMs / 1000;
    qint64 period = 0;
    int n = 0;
    storePeriod(sec, period, n);
    QVector<quoter::CBar> fresh;
    quint64 revision = 0;
    // From the bar before the newest on: it must be unchanged, the newest
    // still at its time; anything else means the whole series again.
    if (!store()->barsSince(p.stockKey(), period, p.drType, n, live.beforeLast.time, fresh, &revision) ||
        revision != live.revision || fresh.size() < 2 || !sameBar(fresh[0], live.beforeLast) ||
        fresh[1].time != live.last.time)
        return false;
    if (fresh.size() == 2 && sameBar(fresh[1], live.last))
        return true; // nothing new for this record

    // the bars from the newest kept one on, as a run of their own
    CFormulaEngineRun t;
    t.bars.assign(fresh.cbegin() + 1, fresh.cend());
    t.times.resize(t.bars.size());
    for (size_t i = 0; i < t.bars.size(); ++i)
        t.times[i].timeMs = t.bars[i].time * 1000;
    fillTradeDays(t, sec >= 86400);
    if (!live.evaluator) {
        runNative(QStringLiteral("KLINE"), p, t);
    } else {
        flang::CFormulaInput input;
        inputOf(t.bars, 0, sec, input);
        flang::CFormulaRunResult result;
        live.evaluator->advance(input, result);
        toOutputs(result, t.bars.size(), t.outputs);
    }
    if (t.columnCount() != int(held.values.size()))
        return false;

    const size_t count = live.barCount - 1 + t.bars.size();
    const size_t first = p.countLimit > 0 && count > size_t(p.countLimit) ? count - size_t(p.countLimit) : 0;
    se::RPCFormulaInstantResult now = instantAt(t, 0);
    if (differsFromLast(previous, now))
        updates.emplace_back(kCover, now);
    for (size_t k = 1; k < t.bars.size(); ++k) {
        if (live.barCount - 1 + k >= first)
            updates.emplace_back(kAppend, instantAt(t, int(k)));
    }
    live.beforeLast = t.bars.size() >= 2 ? t.bars[t.bars.size() - 2] : live.beforeLast;
    live.last = t.bars.back();
    live.barCount = count;
    live.answered = t.bars.size() >= 2 ? instantAt(t, int(t.bars.size()) - 1) : std::move(now);
    return true;
}

} // namespace TC
