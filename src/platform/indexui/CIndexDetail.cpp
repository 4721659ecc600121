#include "platform/indexui/CIndexDetail.h"

#include <algorithm>
#include <cmath>

namespace TC {

std::shared_ptr<qlservice::CInstrumentDetail> indexDetail2Detail(const CIndexDetail& index)
{
    auto detail = std::make_shared<qlservice::CInstrumentDetail>();
    detail->market = "CD";
    detail->code = index.key.toStdString();
    detail->key = detail->code;
    detail->name = (index.name.isEmpty() ? index.key : index.name).toStdString();
    detail->kind = "index";
    detail->priceTick = std::pow(10.0, -std::min(std::max(index.decimals, 0), 8));
    return detail;
}

} // namespace TC
