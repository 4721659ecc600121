#pragma once

#include <QStringList>
#include <QVector>

#include "platform/market/CBar.h"
#include "platform/market/CInstrumentDetail.h"
#include "platform/market/CRankListRecord.h"
#include "platform/market/CTick.h"
#include "platform/market/DividData.h"

namespace TC {

// Everything the market store keeps about one instrument. Vectors are sorted
// by time, ascending, without duplicate times.
struct CInstrumentData {
    qlservice::CInstrumentDetail detail;
    QVector<quoter::CBar> dayBars;
    QVector<quoter::CBar> minuteBars;
    QVector<quoter::CTick> ticks;
    QVector<quoter::DividData> divids;
    QVector<CRankListRecord> rankList;
    QStringList sectors;   // industry sector names at levels 1..3 (index 0..2); empty: none
    double limitPct = 0.0; // daily price limit as a fraction of the previous close; 0: none

    // The day bar as it was before the last minute bar was merged into it, so
    // covering that minute bar can recompute the day bar exactly. Valid only
    // while lastMergedMinute equals the time of the last minute bar.
    quoter::CBar dayBeforeLastMinute;
    bool dayExistedBeforeLastMinute = false;
    qint64 lastMergedMinute = 0;
};

} // namespace TC
