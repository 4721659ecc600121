#include "platform/market/InstrumentAccess.h"

#include <limits>

namespace TC {

QString getDetailQsKey(const std::shared_ptr<qlservice::CInstrumentDetail>& d)
{
    return d ? QString::fromStdString(d->key) : QString();
}

QString getDetailQsCode(const std::shared_ptr<qlservice::CInstrumentDetail>& d)
{
    return d ? QString::fromStdString(d->code) : QString();
}

QString getDetailQsMarket(const std::shared_ptr<qlservice::CInstrumentDetail>& d)
{
    return d ? QString::fromStdString(d->market) : QString();
}

QString getDetailQsName(const std::shared_ptr<qlservice::CInstrumentDetail>& d)
{
    return d ? QString::fromStdString(d->name) : QString();
}

std::string getDetailKey(const std::shared_ptr<qlservice::CInstrumentDetail>& d)
{
    return d ? d->key : std::string();
}

std::string getDetailCode(const std::shared_ptr<qlservice::CInstrumentDetail>& d)
{
    return d ? d->code : std::string();
}

std::string getDetailMarket(const std::shared_ptr<qlservice::CInstrumentDetail>& d)
{
    return d ? d->market : std::string();
}

double getDetailLastClose(const std::shared_ptr<qlservice::CInstrumentDetail>& d)
{
    return d ? d->lastClose : std::numeric_limits<double>::max();
}

double getDetailPriceTick(const std::shared_ptr<qlservice::CInstrumentDetail>& d)
{
    return d ? d->priceTick : std::numeric_limits<double>::max();
}

} // namespace TC
