#pragma once

#include <vector>

#include <QString>

namespace ktest {

// The events a test double received, in order, with lookups by id.
struct EventLog {
    struct Event {
        int id, p1, p2;
        QString text;
        void* data;
    };
    void record(int id, int p1, int p2, const QString& text, void* data)
    {
        events.push_back({id, p1, p2, text, data});
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
    std::vector<Event> events;
};

} // namespace ktest
