#pragma once

#include <optional>
#include <vector>

#include <QHash>
#include <QMutex>
#include <QPair>
#include <QString>
#include <QVector>

#include "platform/formula/RPCTimeItem.h"
#include "platform/formula/service/CExternalDataInfo.h"

namespace TC {

// The terminal's external data: product catalogues (an instrument code and
// its kind) and the series users generate from chart outputs, by name.
// The sample market's "ED" instruments are products of kind kKindSeries.
// Series are kept in memory for the session. Thread-safe.
class CExternalDataManager
{
public:
    static constexpr int kKindSeries = 1;
    static constexpr int kKindExtension = 2;

    CExternalDataManager() = default;
    static CExternalDataManager* instance();

    // Product catalogue of an instrument code: its kind, or none.
    std::optional<int> getCatalog(const QString& code);
    // Adds or re-kinds a product; an empty code is refused.
    bool addCatalog(const QString& code, int kind);

    bool isExist(const QString& name) const;
    bool removeData(const QString& name);
    // Stores the values of one output over its bars under info.name,
    // replacing a series of that name. Bars without a value (the largest
    // double, NaN) are left out; times and values must be parallel, and the
    // name non-empty, else nothing changes (false).
    bool generateData1(const CExternalDataInfo& info, const std::vector<se::RPCTimeItem>& times,
                       const std::vector<double>& values);
    // (time ms, value) pairs of a series, ascending; empty when unknown.
    QVector<QPair<qint64, double>> data(const QString& name) const;
    CExternalDataInfo info(const QString& name) const;

private:
    struct CSeries {
        CExternalDataInfo info;
        QVector<QPair<qint64, double>> points;
    };
    void loadDefaults();

    mutable QMutex m_mutex;
    bool m_defaultsLoaded = false;
    QHash<QString, int> m_products; // code -> kind
    QHash<QString, CSeries> m_series;
};

} // namespace TC
