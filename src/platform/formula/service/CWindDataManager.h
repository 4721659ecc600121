#pragma once

#include <optional>

#include <QHash>
#include <QMutex>
#include <QString>

#include "platform/formula/service/CExternalDataCatalog.h"

namespace TC {

// External-data (economic database) catalogues of formulas. The sample
// market's "ED" series EDM0017126 (SHIBOR overnight) is the catalogue of the
// formula "SHIBOR": its first and last day in the store, field "M0017126",
// its name and the unit "%". Other formulas have none unless registered.
// Thread-safe.
class CWindDataManager
{
public:
    static constexpr const char* kShiborFormula = "SHIBOR";
    static constexpr const char* kShiborKey = "EDM0017126";

    CWindDataManager() = default;
    static CWindDataManager* instance();

    // The catalogue of a formula (name case-insensitive), or none.
    static std::optional<CExternalDataCatalog> getCatalogByFormula(const QString& name);

    std::optional<CExternalDataCatalog> catalogOf(const QString& name);
    void registerCatalog(const QString& name, const CExternalDataCatalog& catalog);

private:
    void loadDefaults();

    QMutex m_mutex;
    bool m_defaultsLoaded = false;
    QHash<QString, CExternalDataCatalog> m_catalogs; // upper-case formula name -> catalogue
};

} // namespace TC
