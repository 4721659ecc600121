#pragma once

#include "series/CFormulaBaseAxis.h"

namespace TC {

// Base kind 5, account index: computed over the chart's instrument.
class INDEXKLINEVIEW_EXPORT CAccountIndexAxis : public CFormulaBaseAxis
{
public:
    using CFormulaBaseAxis::CFormulaBaseAxis;

    void prepare() override {}
    QString getStock() override;
    void fillParam(CFormulaParam& param, QString key, boost::shared_ptr<CKLineData> series) override;
};

} // namespace TC
