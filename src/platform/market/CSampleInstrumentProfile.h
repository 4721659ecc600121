#pragma once

#include <QDate>
#include <QVector>

namespace TC {

// One row of the sample market's instrument table (see CSampleMarketGenerator).
struct CSampleInstrumentProfile {
    const char* market;
    const char* code;
    const char* name;
    const char* kind;
    int stockType;
    double tick;
    double start;  // price on the first day
    double vol;    // typical daily volatility (log return)
    double drift;  // long-run trend per year (log)
    double volume; // typical daily volume
    double limit;  // daily price limit as a fraction of the previous close; 0: none
    int lot;       // volume unit
    QDate listed;  // first trading day; invalid: the calendar's first day
    double shares; // circulating shares
    int level;     // sector level of a sector index
    const char* underlying;
    QVector<const char*> sectors; // industry sectors of a stock, levels 1..3
};

} // namespace TC
