#pragma once

#include <memory>
#include <vector>

#include <QHash>
#include <QMutex>
#include <QString>
#include <QStringList>

#include "platform/formula/RPCGroupResult.h"
#include "platform/formula/service/IndexData.h"

namespace TC {

// The extension data users generate from charts (a group model's holdings),
// by name, with where each is stored. Names compare case-insensitively.
// Thread-safe; the stored files are written by se::IndexData.
class CExtendDataManager
{
public:
    CExtendDataManager() = default;
    static CExtendDataManager* instance();

    // <user data>/EP/<formula>_holding_Xdat
    static QString holdingPath(const QString& formula);
    static QString holdingName(const QString& formula) { return formula + QStringLiteral("_holding"); }

    // Builds the holding table of trades given in time order: one column
    // per instrument (`codes` first, then any other traded code in order of
    // first trade), one row per distinct trade time with every instrument's
    // signed volume after that time's trades. Null without trades.
    static std::shared_ptr<se::IndexData> doGenerateHoldingExData(const QString& name, const QString& formula,
                                                                  const std::vector<std::string>& codes,
                                                                  const std::vector<se::RPCGroupTrade>& trades);

    bool isExist(const QString& name) const;
    // Registers (or replaces) a name with its stored path and columns.
    void setData(const QString& name, const QString& path, const QStringList& codes);
    QString path(const QString& name) const;
    QStringList codes(const QString& name) const;
    QStringList names() const;
    bool removeData(const QString& name);

private:
    struct CEntry {
        QString name;
        QString path;
        QStringList codes;
    };
    mutable QMutex m_mutex;
    QHash<QString, CEntry> m_entries; // upper-case name -> entry
};

} // namespace TC
