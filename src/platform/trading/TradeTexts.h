#pragma once

#include <string>

#include <QString>

// Texts and tests on the codes of the trading-linkage records (see
// qlservice::DataHelper for the codes).
namespace qlservice {

// Whether a record with this direction and offset flag buys: a stock record
// (no offset flag) buys with direction 48; a futures record buys when it
// opens a long (48) or closes a short (49) position.
bool isBuyByDirection(int direction, int offsetFlag);
// "买入", "卖出", "开多", "平昨多", ...; "未知操作" for an unknown code.
QString operationValueToString(int operation);
// The trading unit of an instrument: "手" for futures, "张" for bonds, "股"
// for everything else.
QString getStockUnit(const std::string& market, const std::string& code);
// "开仓", "平仓", "平今", "平昨"; "" for none.
QString offsetFlagToString(int offsetFlag);
// "已报", "已成", ...; "未知" for an unknown code.
QString orderStatusToString(int status);

} // namespace qlservice

namespace TC {

// "最新价", "对手价", "本方价", "市价", "指定价", "中间价"; "未知" otherwise.
QString getPriceTypeQString(int priceType);
// "运行中", "已暂停", "已完成", "已撤销", ...; "未知" otherwise.
QString getTaskStatusQString(int status);

} // namespace TC
