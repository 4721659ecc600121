#pragma once

#include <memory>

#include <QMap>
#include <QPair>
#include <QString>
#include <QVector>

#include "platform/formula/TimeSeq.h"

namespace TC {

// One request for one formula on one instrument, in the order the chart fills
// it. The service answers it with a meta result and a result.
struct CFormulaParam {
    int baseKind = 0;         // 1 base kind: the view model's index type (1 custom index)
    int requestKind = 0;      // 2 request kind: 0, 2 in tick mode
    QString market;           // 3 market ("CD" for a custom index)
    QString code;             // 4 code
    qint64 periodMs = 86400000; // 5 period in ms (0 in tick mode)
    QString formula;          // 6 formula name, or the path of a Python formula file
    quoter::TimeSeq rangeStart = quoter::TimeSeq::TIME_START2; // 7
    quoter::TimeSeq rangeEnd = quoter::TimeSeq::TIME_LASTED;   // 8
    int countLimit = 0x7fffffff; // 9
    int reserved = 0;            // 10 always 0
    // 11-17 custom-index block (only for a custom index)
    QString indexKey;
    QString indexKey2;
    int indexKind = 0;
    int indexBaseDate = 0;
    int indexBasePoint = 0;
    int indexWeightMode = 0;
    int indexDecimals = 0;
    QVector<QPair<QString, QString>> components; // (market, code) of each component
    int drType = 0;          // 18 ex-rights type
    int dataDemand = 3;      // 19 data demand: 1, 3, 4 or 6
    int timing = 0;          // 20 timing value (ms)
    int applyArg = 0;        // 21 argument-application flag
    int language = 0;        // 22 0 built-in, 1 Python
    QMap<QString, QString> params; // 23 name -> value text, plus "__sys__account", "start", "end",
                                   //    "field", "name", "unit"
    std::shared_ptr<const void> runHandle; // 24 the formula's prepared script
    int level = 1;           // 25 quote level: 1 or 2

    QString requestId;       // given by the chart (se::IdGenerator) or the service

    QString stockKey() const { return market == QLatin1String("CD") ? code : market + code; }
};

} // namespace TC
