#include "platform/framework/CDrawGraphManager.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include "platform/config/CAppConfig.h"
#include "platform/config/QLLog.h"
#include "platform/framework/CMessageTip.h"
#include "platform/framework/QWriteFile.h"

namespace TC {

CDrawGraphManager* CDrawGraphManager::instance()
{
    return utils::CSingletonT<CDrawGraphManager>::instance();
}

QString CDrawGraphManager::filePath() const
{
    return QDir(CAppConfig::userDataDir()).filePath(QStringLiteral("drawgraph.json"));
}

bson::BSONObj CDrawGraphManager::getGraphData(const QString& key)
{
    CDrawGraphManager* self = instance();
    std::lock_guard<std::mutex> lock(self->m_mutex);
    self->ensureLoaded();
    const auto it = self->m_records.find(key.toStdString());
    return it == self->m_records.end() ? bson::BSONObj() : it->second;
}

bool CDrawGraphManager::hasGraphData(const QString& key)
{
    return !getGraphData(key).isEmpty();
}

bool CDrawGraphManager::setGraphData(const QString& key, const bson::BSONObj& data)
{
    if (key.isEmpty())
        return true;
    CDrawGraphManager* self = instance();
    QString error;
    {
        std::lock_guard<std::mutex> lock(self->m_mutex);
        self->ensureLoaded();
        if (data.isEmpty())
            self->m_records.erase(key.toStdString());
        else
            self->m_records[key.toStdString()] = data.getOwned();
        if (self->saveLocked(&error))
            return true;
    }
    QLLOG_ERROR_S(qlog::kStdLogger, "drawings not saved, key:%1%, file:%2%", key, self->filePath());
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) &&
        QThread::currentThread() == QCoreApplication::instance()->thread())
        KW::CMessageTip::showTip(QApplication::activeWindow(), QStringLiteral("画线保存失败: %1").arg(error));
    return false;
}

void CDrawGraphManager::reload()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_records.clear();
    m_loaded = false;
    ensureLoaded();
}

void CDrawGraphManager::ensureLoaded()
{
    if (m_loaded)
        return;
    m_loaded = true;
    loadLocked();
}

void CDrawGraphManager::loadLocked()
{
    const QString path = filePath();
    QFile file(path);
    if (!file.exists())
        return;
    if (!file.open(QIODevice::ReadOnly)) {
        QLLOG_ERROR(qlog::kStdLogger, "cannot read drawings file:%1%", path);
        return;
    }
    const QByteArray text = file.readAll();
    file.close();
    std::string error;
    if (!parse(text, m_records, &error)) {
        const QString aside = path + QStringLiteral(".bad");
        QFile::remove(aside);
        QFile::copy(path, aside);
        QLLOG_ERROR(qlog::kStdLogger, "drawings file unreadable, kept as %1%, error:%2%", aside, error);
    }
}

bool CDrawGraphManager::parse(const QByteArray& text, Records& out, std::string* error)
{
    bson::BSONObj all;
    std::string why;
    if (!bson::tryFromJson(text.toStdString(), all, &why)) {
        if (error)
            *error = why;
        return false;
    }
    try {
        bson::BSONObjIterator it(all);
        while (it.more()) {
            const bson::BSONElement e = it.next();
            if (e.type() == mongo::Object)
                out[e.fieldName()] = e.embeddedObject().getOwned();
            else
                QLLOG_WARN_S(qlog::kStdLogger, "drawing record skipped, key:%1%", e.fieldName());
        }
    } catch (const std::exception& e) {
        // What was read before the damage is kept.
        QLLOG_ERROR_S(qlog::kStdLogger, "drawings text damaged, error:%1%", e.what());
    }
    return true;
}

std::string CDrawGraphManager::serialize(const Records& records)
{
    bson::BSONObjBuilder b;
    for (const auto& r : records)
        b.append(r.first, r.second);
    return bson::toJson(b.obj());
}

bool CDrawGraphManager::saveLocked(QString* error) const
{
    const QString path = filePath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    return QWriteFile(path, QByteArray::fromStdString(serialize(m_records)), error);
}

} // namespace TC
