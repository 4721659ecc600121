#include "platform/formula/engine/CFormulaEngine.h"

#include <algorithm>
#include <atomic>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "platform/config/QLLog.h"
#include "platform/formula/catalog/CFormulaOperateManager.h"
#include "platform/formula/engine/CFormulaEngineRun.h"
#include "platform/market/CMarketStore.h"

namespace TC {

namespace {

std::atomic<CMarketStore*> s_store{nullptr};

bool isNativeName(const QString& name)
{
    return name == QLatin1String("KLINE") || name == QLatin1String("TICKDATA") ||
           name == QLatin1String("TICKVOL") || name == QStringLiteral("价位线");
}

void setError(QString* error, const QString& message)
{
    if (error)
        *error = message;
}

} // namespace

bool CFormulaEngine::resolve(const CFormulaParam& p, boost::shared_ptr<CFormulaDetail>& detail,
                             QString* error)
{
    const QString name = formulaNameOf(p.formula);
    if (name.isEmpty()) {
        setError(error, QStringLiteral("no formula named in the request"));
        return false;
    }
    detail = CFormulaOperateManager::getFormula(name);
    if (!detail)
        detail = CFormulaOperateManager::getFormulaByRealName(name);
    if (!detail && !isNativeName(name)) {
        setError(error, QStringLiteral("unknown formula %1").arg(name));
        return false;
    }
    return true;
}

void CFormulaEngine::setStore(CMarketStore* store)
{
    s_store.store(store);
}

CMarketStore* CFormulaEngine::store()
{
    CMarketStore* s = s_store.load();
    return s ? s : CMarketStore::instance();
}

QString CFormulaEngine::formulaNameOf(const QString& formulaText)
{
    QString name = formulaText.trimmed();
    // A Python formula arrives as the path of its file.
    const int slash = std::max(name.lastIndexOf(QLatin1Char('\\')), name.lastIndexOf(QLatin1Char('/')));
    if (slash >= 0)
        name = name.mid(slash + 1);
    if (name.endsWith(QLatin1String(".py"), Qt::CaseInsensitive))
        name.chop(3);
    return name.toUpper();
}

bool CFormulaEngine::prepare(const CFormulaParam& p, boost::shared_ptr<CFormulaDetail>& detail,
                             CFormulaEngineRun& r, int& first, int& last, QString* error)
{
    QString why;
    if (!resolve(p, detail, &why) || !run(p, detail.get(), r, &why)) {
        QLLOG_WARN_S(qlog::kFormulaLogger, "formula %1% on %2% failed: %3%", p.formula, p.stockKey(), why);
        setError(error, why);
        return false;
    }
    first = 0;
    last = -1;
    window(p, r, first, last);
    return true;
}

bool CFormulaEngine::compute(const CFormulaParam& p, se::RPCFormulaMetaResult& meta,
                             se::RPCFormulaResult& result, QString* error)
{
    boost::shared_ptr<CFormulaDetail> detail;
    CFormulaEngineRun r;
    int first = 0;
    int last = -1;
    if (!prepare(p, detail, r, first, last, error))
        return false;
    fillMeta(p, detail.get(), r, meta);
    fillResult(p, r, first, last, result);
    return true;
}

bool CFormulaEngine::compute(const CFormulaParam& p, const CFormulaDetail& detail,
                             se::RPCFormulaMetaResult& meta, se::RPCFormulaResult& result, QString* error)
{
    CFormulaEngineRun r;
    QString why;
    if (!run(p, &detail, r, &why)) {
        QLLOG_WARN_S(qlog::kFormulaLogger, "formula %1% on %2% failed: %3%", detail.getName(), p.stockKey(),
                     why);
        setError(error, why);
        return false;
    }
    int first = 0;
    int last = -1;
    window(p, r, first, last);
    fillMeta(p, &detail, r, meta);
    fillResult(p, r, first, last, result);
    return true;
}

namespace {

// A statement's series over a long history is a block of a megabyte or more,
// which glibc maps fresh and unmaps on free: every statement of every formula
// then faults its pages in again (100 000 bars: most of a fresh process's
// time). Keeping such blocks in the heap lets the next statement reuse them.
bool keepEvaluatorBlocks()
{
#if defined(__GLIBC__)
    mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 128 * 1024 * 1024);
#endif
    return true;
}

} // namespace

bool CFormulaEngine::run(const CFormulaParam& p, const CFormulaDetail* detail, CFormulaEngineRun& out,
                         QString* error)
{
    static const bool blocksKept = keepEvaluatorBlocks();
    Q_UNUSED(blocksKept);
    out = CFormulaEngineRun();
    const QString name = detail ? detail->getName() : formulaNameOf(p.formula);
    const bool native = isNativeName(name);
    if (!native && !detail) {
        setError(error, QStringLiteral("unknown formula %1").arg(name));
        return false;
    }
    if (!native && detail->isNative()) {
        setError(error, QStringLiteral("formula %1 is not computed by this service").arg(name));
        return false;
    }
    // The tick series always covers one trading day, whatever the period.
    const bool lastDay = name == QLatin1String("TICKDATA") || name == QLatin1String("TICKVOL");
    if (!loadBars(p, lastDay, out, error))
        return false;
    out.formulaName = (detail ? detail->getRealName() : name).toStdString();
    if (native)
        return runNative(name, p, out);
    return runLanguage(p, *detail, out, error);
}

} // namespace TC
