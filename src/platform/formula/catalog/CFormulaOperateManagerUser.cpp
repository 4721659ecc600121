// The user's own formulas: saving and removing them in the user file.
#include "platform/formula/catalog/CFormulaOperateManager.h"

#include <boost/make_shared.hpp>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>

#include "platform/config/QLLog.h"
#include "platform/framework/QWriteFile.h"

namespace TC {

namespace {

bool fail(QString* error, const QString& text)
{
    if (error)
        *error = text;
    return false;
}

int indexOfEntry(const QJsonArray& entries, const QString& name)
{
    for (int i = 0; i < entries.size(); ++i)
        if (entries[i]
                .toObject()
                .value(QStringLiteral("name"))
                .toString()
                .trimmed()
                .compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

} // namespace

bool CFormulaOperateManager::writeUserEntries(const QJsonArray& entries, QString* error)
{
    const QString path = userCatalogFile();
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return fail(error, QStringLiteral("%1: the folder cannot be created").arg(path));
    if (m_state.userFileUnreadable && QFile::exists(path)) {
        // Never overwrite what could not be read: the user may want it back.
        QString backup = path + QStringLiteral(".bak");
        for (int n = 1; QFile::exists(backup); ++n)
            backup = path + QStringLiteral(".bak%1").arg(n);
        if (!QFile::copy(path, backup))
            return fail(error,
                        QStringLiteral("%1: the unreadable file cannot be kept as %2").arg(path, backup));
        QLLOG_WARN(qlog::kStdLogger, "unreadable user formula file %1% kept as %2%", path, backup);
    }
    QJsonObject root;
    root.insert(QStringLiteral("version"), 1);
    root.insert(QStringLiteral("formulas"), entries);
    if (!QWriteFile(path, QJsonDocument(root).toJson(QJsonDocument::Indented), error))
        return false;
    m_state.userFileUnreadable = false;
    return true;
}

bool CFormulaOperateManager::saveUserFormula(const CFormulaDetail& detail, QString* error)
{
    // Through the file form, so a saved formula passes exactly the checks a
    // loaded one does.
    const QJsonObject entry = recordToJson(detail);
    auto d = boost::make_shared<CFormulaDetail>();
    QString why;
    if (detail.isNative())
        return fail(error,
                    QStringLiteral("%1: a native formula cannot be a user formula").arg(detail.getName()));
    if (!parseRecord(entry, true, *d, &why))
        return fail(error, QStringLiteral("%1: %2").arg(detail.getName(), why));
    if (!genLuaFormula(*d, error))
        return false;

    QWriteLocker lock(&m_lock);
    const QString name = key(d->getName());
    if (m_state.builtinNames.contains(name))
        return fail(error, QStringLiteral("%1: the name belongs to a built-in formula").arg(d->getName()));
    const DetailPtr old = m_state.formulas.value(name);
    const DetailPtr realOwner = m_state.byRealName.value(key(d->getRealName()));
    if (realOwner && realOwner != old)
        return fail(error, QStringLiteral("%1: real name %2 is taken").arg(d->getName(), d->getRealName()));

    QJsonArray entries = m_state.userEntries;
    const int at = indexOfEntry(entries, name);
    if (at >= 0)
        entries[at] = entry;
    else
        entries.append(entry);
    if (!writeUserEntries(entries, error))
        return false;

    m_state.userEntries = entries;
    if (old)
        m_state.byRealName.remove(key(old->getRealName()));
    addToState(m_state, d);
    if (!m_state.userCatalog->findChild(name))
        m_state.userCatalog->addChild(CFormulaCatalog::makeLeaf(name, d->getModelType()));
    QLLOG_INFO(qlog::kStdLogger, "user formula %1% saved in %2%", name, userCatalogFile());
    return true;
}

bool CFormulaOperateManager::removeUserFormula(const QString& name, QString* error)
{
    QWriteLocker lock(&m_lock);
    const QString k = key(name);
    if (m_state.builtinNames.contains(k))
        return fail(error, QStringLiteral("%1: a built-in formula cannot be removed").arg(k));
    const DetailPtr old = m_state.formulas.value(k);
    QJsonArray entries = m_state.userEntries;
    bool found = false;
    for (int at = indexOfEntry(entries, k); at >= 0; at = indexOfEntry(entries, k)) {
        entries.removeAt(at);
        found = true;
    }
    if (!old && !found)
        return fail(error, QStringLiteral("%1: no such user formula").arg(k));
    if (!writeUserEntries(entries, error))
        return false;
    m_state.userEntries = entries;
    if (old) {
        m_state.formulas.remove(k);
        m_state.byRealName.remove(key(old->getRealName()));
    }
    m_state.userCatalog->removeChild(k);
    QLLOG_INFO(qlog::kStdLogger, "user formula %1% removed from %2%", k, userCatalogFile());
    return true;
}

} // namespace TC
