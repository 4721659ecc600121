#include "platform/formula/service/IndexData.h"

#include <cmath>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "platform/framework/QWriteFile.h"

namespace se {

namespace {

bool fail(QString* error, const QString& text)
{
    if (error)
        *error = text;
    return false;
}

bool writeAtomically(const QString& path, const QByteArray& bytes, QString* error)
{
    if (path.isEmpty())
        return fail(error, QStringLiteral("empty path"));
    QDir().mkpath(QFileInfo(path).absolutePath());
    return TC::QWriteFile(path, bytes, error);
}

bool readAll(const QString& path, QByteArray& bytes, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(error, QStringLiteral("cannot read %1").arg(path));
    bytes = file.readAll();
    return true;
}

} // namespace

QByteArray IndexData::serializeRows(const IndexData& data)
{
    QByteArray out = "time";
    for (const QString& code : data.codes)
        out += ',' + code.toUtf8();
    out += '\n';
    for (const Row& row : data.rows) {
        out += QByteArray::number(row.time);
        for (double v : row.values)
            out += ',' + QByteArray::number(v, 'g', 17);
        out += '\n';
    }
    return out;
}

bool IndexData::parseRows(const QByteArray& text, IndexData& out, QString* error)
{
    const QList<QByteArray> lines = text.split('\n');
    if (lines.isEmpty())
        return fail(error, QStringLiteral("empty data"));
    const QList<QByteArray> header = lines.first().trimmed().split(',');
    if (header.first() != "time")
        return fail(error, QStringLiteral("the header does not start with time"));
    QStringList codes;
    for (int i = 1; i < header.size(); ++i) {
        const QString code = QString::fromUtf8(header[i]).trimmed();
        if (code.isEmpty())
            return fail(error, QStringLiteral("empty column name"));
        codes << code;
    }
    QVector<Row> rows;
    for (int n = 1; n < lines.size(); ++n) {
        const QByteArray line = lines[n].trimmed();
        if (line.isEmpty())
            continue;
        const QList<QByteArray> fields = line.split(',');
        if (fields.size() != header.size())
            return fail(error, QStringLiteral("line %1: %2 fields, expected %3").arg(n + 1).arg(fields.size()).arg(header.size()));
        Row row;
        bool ok = false;
        row.time = fields.first().toLongLong(&ok);
        if (!ok || (!rows.isEmpty() && row.time <= rows.last().time))
            return fail(error, QStringLiteral("line %1: bad or unordered time").arg(n + 1));
        row.values.reserve(codes.size());
        for (int i = 1; i < fields.size(); ++i) {
            const double v = fields[i].toDouble(&ok);
            if (!ok || !std::isfinite(v))
                return fail(error, QStringLiteral("line %1: bad value").arg(n + 1));
            row.values << v;
        }
        rows << row;
    }
    out.codes = codes;
    out.rows = rows;
    return true;
}

QByteArray IndexData::serializeConfig(const IndexData& data)
{
    QJsonObject o;
    o.insert(QStringLiteral("name"), data.name);
    o.insert(QStringLiteral("formula"), data.formula);
    o.insert(QStringLiteral("kind"), QStringLiteral("holding"));
    o.insert(QStringLiteral("codes"), QJsonArray::fromStringList(data.codes));
    o.insert(QStringLiteral("rows"), data.rows.size());
    return QJsonDocument(o).toJson();
}

bool IndexData::parseConfig(const QByteArray& text, IndexData& out, QString* error)
{
    QJsonParseError pe;
    const QJsonDocument doc = QJsonDocument::fromJson(text, &pe);
    if (!doc.isObject())
        return fail(error, QStringLiteral("not a JSON object: %1").arg(pe.errorString()));
    const QJsonObject o = doc.object();
    const QString name = o.value(QStringLiteral("name")).toString();
    if (name.isEmpty())
        return fail(error, QStringLiteral("no name"));
    QStringList codes;
    for (const QJsonValue& v : o.value(QStringLiteral("codes")).toArray()) {
        if (!v.isString() || v.toString().isEmpty())
            return fail(error, QStringLiteral("bad code"));
        codes << v.toString();
    }
    out.name = name;
    out.formula = o.value(QStringLiteral("formula")).toString();
    out.codes = codes;
    return true;
}

bool IndexData::saveHoldingExDataConfig(const QString& path, QString* error) const
{
    return writeAtomically(configPath(path), serializeConfig(*this), error);
}

bool IndexData::saveHoldingExData(const QString& path, QString* error) const
{
    return writeAtomically(path, serializeRows(*this), error);
}

bool IndexData::creatData(const QString& path, QString* error)
{
    QByteArray config;
    QByteArray rowsText;
    if (!readAll(configPath(path), config, error) || !readAll(path, rowsText, error))
        return false;
    IndexData fresh;
    if (!parseConfig(config, fresh, error))
        return false;
    const QStringList described = fresh.codes;
    if (!parseRows(rowsText, fresh, error))
        return false;
    if (fresh.codes != described)
        return fail(error, QStringLiteral("the data's columns differ from its description"));
    *this = fresh;
    return true;
}

void IndexData::cleanStorage()
{
    rows.clear();
    rows.squeeze();
}

} // namespace se
