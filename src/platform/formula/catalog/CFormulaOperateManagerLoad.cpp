// Reading the catalogue files and checking their records.
#include "platform/formula/catalog/CFormulaOperateManager.h"

#include <cmath>
#include <functional>
#include <limits>

#include <boost/make_shared.hpp>

#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QRegularExpression>

#include "platform/config/QLLog.h"

namespace TC {

namespace {

const int kMaxDecimals = 10;
const int kMaxNameLength = 64;

bool fail(QString* why, const QString& text)
{
    if (why)
        *why = text;
    return false;
}

bool readInt(const QJsonObject& o, const char* field, int def, int& out, QString* why)
{
    const QJsonValue v = o.value(QLatin1String(field));
    if (v.isUndefined()) {
        out = def;
        return true;
    }
    const double d = v.toDouble(std::numeric_limits<double>::quiet_NaN());
    if (!v.isDouble() || d != std::floor(d) || d < std::numeric_limits<int>::min() ||
        d > std::numeric_limits<int>::max())
        return fail(why, QStringLiteral("'%1' must be an integer").arg(QLatin1String(field)));
    out = int(d);
    return true;
}

bool readString(const QJsonObject& o, const char* field, QString& out, QString* why)
{
    const QJsonValue v = o.value(QLatin1String(field));
    if (v.isUndefined())
        return true;
    if (!v.isString())
        return fail(why, QStringLiteral("'%1' must be a text").arg(QLatin1String(field)));
    out = v.toString();
    return true;
}

bool readDouble(const QJsonObject& o, const char* field, double& out, QString* why)
{
    const QJsonValue v = o.value(QLatin1String(field));
    if (!v.isDouble() || !std::isfinite(v.toDouble()))
        return fail(why, QStringLiteral("'%1' must be a number").arg(QLatin1String(field)));
    out = v.toDouble();
    return true;
}

QString entryName(const QJsonValue& entry, int index)
{
    const QString name = entry.toObject().value(QStringLiteral("name")).toString().trimmed();
    return name.isEmpty() ? QStringLiteral("#%1").arg(index + 1) : name;
}

} // namespace

bool CFormulaOperateManager::isValidName(const QString& name)
{
    if (name.isEmpty() || name.size() > kMaxNameLength)
        return false;
    // Names travel in request ids and parameter texts: letters (Chinese
    // included), digits and '_' only.
    for (const QChar c : name)
        if (!c.isLetterOrNumber() && c != QLatin1Char('_'))
            return false;
    return true;
}

bool CFormulaOperateManager::parseParamsLine(const QString& source, QVector<CFormulaParamDef>& params,
                                             QString* why)
{
    params.clear();
    const QString first = source.section(QLatin1Char('\n'), 0, 0).trimmed();
    static const QRegularExpression head(QStringLiteral("^\\{PARAMS:(.*)\\}$"));
    const QRegularExpressionMatch m = head.match(first);
    if (!m.hasMatch())
        return fail(why, QStringLiteral("the first line is not a {PARAMS: ...} line"));
    for (const QString& item : m.captured(1).split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        if (item.trimmed().isEmpty())
            continue;
        const QStringList nums = item.section(QLatin1Char('='), 1).split(QLatin1Char(','));
        CFormulaParamDef p;
        p.name = item.section(QLatin1Char('='), 0, 0).trimmed().toUpper();
        bool ok[3] = {false, false, false};
        if (nums.size() == 3) {
            p.defaultValue = nums[0].trimmed().toDouble(&ok[0]);
            p.minValue = nums[1].trimmed().toDouble(&ok[1]);
            p.maxValue = nums[2].trimmed().toDouble(&ok[2]);
        }
        if (p.name.isEmpty() || !ok[0] || !ok[1] || !ok[2])
            return fail(why,
                        QStringLiteral("bad parameter '%1' (want NAME=default,min,max)").arg(item.trimmed()));
        params << p;
    }
    return true;
}

bool CFormulaOperateManager::parseRecord(const QJsonObject& o, bool user, CFormulaDetail& d, QString* why)
{
    QString text;
    if (!o.value(QStringLiteral("name")).isString())
        return fail(why, QStringLiteral("'name' is missing"));
    d.setName(o.value(QStringLiteral("name")).toString());
    text.clear();
    if (!readString(o, "realName", text, why))
        return false;
    d.setRealName(text);
    text.clear();
    if (!readString(o, "title", text, why))
        return false;
    d.setTitle(text);

    int v = 0;
    if (!readInt(o, "placement", 0, v, why))
        return false;
    d.setPlacement(v);
    if (!readInt(o, "drType", -1, v, why))
        return false;
    d.setDrType(v);
    if (!readInt(o, "countLimit", 0, v, why))
        return false;
    d.setCountLimit(v);
    if (!readInt(o, "alignment", 0, v, why))
        return false;
    d.setAlignment(v);
    if (!readInt(o, "kind", 0, v, why))
        return false;
    d.setKind(v);
    if (!readInt(o, "modelType", 0, v, why))
        return false;
    d.setModelType(v);
    if (!readInt(o, "language", 0, v, why))
        return false;
    d.setLanguage(v);
    if (!readInt(o, "timing", 0, v, why))
        return false;
    d.setTiming(v);

    const QJsonValue sup = o.value(QStringLiteral("superposable"));
    if (!sup.isUndefined() && !sup.isBool())
        return fail(why, QStringLiteral("'superposable' must be true or false"));
    d.setSuperposable(sup.toBool(false));

    const QJsonValue dec = o.value(QStringLiteral("decimals"));
    if (!dec.isUndefined() && !dec.isArray())
        return fail(why, QStringLiteral("'decimals' must be a list of integers"));
    QVector<int> decimals;
    for (const QJsonValue& x : dec.toArray()) {
        const double n = x.toDouble(std::numeric_limits<double>::quiet_NaN());
        if (!x.isDouble() || n != std::floor(n) || std::fabs(n) > 1000)
            return fail(why, QStringLiteral("'decimals' must be a list of integers"));
        decimals << int(n);
    }
    d.setDecimals(decimals);

    const QJsonValue outs = o.value(QStringLiteral("outputs"));
    if (!outs.isUndefined() && !outs.isArray())
        return fail(why, QStringLiteral("'outputs' must be a list of names"));
    QStringList outputNames;
    for (const QJsonValue& x : outs.toArray()) {
        if (!x.isString() || x.toString().trimmed().isEmpty())
            return fail(why, QStringLiteral("'outputs' must be a list of names"));
        outputNames << x.toString().trimmed();
    }
    d.setOutputNames(outputNames);

    const QJsonValue flags = o.value(QStringLiteral("flags"));
    if (!flags.isUndefined() && !flags.isArray())
        return fail(why, QStringLiteral("'flags' must be a list"));
    for (const QJsonValue& x : flags.toArray()) {
        const QString f = x.toString();
        if (f == QLatin1String("vba"))
            d.setVba(true);
        else if (f == QLatin1String("groupModel"))
            d.setGroupModel(true);
        else if (f == QLatin1String("native") && !user)
            d.setNative(true);
        else
            return fail(why, QStringLiteral("unknown flag '%1'").arg(x.toVariant().toString()));
    }

    if (user) {
        const QJsonValue params = o.value(QStringLiteral("params"));
        if (!params.isUndefined() && !params.isArray())
            return fail(why, QStringLiteral("'params' must be a list"));
        QVector<CFormulaParamDef> defs;
        for (const QJsonValue& x : params.toArray()) {
            const QJsonObject p = x.toObject();
            CFormulaParamDef def;
            if (!x.isObject() || !p.value(QStringLiteral("name")).isString())
                return fail(why, QStringLiteral("a parameter has no name"));
            def.name = p.value(QStringLiteral("name")).toString();
            if (!readDouble(p, "default", def.defaultValue, why) ||
                !readDouble(p, "min", def.minValue, why) || !readDouble(p, "max", def.maxValue, why))
                return false;
            defs << def;
        }
        d.setParams(defs);
        if (!o.value(QStringLiteral("source")).isString())
            return fail(why, QStringLiteral("'source' is missing"));
        d.setSource(o.value(QStringLiteral("source")).toString());
        // The user's indicators are user formulas; a model keeps its type.
        if (d.getModelType() == 0)
            d.setModelType(1);
        d.setUserModel(d.getKind() == 2);
    }
    return validateRecord(d, why);
}

bool CFormulaOperateManager::validateRecord(const CFormulaDetail& d, QString* why)
{
    if (!isValidName(d.getName()))
        return fail(why, QStringLiteral("'%1' is not a valid formula name").arg(d.getName()));
    if (d.getRealName().isEmpty() || d.getRealName().size() > kMaxNameLength)
        return fail(why, QStringLiteral("bad real name"));
    if (d.getPlacement() < 0 || d.getPlacement() > 2)
        return fail(why, QStringLiteral("placement %1 is not 0, 1 or 2").arg(d.getPlacement()));
    if (d.getDrType() < -1 || d.getDrType() > 4)
        return fail(why, QStringLiteral("ex-rights type %1 is not -1..4").arg(d.getDrType()));
    if (d.getCountLimit() < 0)
        return fail(why, QStringLiteral("negative count limit"));
    if (d.getAlignment() < 0)
        return fail(why, QStringLiteral("negative alignment"));
    if (d.getKind() < 0 || d.getKind() > 2)
        return fail(why, QStringLiteral("kind %1 is not 0, 1 or 2").arg(d.getKind()));
    const int mt = d.getModelType();
    if (mt != 0 && mt != 1 && mt != 4 && mt != 5)
        return fail(why, QStringLiteral("model type %1 is not 0, 1, 4 or 5").arg(mt));
    if (d.getLanguage() < 0 || d.getLanguage() > 1)
        return fail(why, QStringLiteral("language %1 is not 0 or 1").arg(d.getLanguage()));
    if (d.getTiming() < 0)
        return fail(why, QStringLiteral("negative timing value"));
    for (int n : d.getDecimals())
        if (n < -1 || n > kMaxDecimals)
            return fail(why, QStringLiteral("decimals %1 is not -1..%2").arg(n).arg(kMaxDecimals));
    QSet<QString> seen;
    for (const CFormulaParamDef& p : d.getParams()) {
        if (!isValidName(p.name) || seen.contains(p.name))
            return fail(why, QStringLiteral("bad or repeated parameter name '%1'").arg(p.name));
        seen.insert(p.name);
        if (!std::isfinite(p.defaultValue) || !std::isfinite(p.minValue) || !std::isfinite(p.maxValue) ||
            p.minValue > p.defaultValue || p.defaultValue > p.maxValue)
            return fail(why, QStringLiteral("parameter %1: the default %2 is not within [%3, %4]")
                                 .arg(p.name)
                                 .arg(p.defaultValue)
                                 .arg(p.minValue)
                                 .arg(p.maxValue));
    }
    return true;
}

QJsonObject CFormulaOperateManager::recordToJson(const CFormulaDetail& d)
{
    QJsonObject o;
    o.insert(QStringLiteral("name"), d.getName());
    if (d.getRealName() != d.getName())
        o.insert(QStringLiteral("realName"), d.getRealName());
    o.insert(QStringLiteral("title"), d.getTitle());
    o.insert(QStringLiteral("placement"), d.getPlacement());
    o.insert(QStringLiteral("drType"), d.getDrType());
    o.insert(QStringLiteral("countLimit"), d.getCountLimit());
    o.insert(QStringLiteral("alignment"), d.getAlignment());
    QJsonArray decimals;
    for (int n : d.getDecimals())
        decimals.append(n);
    o.insert(QStringLiteral("decimals"), decimals);
    if (!d.getOutputNames().isEmpty())
        o.insert(QStringLiteral("outputs"), QJsonArray::fromStringList(d.getOutputNames()));
    o.insert(QStringLiteral("superposable"), d.isSuperposable());
    o.insert(QStringLiteral("kind"), d.getKind());
    o.insert(QStringLiteral("modelType"), d.getModelType());
    o.insert(QStringLiteral("language"), d.getLanguage());
    o.insert(QStringLiteral("timing"), d.getTiming());
    QJsonArray flags;
    if (d.isVba())
        flags.append(QStringLiteral("vba"));
    if (d.isGroupModel())
        flags.append(QStringLiteral("groupModel"));
    o.insert(QStringLiteral("flags"), flags);
    QJsonArray params;
    for (const CFormulaParamDef& p : d.getParams()) {
        QJsonObject po;
        po.insert(QStringLiteral("name"), p.name);
        po.insert(QStringLiteral("default"), p.defaultValue);
        po.insert(QStringLiteral("min"), p.minValue);
        po.insert(QStringLiteral("max"), p.maxValue);
        params.append(po);
    }
    o.insert(QStringLiteral("params"), params);
    o.insert(QStringLiteral("source"), d.getSource());
    return o;
}

void CFormulaOperateManager::addToState(State& s, const DetailPtr& d) const
{
    s.formulas.insert(key(d->getName()), d);
    s.byRealName.insert(key(d->getRealName()), d);
}

void CFormulaOperateManager::loadBuiltin(State& s) const
{
    s.root = boost::make_shared<CFormulaCatalog>(QString(), CFormulaCatalog::kSystem);
    const QString path = builtinCatalogFile();
    const auto finish = [this, &s, &path]() {
        // The user's formulas need a home even when the shipped tree lacks one.
        for (int i = 0; i < s.root->size() && !s.userCatalog; ++i)
            if (s.root->getChild(i)->type() == CFormulaCatalog::kUser)
                s.userCatalog = s.root->getChild(i);
        if (!s.userCatalog) {
            s.userCatalog =
                boost::make_shared<CFormulaCatalog>(QStringLiteral("用户指标"), CFormulaCatalog::kUser, 1);
            // A node of that name but another type would keep the home out of
            // the tree, and the user's formulas out of every menu.
            if (s.root->removeChild(s.userCatalog->catalogName()))
                QLLOG_ERROR(qlog::kStdLogger, "%1%: catalogue %2% is not of the user's type, replaced", path,
                            s.userCatalog->catalogName());
            s.root->addChild(s.userCatalog);
        }
    };

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        QLLOG_ERROR(qlog::kStdLogger, "formula catalogue %1% cannot be read: %2%", path, file.errorString());
        finish();
        return;
    }
    QJsonParseError perr;
    const QJsonDocument doc = QJsonDocument::fromJson(file.readAll(), &perr);
    if (!doc.isObject()) {
        QLLOG_ERROR(qlog::kStdLogger, "formula catalogue %1% is not valid JSON (offset %2%): %3%", path,
                    perr.offset, perr.errorString());
        finish();
        return;
    }
    const QJsonObject root = doc.object();
    const QString sourceDir = m_dataDir + QStringLiteral("/formulas/builtin/");

    const QJsonArray entries = root.value(QStringLiteral("formulas")).toArray();
    for (int i = 0; i < entries.size(); ++i) {
        const QString entry = entryName(entries[i], i);
        auto d = boost::make_shared<CFormulaDetail>();
        QString why;
        if (!entries[i].isObject() || !parseRecord(entries[i].toObject(), false, *d, &why)) {
            QLLOG_ERROR(qlog::kStdLogger, "%1%: entry %2% skipped: %3%", path, entry,
                        why.isEmpty() ? QStringLiteral("not an object") : why);
            continue;
        }
        if (!d->isNative()) {
            const QString fileName = entries[i]
                                         .toObject()
                                         .value(QStringLiteral("file"))
                                         .toString(d->getName() + QStringLiteral(".fml"));
            QFile src(sourceDir + QFileInfo(fileName).fileName());
            QVector<CFormulaParamDef> params;
            if (!src.open(QIODevice::ReadOnly)) {
                QLLOG_ERROR(qlog::kStdLogger, "%1%: entry %2% skipped: source %3% cannot be read", path,
                            entry, src.fileName());
                continue;
            }
            const QString text = QString::fromUtf8(src.readAll());
            if (!parseParamsLine(text, params, &why)) {
                QLLOG_ERROR(qlog::kStdLogger, "%1%: entry %2% skipped: %3%", src.fileName(), entry, why);
                continue;
            }
            d->setParams(params);
            d->setSource(text);
            if (!validateRecord(*d, &why)) {
                QLLOG_ERROR(qlog::kStdLogger, "%1%: entry %2% skipped: %3%", src.fileName(), entry, why);
                continue;
            }
        }
        if (s.formulas.contains(key(d->getName())) || s.byRealName.contains(key(d->getRealName()))) {
            QLLOG_ERROR(qlog::kStdLogger, "%1%: entry %2% skipped: defined twice", path, entry);
            continue;
        }
        addToState(s, d);
        s.builtinNames.insert(key(d->getName()));
    }

    std::function<void(const QJsonArray&, const CFormulaCatalog::Ptr&)> build =
        [&](const QJsonArray& children, const CFormulaCatalog::Ptr& parent) {
            for (const QJsonValue& c : children) {
                if (c.isString()) {
                    const DetailPtr d = s.formulas.value(key(c.toString()));
                    if (!d) {
                        QLLOG_ERROR(qlog::kStdLogger, "%1%: catalogue %2% lists unknown formula %3%", path,
                                    parent->catalogName(), c.toString());
                        continue;
                    }
                    parent->addChild(CFormulaCatalog::makeLeaf(d->getName(), d->getModelType()));
                    continue;
                }
                const QJsonObject o = c.toObject();
                const QString name = o.value(QStringLiteral("name")).toString().trimmed();
                const int type = o.value(QStringLiteral("type")).toInt(-1);
                if (name.isEmpty() || type < CFormulaCatalog::kSystem ||
                    type > CFormulaCatalog::kExtendData) {
                    QLLOG_ERROR(qlog::kStdLogger, "%1%: bad catalogue node under %2% skipped", path,
                                parent->catalogName());
                    continue;
                }
                const auto node = boost::make_shared<CFormulaCatalog>(
                    name, type, o.value(QStringLiteral("modelType")).toInt(0));
                if (!parent->addChild(node)) {
                    QLLOG_ERROR(qlog::kStdLogger, "%1%: catalogue %2% defined twice", path, name);
                    continue;
                }
                build(o.value(QStringLiteral("children")).toArray(), node);
            }
        };
    build(root.value(QStringLiteral("catalogs")).toArray(), s.root);
    finish();
    QLLOG_INFO(qlog::kStdLogger, "formula catalogue %1%: %2% formulas", path, s.formulas.size());
}

void CFormulaOperateManager::addUserError(State& s, const QString& message) const
{
    s.userErrors << message;
    QLLOG_WARN(qlog::kStdLogger, "%1%", message);
}

void CFormulaOperateManager::loadUser(State& s) const
{
    const QString path = userCatalogFile();
    QFile file(path);
    if (!file.exists())
        return;
    if (!file.open(QIODevice::ReadOnly)) {
        s.userFileUnreadable = true;
        addUserError(s, QStringLiteral("%1: cannot be read: %2").arg(path, file.errorString()));
        return;
    }
    QJsonParseError perr;
    const QJsonDocument doc = QJsonDocument::fromJson(file.readAll(), &perr);
    if (doc.isNull()) {
        s.userFileUnreadable = true;
        addUserError(s, QStringLiteral("%1: not valid JSON at offset %2: %3")
                            .arg(path)
                            .arg(perr.offset)
                            .arg(perr.errorString()));
        return;
    }
    if (!doc.isObject() || !doc.object().value(QStringLiteral("formulas")).isArray()) {
        s.userFileUnreadable = true;
        addUserError(s, QStringLiteral("%1: no \"formulas\" list").arg(path));
        return;
    }
    s.userEntries = doc.object().value(QStringLiteral("formulas")).toArray();
    for (int i = 0; i < s.userEntries.size(); ++i) {
        const QJsonValue entry = s.userEntries[i];
        const QString name = entryName(entry, i);
        const auto skip = [&](const QString& why) {
            addUserError(s, QStringLiteral("%1: entry %2 skipped: %3").arg(path, name, why));
        };
        auto d = boost::make_shared<CFormulaDetail>();
        QString why;
        if (!entry.isObject()) {
            skip(QStringLiteral("not an object"));
            continue;
        }
        if (!parseRecord(entry.toObject(), true, *d, &why)) {
            skip(why);
            continue;
        }
        if (s.builtinNames.contains(key(d->getName()))) {
            skip(QStringLiteral("the name belongs to a built-in formula"));
            continue;
        }
        if (s.formulas.contains(key(d->getName()))) {
            skip(QStringLiteral("defined twice"));
            continue;
        }
        if (s.byRealName.contains(key(d->getRealName()))) {
            skip(QStringLiteral("real name %1 is taken").arg(d->getRealName()));
            continue;
        }
        if (!genLuaFormula(*d, &why)) {
            skip(why);
            continue;
        }
        addToState(s, d);
        s.userCatalog->addChild(CFormulaCatalog::makeLeaf(d->getName(), d->getModelType()));
    }
    QLLOG_INFO(qlog::kStdLogger, "user formulas %1%: %2% entries, %3% skipped", path, s.userEntries.size(),
               s.userErrors.size());
}

} // namespace TC
