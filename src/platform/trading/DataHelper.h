#pragma once

#include <memory>
#include <string>

namespace qlservice {

class COrderDetail;

// Codes of the trading-linkage records and the questions asked about them.
//
// Direction and offset flag: a stock record has offset flag kOffsetNone and
// direction kDirectionBuy or kDirectionSell. A futures record names the
// position side (kDirectionBuy long, kDirectionSell short) and whether it
// opens or closes it, so closing a short is a buy (isBuyByDirection).
class DataHelper
{
public:
    static constexpr int kDirectionBuy = 48;
    static constexpr int kDirectionSell = 49;

    static constexpr int kOffsetNone = 0;
    static constexpr int kOffsetOpen = 48;
    static constexpr int kOffsetClose = 49;
    static constexpr int kOffsetCloseToday = 51;
    static constexpr int kOffsetCloseYesterday = 52;

    // Task operations.
    static constexpr int kOpOpenLong = 0;
    static constexpr int kOpCloseLongHistory = 1;
    static constexpr int kOpCloseLongToday = 2;
    static constexpr int kOpOpenShort = 3;
    static constexpr int kOpCloseShortHistory = 4;
    static constexpr int kOpCloseShortToday = 5;
    static constexpr int kOpBuy = 23;
    static constexpr int kOpSell = 24;
    static constexpr int kOpBuyAmount = 25; // quantity in yuan

    // Order statuses.
    static constexpr int kOrderUnreported = 48;
    static constexpr int kOrderWaitReport = 49;
    static constexpr int kOrderReported = 50;
    static constexpr int kOrderReportedCancel = 51;
    static constexpr int kOrderPartCancelWait = 52;
    static constexpr int kOrderPartCancelled = 53;
    static constexpr int kOrderCancelled = 54;
    static constexpr int kOrderPartTraded = 55;
    static constexpr int kOrderTraded = 56;
    static constexpr int kOrderJunk = 57;

    // Task statuses; 3 and 4 may be cancelled.
    static constexpr int kTaskCreated = 1;
    static constexpr int kTaskWaiting = 2;
    static constexpr int kTaskRunning = 3;
    static constexpr int kTaskPaused = 4;
    static constexpr int kTaskCancelling = 5;
    static constexpr int kTaskError = 6;
    static constexpr int kTaskStopped = 7;
    static constexpr int kTaskFinished = 8;
    static constexpr int kTaskCancelled = 10;

    // Price types of orders and tasks.
    static constexpr int kPriceLatest = 0;
    static constexpr int kPriceCounterparty = 1;
    static constexpr int kPriceOwnSide = 2;
    static constexpr int kPriceMarket = 3;
    static constexpr int kPriceFixed = 4;
    static constexpr int kPriceMiddle = 5;

    // Whether a task operation buys (opening long, closing short, buying).
    static bool isBuy(int operation);
    // Whether an order buys (isBuyByDirection of its codes); false for null.
    static bool isBuy(const COrderDetail& order);
    static bool isBuy(const std::shared_ptr<COrderDetail>& order);

    // Futures markets of the terminal ("SF", "DF", "ZF", "IF", "INE" and
    // their long names).
    static bool isFuturesMarket(const std::string& market);
    static bool isCancelableTask(int status) { return status == kTaskRunning || status == kTaskPaused; }
    // Order statuses after which nothing more fills.
    static bool isFinalOrderStatus(int status);
};

} // namespace qlservice
