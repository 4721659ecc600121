#pragma once

#include <boost/shared_ptr.hpp>

#include <QString>

#include "kline/IndexKLineViewGlobal.h"
#include "platform/formula/CFormulaParam.h"

namespace TC {

class CKLineData;
class CKLineUiParam;

// Base selector: turns the chart's base kind (the view model's indexType)
// into the base fields of a formula request record and names the base
// instrument key results are compared against.
//
// The destructor is virtual: the chart deletes its selector through this
// base, and that must run the subclass destructor too.
class INDEXKLINEVIEW_EXPORT CFormulaBaseAxis
{
public:
    // `owner` is the series a temporary selector was made for; null for the
    // chart's shared selector.
    CFormulaBaseAxis(CKLineData* owner, boost::shared_ptr<CKLineUiParam> uiParam);
    virtual ~CFormulaBaseAxis();
    CFormulaBaseAxis(const CFormulaBaseAxis&) = delete;
    CFormulaBaseAxis& operator=(const CFormulaBaseAxis&) = delete;

    virtual void prepare() = 0;
    // The base instrument key.
    virtual QString getStock() = 0;
    virtual QString getBaseFormula();
    // Writes the base fields of the record for stock key `key`.
    virtual void fillParam(CFormulaParam& param, QString key, boost::shared_ptr<CKLineData> series) = 0;

    CKLineData* owner() const { return m_owner; }
    const boost::shared_ptr<CKLineUiParam>& uiParam() const { return m_pUiParam; }

    // The selector for an indexType (0..5 and 7); null for 6 and above 7.
    static CFormulaBaseAxis* create(int indexType, CKLineData* owner,
                                    boost::shared_ptr<CKLineUiParam> uiParam);

protected:
    // Key of the view model's instrument ("" without one).
    QString instrumentKey() const;
    // Market and code of the view model's instrument, base kind 0.
    void fillFromInstrument(CFormulaParam& param) const;

    CKLineData* m_owner;
    boost::shared_ptr<CKLineUiParam> m_pUiParam;
};

} // namespace TC
