#pragma once

#include <vector>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QString>
#include <QStringList>

#include "common/EventLog.h"
#include "kline/CKLineMainWidget.h"

namespace ktest {

// A chart that records every event reaching its handler before handling it.
class CSpyChart : public TC::CKLineMainWidget, public EventLog
{
public:
    using TC::CKLineMainWidget::CKLineMainWidget;
    bool handleEvent(int id, int p1, int p2, const QString& text, void* data) override
    {
        record(id, p1, p2, text, data);
        return TC::CKLineMainWidget::handleEvent(id, p1, p2, text, data);
    }
    // Protected pane operations, open to tests.
    using TC::CKLineMainWidget::addIndexWidget;
    using TC::CKLineMainWidget::clearSubIndexes;
    using TC::CKLineMainWidget::delIndexWidget;
    using TC::CKLineMainWidget::highlightWidget;
};

// Formula names as the catalogue spells them (upper case), for comparisons.
inline QStringList upper(const QStringList& l)
{
    QStringList out;
    for (const QString& s : l)
        out << s.toUpper();
    return out;
}

// Processes events until `cond` holds; the limit only bounds a failure.
template <typename F> bool waitUntil(F cond, int limitMs = 20000)
{
    QElapsedTimer t;
    t.start();
    while (!cond() && t.elapsed() < limitMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return cond();
}

} // namespace ktest
