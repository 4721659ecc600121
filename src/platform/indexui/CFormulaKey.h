#pragma once

#include <QHash>
#include <QString>

namespace TC {

// Identifies one formula's result inside a series: (instrument key, formula
// name), ordered by instrument key, then formula name.
struct CFormulaKey {
    QString stock;
    QString formula;

    CFormulaKey() = default;
    CFormulaKey(const QString& s, const QString& f) : stock(s), formula(f) {}

    bool operator<(const CFormulaKey& o) const
    {
        const int c = stock.compare(o.stock);
        return c != 0 ? c < 0 : formula.compare(o.formula) < 0;
    }
    bool operator==(const CFormulaKey& o) const { return stock == o.stock && formula == o.formula; }
    bool operator!=(const CFormulaKey& o) const { return !(*this == o); }
};

inline uint qHash(const CFormulaKey& k, uint seed = 0)
{
    return ::qHash(k.stock, seed) ^ (::qHash(k.formula, seed) * 31u);
}

} // namespace TC
