// The base selectors: one small class per base kind.
#include "series/CFormulaBaseAxis.h"

#include "model/CKLineUiParam.h"
#include "platform/market/CStockManager.h"
#include "platform/market/InstrumentAccess.h"
#include "series/CAccountIndexAxis.h"
#include "series/CCustomFormulaBaseAxis.h"
#include "series/CDBIfIndexAxis.h"
#include "series/CExternalIndexAxis.h"
#include "series/CInvestIndexAxis.h"
#include "series/CNomalFormulaBaseAxis.h"
#include "series/CPortfolioFormulaBaseAxis.h"

namespace TC {

CFormulaBaseAxis::CFormulaBaseAxis(CKLineData* owner, boost::shared_ptr<CKLineUiParam> uiParam)
    : m_owner(owner), m_pUiParam(std::move(uiParam))
{
}

CFormulaBaseAxis::~CFormulaBaseAxis() = default;

QString CFormulaBaseAxis::getBaseFormula()
{
    return QStringLiteral("KLINE");
}

CFormulaBaseAxis* CFormulaBaseAxis::create(int indexType, CKLineData* owner,
                                           boost::shared_ptr<CKLineUiParam> uiParam)
{
    switch (indexType) {
    case 0:
        return new CNomalFormulaBaseAxis(owner, std::move(uiParam));
    case 1:
        return new CCustomFormulaBaseAxis(owner, std::move(uiParam));
    case 2:
        return new CPortfolioFormulaBaseAxis(owner, std::move(uiParam));
    case 3:
        return new CInvestIndexAxis(owner, std::move(uiParam));
    case 4:
        return new CExternalIndexAxis(owner, std::move(uiParam));
    case 5:
        return new CAccountIndexAxis(owner, std::move(uiParam));
    case 7:
        return new CDBIfIndexAxis(owner, std::move(uiParam));
    default:
        return nullptr;
    }
}

QString CFormulaBaseAxis::instrumentKey() const
{
    return m_pUiParam ? getDetailQsKey(m_pUiParam->curStock) : QString();
}

void CFormulaBaseAxis::fillFromInstrument(CFormulaParam& param) const
{
    const auto detail = m_pUiParam ? m_pUiParam->curStock : nullptr;
    param.market = getDetailQsMarket(detail);
    param.code = getDetailQsCode(detail);
    param.baseKind = 0;
}

// --- 0: instrument
QString CNomalFormulaBaseAxis::getStock()
{
    return instrumentKey();
}

void CNomalFormulaBaseAxis::fillParam(CFormulaParam& param, QString key, boost::shared_ptr<CKLineData>)
{
    const auto detail = m_pUiParam ? m_pUiParam->getStockDetail(key) : nullptr;
    param.market = getDetailQsMarket(detail);
    param.code = getDetailQsCode(detail);
}

// --- 1: custom index
QString CCustomFormulaBaseAxis::getStock()
{
    return m_pUiParam ? m_pUiParam->customIndex.key : QString();
}

void CCustomFormulaBaseAxis::fillParam(CFormulaParam& param, QString key, boost::shared_ptr<CKLineData>)
{
    CIndexDetail index;
    if (m_pUiParam) {
        if (m_pUiParam->isSuperPosCustomIndex(key)) {
            for (const CIndexDetail& d : m_pUiParam->addCustomIndexList)
                if (QString::compare(d.key, key, Qt::CaseSensitive) == 0) {
                    index = d;
                    break;
                }
        } else {
            index = m_pUiParam->customIndex;
        }
    }
    param.indexKey = key;
    param.indexKey2 = key;
    param.indexKind = index.kind;
    param.indexBaseDate = index.baseDate;
    param.indexBasePoint = index.basePoint;
    param.indexWeightMode = index.weightMode;
    param.indexDecimals = index.decimals;
    param.market = QStringLiteral("CD");
    param.code = key;
    for (const QString& componentKey : index.componentKeys)
        if (const auto detail = CStockManager::getInstrumentDetail(componentKey))
            param.components.append(qMakePair(getDetailQsMarket(detail), getDetailQsCode(detail)));
}

// --- 2: portfolio
QString CPortfolioFormulaBaseAxis::getStock()
{
    return instrumentKey();
}

void CPortfolioFormulaBaseAxis::fillParam(CFormulaParam&, QString, boost::shared_ptr<CKLineData>)
{
}

// --- 3, 4, 5, 7: index kinds computed over the chart's instrument
QString CInvestIndexAxis::getStock()
{
    return instrumentKey();
}

void CInvestIndexAxis::fillParam(CFormulaParam& param, QString, boost::shared_ptr<CKLineData>)
{
    fillFromInstrument(param);
}

QString CExternalIndexAxis::getStock()
{
    return instrumentKey();
}

void CExternalIndexAxis::fillParam(CFormulaParam& param, QString, boost::shared_ptr<CKLineData>)
{
    fillFromInstrument(param);
}

QString CAccountIndexAxis::getStock()
{
    return instrumentKey();
}

void CAccountIndexAxis::fillParam(CFormulaParam& param, QString, boost::shared_ptr<CKLineData>)
{
    fillFromInstrument(param);
}

QString CDBIfIndexAxis::getStock()
{
    return instrumentKey();
}

void CDBIfIndexAxis::fillParam(CFormulaParam& param, QString, boost::shared_ptr<CKLineData>)
{
    fillFromInstrument(param);
}

} // namespace TC
