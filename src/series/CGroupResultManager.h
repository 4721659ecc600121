#pragma once

#include <memory>

#include <QMap>
#include <QObject>
#include <QString>

#include "kline/IndexKLineViewGlobal.h"
#include "platform/config/CSingletonT.h"
#include "platform/formula/RPCGroupResult.h"

namespace TC {

class CKLineData;

// Process-wide registry of group (portfolio) model results. The series that
// received a group result is its only holder; other components reach it here
// by group key (the request id). Registrations and queries run on the GUI
// thread; only the singleton's creation is locked.
class INDEXKLINEVIEW_EXPORT CGroupResultManager : public QObject
{
public:
    CGroupResultManager();
    ~CGroupResultManager() override;

    // name -> group key, group key -> series (replacing earlier entries).
    void addData(QString name, QString groupKey, CKLineData* series);
    void removeData(QString groupKey);
    // Drops every registration that points at `series` (a series going away).
    void removeSeries(CKLineData* series);

    void getGroupResultPtr(int, QString groupKey, std::shared_ptr<se::RPCGroupResult>& out);
    double getRealTradePrice(QString groupKey, qint64 timeTag, QString code);

    CKLineData* series(const QString& groupKey) const { return m_seriesMap.value(groupKey); }
    QString groupKeyOf(const QString& name) const { return m_nameMap.value(name); }
    int count() const { return m_seriesMap.size(); }

private:
    QMap<QString, CKLineData*> m_seriesMap;
    QMap<QString, QString> m_nameMap;
};

} // namespace TC

// The store's singleton lives in the module library, so every component
// sees the same instance.
extern template class utils::CSingletonT<TC::CGroupResultManager>;
