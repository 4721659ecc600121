#pragma once

#include "series/CFormulaBaseAxis.h"

namespace TC {

// Base kind 0, an instrument's K-line: the record gets the market and code of
// the instrument whose key it is for (the chart's own or a superposed one).
class INDEXKLINEVIEW_EXPORT CNomalFormulaBaseAxis : public CFormulaBaseAxis
{
public:
    using CFormulaBaseAxis::CFormulaBaseAxis;

    void prepare() override {}
    QString getStock() override;
    void fillParam(CFormulaParam& param, QString key, boost::shared_ptr<CKLineData> series) override;
};

} // namespace TC
