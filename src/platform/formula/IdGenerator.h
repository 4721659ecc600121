#pragma once

#include <QString>

namespace se {

// Request ids of the formula service.
class IdGenerator
{
public:
    // "<mainPanelId>|<FORMULA>|<stockKey>": one id per (chart, formula,
    // instrument), so a repeated request of the same triple reuses its id.
    static QString genId(int mainPanelId, const QString& formulaName, const QString& stockKey);
    // A fresh, process-unique id for requests outside any chart.
    static QString uniqueId(const QString& prefix);
};

} // namespace se
