#pragma once

#include "series/CFormulaBaseAxis.h"

namespace TC {

// Base kind 1, a custom index: the record carries the index definition and
// its components; the chart's own index, or a superposed one when the key
// names it.
class INDEXKLINEVIEW_EXPORT CCustomFormulaBaseAxis : public CFormulaBaseAxis
{
public:
    using CFormulaBaseAxis::CFormulaBaseAxis;

    void prepare() override {}
    QString getStock() override;
    void fillParam(CFormulaParam& param, QString key, boost::shared_ptr<CKLineData> series) override;
};

} // namespace TC
