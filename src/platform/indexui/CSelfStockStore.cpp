#include "platform/indexui/CSelfStockStore.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

#include "platform/config/CAppConfig.h"
#include "platform/config/CSingletonT.h"
#include "platform/config/QLLog.h"
#include "platform/framework/QWriteFile.h"

namespace TC {

namespace {

bool fail(QString* why, const QString& text)
{
    if (why)
        *why = text;
    return false;
}

} // namespace

CSelfStockStore::CSelfStockStore() : CSelfStockStore(defaultFilePath())
{
}

CSelfStockStore::CSelfStockStore(const QString& filePath) : m_path(filePath)
{
    reload();
}

CSelfStockStore* CSelfStockStore::instance()
{
    return utils::CSingletonT<CSelfStockStore>::instance();
}

QString CSelfStockStore::defaultGroup()
{
    return QStringLiteral("自选股");
}

QString CSelfStockStore::defaultFilePath()
{
    return CAppConfig::userDataDir() + QStringLiteral("/selfstocks.json");
}

void CSelfStockStore::reload()
{
    m_groups = {Group{defaultGroup(), {}}};
    m_fileBad = false;
    QFile file(m_path);
    if (!file.exists())
        return;
    QString why;
    QStringList skipped;
    QVector<Group> groups;
    if (file.size() > kMaxFileSize)
        why = QStringLiteral("file larger than %1 bytes").arg(kMaxFileSize);
    else if (!file.open(QIODevice::ReadOnly))
        why = file.errorString();
    if (!why.isEmpty() || !parse(file.readAll(), groups, &why, &skipped)) {
        m_fileBad = true;
        QLLOG_WARN(qlog::kStdLogger, "self-selected stock file %1% unreadable (%2%), treated as empty",
                   m_path, why);
        return;
    }
    for (const QString& s : qAsConst(skipped))
        QLLOG_WARN(qlog::kStdLogger, "self-selected stock file %1%: %2%", m_path, s);
    m_groups = groups;
}

bool CSelfStockStore::parse(const QByteArray& text, QVector<Group>& groups, QString* why,
                            QStringList* skipped)
{
    groups.clear();
    auto skip = [skipped](const QString& s) {
        if (skipped)
            skipped->append(s);
    };
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(text, &error);
    if (error.error != QJsonParseError::NoError)
        return fail(why, QStringLiteral("not JSON: %1 at %2").arg(error.errorString()).arg(error.offset));
    if (!doc.isObject())
        return fail(why, QStringLiteral("not a JSON object"));
    const QJsonObject root = doc.object();
    const QJsonValue version = root.value(QStringLiteral("version"));
    if (!version.isDouble() || version.toDouble() != kFileVersion)
        return fail(why, QStringLiteral("unknown version"));
    if (!root.value(QStringLiteral("groups")).isArray())
        return fail(why, QStringLiteral("'groups' is not an array"));
    groups.append(Group{defaultGroup(), {}});
    QSet<QString> seen;
    const QJsonArray arr = root.value(QStringLiteral("groups")).toArray();
    for (int i = 0; i < arr.size(); ++i) {
        const QJsonObject o = arr.at(i).toObject();
        const QString name = o.value(QStringLiteral("name")).toString().trimmed();
        if (!arr.at(i).isObject() || name.isEmpty() || name.size() > kMaxNameLength ||
            !o.value(QStringLiteral("stocks")).isArray()) {
            skip(QStringLiteral("group %1 skipped: want a name and a stocks array").arg(i));
            continue;
        }
        if (seen.contains(name)) {
            skip(QStringLiteral("group %1 skipped: %2 repeated").arg(i).arg(name));
            continue;
        }
        seen.insert(name);
        int index = 0; // the default group stays first wherever the file has it
        if (name != defaultGroup()) {
            groups.append(Group{name, {}});
            index = groups.size() - 1;
        }
        Group& group = groups[index];
        const QJsonArray stocks = o.value(QStringLiteral("stocks")).toArray();
        for (int k = 0; k < stocks.size(); ++k) {
            const QString key = stocks.at(k).toString().trimmed();
            if (!stocks.at(k).isString() || key.isEmpty()) {
                skip(QStringLiteral("group %1 (%2): entry %3 is no key").arg(i).arg(name).arg(k));
                continue;
            }
            if (!group.stocks.contains(key))
                group.stocks.append(key);
        }
    }
    return true;
}

QByteArray CSelfStockStore::serialize(const QVector<Group>& groups)
{
    QJsonArray arr;
    for (const Group& g : groups) {
        QJsonObject o;
        o.insert(QStringLiteral("name"), g.name);
        o.insert(QStringLiteral("stocks"), QJsonArray::fromStringList(g.stocks));
        arr.append(o);
    }
    QJsonObject root;
    root.insert(QStringLiteral("version"), kFileVersion);
    root.insert(QStringLiteral("groups"), arr);
    return QJsonDocument(root).toJson();
}

QStringList CSelfStockStore::groups() const
{
    QStringList out;
    for (const Group& g : m_groups)
        out.append(g.name);
    return out;
}

int CSelfStockStore::findGroup(const QString& name) const
{
    const QString n = name.trimmed();
    for (int i = 0; i < m_groups.size(); ++i)
        if (m_groups[i].name == n)
            return i;
    return -1;
}

bool CSelfStockStore::hasGroup(const QString& group) const
{
    return findGroup(group) >= 0;
}

QStringList CSelfStockStore::stocks(const QString& group) const
{
    const int i = findGroup(group);
    return i < 0 ? QStringList() : m_groups[i].stocks;
}

bool CSelfStockStore::addStocks(const QString& group, const QStringList& keys, QString* error)
{
    const QString name = group.trimmed();
    if (name.isEmpty())
        return fail(error, QStringLiteral("分组名称不能为空"));
    if (name.size() > kMaxNameLength)
        return fail(error, QStringLiteral("分组名称不能超过%1个字").arg(kMaxNameLength));
    QVector<Group> next = m_groups;
    int i = findGroup(name);
    if (i < 0) {
        next.append(Group{name, {}});
        i = next.size() - 1;
    }
    bool changed = i >= m_groups.size();
    for (const QString& k : keys) {
        const QString key = k.trimmed();
        if (!key.isEmpty() && !next[i].stocks.contains(key)) {
            next[i].stocks.append(key);
            changed = true;
        }
    }
    if (!changed)
        return true;
    if (!write(next, error))
        return false;
    m_groups = next;
    return true;
}

bool CSelfStockStore::removeStock(const QString& group, const QString& key, QString* error)
{
    const int i = findGroup(group);
    if (i < 0 || !m_groups[i].stocks.contains(key.trimmed()))
        return fail(error, QStringLiteral("%1 不在分组 %2 中").arg(key, group));
    QVector<Group> next = m_groups;
    next[i].stocks.removeAll(key.trimmed());
    if (!write(next, error))
        return false;
    m_groups = next;
    return true;
}

bool CSelfStockStore::write(const QVector<Group>& groups, QString* error)
{
    if (m_fileBad && QFile::exists(m_path)) {
        // Keep what could not be read for the user (or support) to recover;
        // a copy, so the file stays where it was should the write below fail.
        const QString bad = m_path + QStringLiteral(".bad");
        QFile::remove(bad);
        if (!QFile::copy(m_path, bad)) {
            QLLOG_ERROR(qlog::kStdLogger, "cannot set aside unreadable self-selected stock file %1%", m_path);
            return fail(error, QStringLiteral("无法保留损坏的文件 %1").arg(m_path));
        }
        QLLOG_WARN(qlog::kStdLogger, "unreadable self-selected stock file kept as %1%", bad);
    }
    if (!QWriteFile(m_path, serialize(groups), error))
        return false;
    m_fileBad = false;
    return true;
}

} // namespace TC
