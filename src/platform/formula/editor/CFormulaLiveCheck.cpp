#include "platform/formula/editor/CFormulaLiveCheck.h"

#include <algorithm>
#include <cmath>

#include <QMap>
#include <QMetaObject>
#include <QRunnable>

#include "platform/formula/lang/CFormulaCompiler.h"
#include "platform/formula/lang/CFormulaEvaluator.h"

namespace TC {

namespace {

// A small series with rises, falls, flat bars and a gap in volume, enough to
// reach most branches of the functions without costing time.
const flang::CFormulaInput& checkBars()
{
    static const flang::CFormulaInput bars = [] {
        flang::CFormulaInput in;
        in.barCount = CFormulaLiveCheck::kCheckBars;
        for (int i = 0; i < in.barCount; ++i) {
            const double c = i >= 40 && i < 46 ? 20.0 : 20.0 + 3.0 * std::sin(i * 0.4) + (i % 5) * 0.1;
            const double o = i >= 40 && i < 46 ? 20.0 : c - 0.3 * std::cos(i * 0.7);
            in.open.push_back(o);
            in.high.push_back(std::max(o, c) + (i >= 40 && i < 46 ? 0.0 : 0.5));
            in.low.push_back(std::min(o, c) - (i >= 40 && i < 46 ? 0.0 : 0.5));
            in.close.push_back(c);
            in.volume.push_back(i >= 40 && i < 46 ? 0.0 : 1000.0 + 37.0 * i);
            in.amount.push_back(in.volume.back() * c);
            in.times.push_back(1700000000 + qint64(i) * 86400);
        }
        return in;
    }();
    return bars;
}

} // namespace

CFormulaLiveCheck::CFormulaLiveCheck(QObject* parent) : QObject(parent)
{
    qRegisterMetaType<TC::CFormulaCheckResult>();
    m_timer.setSingleShot(true);
    m_timer.setInterval(kDefaultDelayMs);
    connect(&m_timer, &QTimer::timeout, this, &CFormulaLiveCheck::startCheck);
    m_pool.setMaxThreadCount(1);
}

CFormulaLiveCheck::~CFormulaLiveCheck()
{
    // A running check posts to this object; it must finish before the
    // object goes (its posted answer is then discarded with it).
    m_generation.fetch_add(1);
    m_pool.waitForDone();
}

void CFormulaLiveCheck::setDelay(int ms)
{
    m_timer.setInterval(std::max(0, ms));
}

int CFormulaLiveCheck::delay() const
{
    return m_timer.interval();
}

void CFormulaLiveCheck::schedule(const QString& source, const QVector<CFormulaParamDef>& params)
{
    m_source = source;
    m_params = params;
    m_pending = true;
    // A check already on its way answers an older text.
    m_generation.fetch_add(1);
    m_timer.start();
}

void CFormulaLiveCheck::cancel()
{
    m_timer.stop();
    m_generation.fetch_add(1);
    m_pending = false;
}

void CFormulaLiveCheck::startCheck()
{
    const int generation = m_generation.load();
    const QString source = m_source;
    const QVector<CFormulaParamDef> params = m_params;
    m_pool.start(QRunnable::create([this, generation, source, params] {
        if (generation != m_generation.load())
            return;
        CFormulaCheckResult result = check(source, params);
        result.generation = generation;
        QMetaObject::invokeMethod(
            this, [this, result] { deliver(result); }, Qt::QueuedConnection);
    }));
}

void CFormulaLiveCheck::deliver(const CFormulaCheckResult& result)
{
    if (result.generation != m_generation.load())
        return;
    m_pending = false;
    emit checked(result);
}

CFormulaCheckResult CFormulaLiveCheck::check(const QString& source, const QVector<CFormulaParamDef>& params)
{
    CFormulaCheckResult r;
    if (source.size() > kMaxSourceChars) {
        r.message = QStringLiteral("公式过长: %1 个字符, 最多 %2 个").arg(source.size()).arg(kMaxSourceChars);
        return r;
    }
    if (params.size() > kMaxParams) {
        r.message = QStringLiteral("参数过多: %1 个, 最多 %2 个").arg(params.size()).arg(kMaxParams);
        return r;
    }
    QStringList names;
    QMap<QString, double> values;
    for (const CFormulaParamDef& p : params) {
        names.append(p.name);
        values.insert(p.name, p.defaultValue);
    }
    flang::CFormulaProgram program;
    flang::CFormulaError error;
    if (!flang::CFormulaCompiler::compile(source, names, program, error)) {
        r.line = error.line;
        r.column = error.column;
        r.message = error.message;
        return r;
    }
    flang::CFormulaRunResult run;
    QString why;
    if (!flang::CFormulaEvaluator::run(program, checkBars(), values, run, &why)) {
        r.message = why;
        return r;
    }
    for (const flang::COutput& o : run.outputs)
        r.outputs.append(o.name);
    r.futureFunctions = program.futureFunctions();
    r.ok = true;
    return r;
}

} // namespace TC
