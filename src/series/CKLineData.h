#pragma once

#include <memory>

#include <boost/shared_ptr.hpp>

#include <QMap>
#include <QString>

#include "kline/IndexKLineViewGlobal.h"
#include "platform/formula/RPCGroupResult.h"

namespace TC {

class CKLineUiParam;

// One series of a chart pane. This part holds the series' group-model
// results and answers the group result store's queries about them.
class INDEXKLINEVIEW_EXPORT CKLineData
{
public:
    explicit CKLineData(boost::shared_ptr<CKLineUiParam> uiParam);
    // Unregisters every group result this series still has in the store, so
    // the store never keeps a pointer to a dropped series.
    virtual ~CKLineData();
    CKLineData(const CKLineData&) = delete;
    CKLineData& operator=(const CKLineData&) = delete;

    boost::shared_ptr<CKLineUiParam> uiParam() const { return m_pUiParam; }

    // Keeps the group result of request id `key` (replacing an earlier one).
    void setGroupResult(const QString& key, std::shared_ptr<se::RPCGroupResult> result);
    void removeGroupResult(const QString& key);
    bool hasGroupResult(const QString& key) const { return m_groupResults.contains(key); }

    // Fills `out` with the group result of `key`; false (and `out` untouched)
    // when the series holds none.
    virtual bool getGroupResult(const QString& key, std::shared_ptr<se::RPCGroupResult>& out) const;
    // Price of the group's last trade of instrument `code` on bar `barIndex`;
    // the largest double when the group did not trade it on that bar.
    virtual double getRealTradePrice(const QString& key, int barIndex, const QString& code) const;

protected:
    boost::shared_ptr<CKLineUiParam> m_pUiParam;
    QMap<QString, std::shared_ptr<se::RPCGroupResult>> m_groupResults;
};

} // namespace TC
