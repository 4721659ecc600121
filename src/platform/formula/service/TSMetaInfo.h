#pragma once

#include <string>

#include <QtGlobal>

namespace quoter {

// What a data-source request asks for: one instrument, one period, one kind of
// data (4000: ex-rights records).
struct TSMetaInfo {
    static constexpr int kDividData = 4000;

    std::string market;
    std::string code;
    qint64 periodMs = 0;
    int dataType = 0;
};

} // namespace quoter
