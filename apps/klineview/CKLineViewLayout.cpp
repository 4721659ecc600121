#include "CKLineViewLayout.h"

#include <cmath>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>

#include "kline/CKLineMainWidget.h"
#include "kline/CKLineWidget.h"
#include "platform/config/CAppConfig.h"
#include "platform/config/QLLog.h"
#include "platform/formula/catalog/CFormulaOperateManager.h"
#include "platform/formula/catalog/FormulaPeriod.h"
#include "platform/framework/QWriteFile.h"
#include "platform/market/CMarketStore.h"
#include "series/CKLineData.h"

namespace TC {

namespace {

bool isMultiplePeriod(int period)
{
    return period == 10 || period == 11 || period == 13;
}

bool isMainPaneFormula(const QString& name)
{
    const auto detail = CFormulaOperateManager::getFormula(name);
    return detail && detail->getPlacement() != 0;
}

} // namespace

QStringList CKLineViewLayout::defaultIndexes()
{
    return {QStringLiteral("MA"), QStringLiteral("VOL"), QStringLiteral("MACD"), QStringLiteral("KDJ")};
}

bool CKLineViewLayout::resolveInstrument()
{
    const QString key = CMarketStore::instance()->resolveKey(m_instrument);
    if (key.isEmpty())
        return false;
    m_instrument = key;
    return true;
}

bool CKLineViewLayout::setPeriod(int period, int multiple)
{
    if (getPeriodIndex(period) < 0 || multiple < 1 || multiple > kMaxMultiple)
        return false;
    m_period = period;
    // N only means something for the N-days/hours/minutes codes.
    m_periodMultiple = isMultiplePeriod(period) ? multiple : 1;
    return true;
}

bool CKLineViewLayout::setDrType(int t)
{
    if (t < 0 || t > 4)
        return false;
    m_drType = t;
    return true;
}

void CKLineViewLayout::setIndexes(const QStringList& names)
{
    m_indexes.clear();
    for (const QString& n : names) {
        const QString name = n.trimmed().toUpper();
        if (!name.isEmpty())
            m_indexes.append(name);
    }
}

void CKLineViewLayout::applyTo(CKLineMainWidget* chart) const
{
    if (!chart || !chart->mainPane())
        return;
    chart->setStock(m_instrument);
    if (!m_chartParam.isEmpty()) {
        // A text that stops being valid restores what it could; the fields
        // below then make the chart what the user asked for.
        chart->setParam(m_chartParam);
        chart->setPeriod(m_period);
        chart->setDrType(m_drType);
        if (indexesOf(chart) == m_indexes)
            return;
    } else {
        chart->setPeriod(m_period);
        chart->setDrType(m_drType);
    }

    QStringList overlays;
    QStringList subs;
    for (const QString& name : m_indexes) {
        if (!CFormulaOperateManager::getFormula(name)) {
            QLLOG_WARN(qlog::kStdLogger, "unknown formula %1% skipped", name);
            continue;
        }
        if (name == QLatin1String("KLINE"))
            continue; // the candles are always there
        (isMainPaneFormula(name) ? overlays : subs).append(name);
    }

    CKLineWidget* main = chart->mainPane();
    for (const QString& f : main->indexNames())
        if (!main->series()->isMainGraph(f) && !overlays.contains(f.toUpper()))
            main->removeIndex(f);
    for (const QString& f : overlays)
        if (!main->hasIndex(f))
            main->addIndex(f, QString());

    chart->setSubIndexSize(subs.size());
    for (int i = 0; i < subs.size(); ++i)
        chart->subPanes().at(i)->setIndex(subs.at(i), QString());
}

QString CKLineViewLayout::chartParamOf(CKLineMainWidget* chart)
{
    if (!chart)
        return QString();
    QJsonObject o = QJsonDocument::fromJson(chart->param(false).toUtf8()).object();
    QJsonArray sizes;
    for (int f : chart->getStretchFactorList())
        sizes.append(f);
    o.insert(QStringLiteral("stretchFactor"), sizes);
    return QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact));
}

QStringList CKLineViewLayout::indexesOf(const CKLineMainWidget* chart)
{
    QStringList out;
    if (!chart || !chart->mainPane())
        return out;
    const CKLineWidget* main = chart->mainPane();
    for (const QString& f : main->indexNames())
        if (!main->series()->isMainGraph(f))
            out.append(f.toUpper());
    for (const CKLineWidget* pane : chart->subPanes()) {
        const QStringList names = pane->indexNames();
        if (!names.isEmpty())
            out.append(names.first().toUpper());
    }
    return out;
}

QJsonObject CKLineViewLayout::toJson() const
{
    QJsonObject o;
    o.insert(QStringLiteral("version"), kFormatVersion);
    o.insert(QStringLiteral("instrument"), m_instrument);
    o.insert(QStringLiteral("period"), m_period);
    o.insert(QStringLiteral("periodMultiple"), m_periodMultiple);
    o.insert(QStringLiteral("drType"), m_drType);
    o.insert(QStringLiteral("indexes"), QJsonArray::fromStringList(m_indexes));
    if (!m_chartParam.isEmpty())
        o.insert(QStringLiteral("chart"), m_chartParam);
    return o;
}

void CKLineViewLayout::fromJson(const QJsonObject& o, QStringList* problems)
{
    auto complain = [problems](const QString& what) {
        if (problems)
            problems->append(what);
    };
    const QJsonValue instrument = o.value(QStringLiteral("instrument"));
    const QString key =
        instrument.isString() ? CMarketStore::instance()->resolveKey(instrument.toString()) : QString();
    if (!key.isEmpty())
        m_instrument = key;
    else if (!instrument.isUndefined())
        complain(QStringLiteral("instrument"));

    const QJsonValue period = o.value(QStringLiteral("period"));
    const QJsonValue multiple = o.value(QStringLiteral("periodMultiple"));
    if (!period.isUndefined()) {
        const int n = multiple.isDouble() ? multiple.toInt(-1) : 1;
        if (!period.isDouble() || !setPeriod(period.toInt(-1), n))
            complain(QStringLiteral("period"));
    }

    const QJsonValue dr = o.value(QStringLiteral("drType"));
    if (!dr.isUndefined() && (!dr.isDouble() || !setDrType(dr.toInt(-1))))
        complain(QStringLiteral("drType"));

    const QJsonValue indexes = o.value(QStringLiteral("indexes"));
    if (indexes.isArray()) {
        QStringList names;
        bool ok = true;
        for (const QJsonValue& v : indexes.toArray()) {
            ok = ok && v.isString();
            names.append(v.toString());
        }
        if (ok)
            setIndexes(names);
        else
            complain(QStringLiteral("indexes"));
    } else if (!indexes.isUndefined()) {
        complain(QStringLiteral("indexes"));
    }

    const QJsonValue chart = o.value(QStringLiteral("chart"));
    if (chart.isString())
        m_chartParam = chart.toString();
    else if (!chart.isUndefined())
        complain(QStringLiteral("chart"));
}

bool CKLineViewLayout::save(const QString& path, QString* error) const
{
    const QFileInfo info(path);
    if (!QDir().mkpath(info.absolutePath())) {
        if (error)
            *error = QStringLiteral("无法创建文件夹 %1").arg(QDir::toNativeSeparators(info.absolutePath()));
        return false;
    }
    return QWriteFile(path, QJsonDocument(toJson()).toJson(QJsonDocument::Indented), error);
}

QString CKLineViewLayout::versionProblem(const QJsonValue& version)
{
    // Files written before the field existed are format 1.
    if (version.isUndefined())
        return QString();
    const double v = version.toDouble(-1);
    if (!version.isDouble() || v < 1 || v != std::floor(v))
        return QStringLiteral("format version is not a positive whole number");
    if (v > kFormatVersion)
        return QStringLiteral("written by a newer klineview (format %1, this one reads up to %2)")
            .arg(v)
            .arg(kFormatVersion);
    return QString();
}

CKLineViewLayout::LoadResult CKLineViewLayout::load(const QString& path, QString* setAsidePath)
{
    QFile file(path);
    if (!file.exists())
        return kMissing;
    QString why;
    QJsonDocument doc;
    if (!file.open(QIODevice::ReadOnly)) {
        why = file.errorString();
    } else {
        QJsonParseError parseError;
        doc = QJsonDocument::fromJson(file.readAll(), &parseError);
        file.close();
        if (parseError.error != QJsonParseError::NoError)
            why = parseError.errorString();
        else if (!doc.isObject())
            why = QStringLiteral("not a JSON object");
        else
            why = versionProblem(doc.object().value(QStringLiteral("version")));
    }
    if (!why.isEmpty()) {
        // Keep what the user had: the next save would otherwise write over it.
        const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
        QString aside = QStringLiteral("%1.bad-%2").arg(path, stamp);
        for (int n = 2; QFileInfo::exists(aside); ++n)
            aside = QStringLiteral("%1.bad-%2-%3").arg(path, stamp).arg(n);
        if (!QFile::rename(path, aside)) {
            QLLOG_ERROR(qlog::kStdLogger,
                        "settings file %1% unusable (%2%) and cannot be renamed: left alone", path, why);
            return kUnusable;
        }
        QLLOG_WARN(qlog::kStdLogger, "settings file %1% unusable (%2%): kept as %3%", path, why, aside);
        if (setAsidePath)
            *setAsidePath = aside;
        return kSetAside;
    }
    QStringList problems;
    fromJson(doc.object(), &problems);
    if (!problems.isEmpty())
        QLLOG_WARN(qlog::kStdLogger, "settings file %1%: ignored invalid fields %2%", path,
                   problems.join(QStringLiteral(", ")));
    return kLoaded;
}

QString CKLineViewLayout::defaultSettingsPath()
{
    return CAppConfig::userDataDir() + QStringLiteral("/klineview.json");
}

bool CKLineViewLayout::operator==(const CKLineViewLayout& o) const
{
    return m_instrument == o.m_instrument && m_period == o.m_period &&
           m_periodMultiple == o.m_periodMultiple && m_drType == o.m_drType && m_indexes == o.m_indexes;
}

} // namespace TC
