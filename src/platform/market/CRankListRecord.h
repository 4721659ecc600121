#pragma once

#include <QString>
#include <QVector>
#include <QtGlobal>

namespace TC {

// One ranking-list (龙虎榜) entry of an instrument on one day: why the exchange
// listed it and the five largest buying and selling seats.
struct CRankListRecord {
    struct Broker {
        QString name;
        double amount = 0.0; // traded value of the seat on that day

        bool operator==(const Broker& o) const { return name == o.name && amount == o.amount; }
    };

    qint64 time = 0; // the trading day: local midnight, milliseconds since 1970
    QString reason;
    QVector<Broker> buyers;  // largest buying seats, descending amount
    QVector<Broker> sellers; // largest selling seats, descending amount

    bool operator==(const CRankListRecord& o) const
    {
        return time == o.time && reason == o.reason && buyers == o.buyers && sellers == o.sellers;
    }
};

} // namespace TC
