#pragma once

#include <vector>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QString>

#include "kline/CKLineMainWidget.h"

namespace ktest {

// A chart that records every event reaching its handler before handling it.
class CSpyChart : public TC::CKLineMainWidget
{
public:
    struct Event {
        int id, p1, p2;
        QString text;
    };
    using TC::CKLineMainWidget::CKLineMainWidget;
    bool handleEvent(int id, int p1, int p2, const QString& text, void* data) override
    {
        events.push_back({id, p1, p2, text});
        return TC::CKLineMainWidget::handleEvent(id, p1, p2, text, data);
    }
    int count(int id) const
    {
        int n = 0;
        for (const Event& e : events)
            n += e.id == id;
        return n;
    }
    const Event* last(int id) const
    {
        for (auto it = events.rbegin(); it != events.rend(); ++it)
            if (it->id == id)
                return &*it;
        return nullptr;
    }
    // Protected pane operations, open to tests.
    using TC::CKLineMainWidget::addIndexWidget;
    using TC::CKLineMainWidget::clearSubIndexes;
    using TC::CKLineMainWidget::delIndexWidget;
    using TC::CKLineMainWidget::highlightWidget;

    std::vector<Event> events;
};

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
