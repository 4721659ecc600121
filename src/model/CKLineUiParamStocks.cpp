// Instrument and superposition lists of the view model.
#include "model/CKLineUiParam.h"

#include "platform/market/CStockManager.h"
#include "platform/market/InstrumentAccess.h"

namespace TC {

namespace {
const QString kSectorMarket = QStringLiteral("BKZS");
}

CKLineUiParam::PackedColor CKLineUiParam::colorAt(int position) const
{
    if (superposeColors.isEmpty() || position < 0)
        return 0;
    return superposeColors.at(position % superposeColors.size());
}

void CKLineUiParam::setStock(std::shared_ptr<qlservice::CInstrumentDetail> s)
{
    minDispSpan = optionExpectMode == 1 ? 300 : 20;
    const bool changed = getDetailQsKey(s) != getDetailQsKey(curStock);
    curStock = s;
    if (changed) {
        updateAddSwBkzsCode();
        updateAddConvertibleCode();
    }
}

std::shared_ptr<qlservice::CInstrumentDetail> CKLineUiParam::getStockDetail(QString key) const
{
    if (curStock && getDetailQsKey(curStock) == key)
        return curStock;
    for (const auto& s : addStockList)
        if (getDetailQsKey(s) == key)
            return s;
    return nullptr;
}

void CKLineUiParam::addStock(std::shared_ptr<qlservice::CInstrumentDetail> s)
{
    if (!s)
        return;
    const QString key = getDetailQsKey(s);
    for (const auto& existing : addStockList)
        if (getDetailQsKey(existing) == key)
            return;
    addStockList.append(s);
    superposeColorMap[key] = colorAt(addStockList.size() - 1);
}

void CKLineUiParam::addStock(QString key)
{
    if (auto s = getStockDetail(key))
        addStock(s);
}

void CKLineUiParam::delAllStock()
{
    addStockList.clear();
    addCustomIndexList.clear();
    swLevel = -1;
    addSwBkzsCode.clear();
    superposeColorMap.clear();
    autoConvertible = 0;
    addConvertibleCodes.clear();
}

bool CKLineUiParam::isSuperPosStock(QString key) const
{
    if (key == getCurrKey())
        return false;
    for (const auto& s : addStockList)
        if (getDetailQsKey(s) == key)
            return true;
    return false;
}

bool CKLineUiParam::isSuperPosCustomIndex(QString key) const
{
    for (const auto& index : addCustomIndexList)
        if (index.key == key)
            return true;
    return false;
}

bool CKLineUiParam::isStockEmpty() const
{
    if (!curStock)
        return false;
    return curStock->code.empty();
}

void CKLineUiParam::removeSectorIndexes()
{
    for (int i = addStockList.size() - 1; i >= 0; --i)
        if (getDetailQsMarket(addStockList.at(i)) == kSectorMarket)
            addStockList.removeAt(i);
}

void CKLineUiParam::clearAddSwBkzsCode()
{
    removeSectorIndexes();
    addSwBkzsCode.clear();
}

void CKLineUiParam::clearAddConvertibleCode()
{
    for (int i = addStockList.size() - 1; i >= 0; --i)
        if (addConvertibleCodes.contains(getDetailQsKey(addStockList.at(i))))
            addStockList.removeAt(i);
    addConvertibleCodes.clear();
}

void CKLineUiParam::updateAddSwBkzsCode()
{
    if (swLevel == -1)
        return;
    const QString sector = CSectorManager::getSWSectorByStock(getCurrKey(), swLevel);
    const QString code = CSectorManager::getBkzsCodeByName(sector);
    if (code.isEmpty()) {
        clearAddSwBkzsCode();
        return;
    }
    if (code == addSwBkzsCode)
        return;
    auto d = CStockManager::getInstrumentDetail(code);
    int j = -1;
    for (int i = 0; i < addStockList.size(); ++i) {
        if (getDetailQsMarket(addStockList.at(i)) == kSectorMarket) {
            j = i;
            break;
        }
    }
    if (j >= 0 && !d) {
        addStockList.removeAt(j);
    } else if (j >= 0) {
        addStockList[j] = d;
        superposeColorMap[getDetailQsKey(d)] = colorAt(j);
    } else if (d && addStockList.size() < 3) {
        addStockList.append(d);
        superposeColorMap[getDetailQsKey(d)] = colorAt(addStockList.size() - 1);
    }
    addSwBkzsCode = code;
}

void CKLineUiParam::updateAddConvertibleCode()
{
    if ((autoConvertible & 1) == 0)
        return;
    clearAddConvertibleCode();
    QSet<QString> codes = CSectorManager::getConvertibleCodeByStock(getCurrKey());
    if (codes.isEmpty() && curStock) {
        const std::string market = getDetailMarket(curStock);
        const std::string code = getDetailCode(curStock);
        const bool isBond = qlservice::StockTypeCenter::isTypedStock(market, code, 10019) ||
                            qlservice::StockTypeCenter::isTypedStock(market, code, 135);
        if (isBond && !curStock->underlyingCode.empty()) {
            codes.insert(QString::fromStdString(utils::nvStockKey(market, curStock->underlyingCode)));
        } else {
            const std::string bond = kelv::getStockConvertibleBond(market, code);
            if (!bond.empty())
                codes.insert(QString::fromStdString(utils::nvStockKey(market, bond)));
        }
    }
    // QSet has no order of its own; walk the keys sorted so the colours do
    // not depend on hashing.
    QStringList ordered = codes.values();
    ordered.sort();
    for (const QString& key : ordered) {
        auto d = CStockManager::getInstrumentDetail(key);
        if (d && addStockList.size() < 3) {
            addStockList.append(d);
            superposeColorMap[getDetailQsKey(d)] = colorAt(addStockList.size() - 1);
            addConvertibleCodes.insert(key);
        }
    }
}

} // namespace TC
