#pragma once

#include <string>

namespace qlservice {

// One trading account of the linkage service. Kind 1 is a futures account,
// kind 2 a stock account (the kinds the pane menu asks getAccountIds for).
struct CAccountDetail {
    std::string accountId;   // the fund account number, also its key
    std::string accountName; // UTF-8 display name
    int kind = 2;
    // Session number the account's requests go out under; a task is cancelled
    // by "<session>-<task id>".
    int sessionId = 0;
    bool imported = false; // known only from imported records

    const std::string& getKey() const { return accountId; }
    // "期货" or "股票".
    const char* kindText() const { return kind == 1 ? "期货" : "股票"; }
};

} // namespace qlservice
