#pragma once

#include "series/CFormulaBaseAxis.h"

namespace TC {

// Base kind 2, a portfolio: the service knows the portfolio from the
// account, so the record's market and code stay as they are.
class INDEXKLINEVIEW_EXPORT CPortfolioFormulaBaseAxis : public CFormulaBaseAxis
{
public:
    using CFormulaBaseAxis::CFormulaBaseAxis;

    void prepare() override {}
    QString getStock() override;
    void fillParam(CFormulaParam& param, QString key, boost::shared_ptr<CKLineData> series) override;
};

} // namespace TC
