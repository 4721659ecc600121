#pragma once

#include <functional>
#include <map>
#include <memory>
#include <vector>

#include <QString>

#include "platform/config/CSingletonT.h"

namespace KW {

class CEventDeliverer;

// The process-wide event bus. post() is a broadcast: every subscriber, in
// subscription order, sees the event; the return value counts the ones that
// reported it handled. Deliverers and plain functions (hosts, tests) subscribe.
//
// Subscribing, unsubscribing or destroying subscribers while a post is running
// is safe: a subscriber removed meanwhile is skipped, one added meanwhile
// first sees the next event. Posts may nest (a handler posting again) up to a
// fixed depth; deeper posts are dropped with an error log, which stops event
// ping-pong from overflowing the stack. A subscriber that throws is logged and
// the broadcast goes on.
//
// GUI thread; posts from other threads are queued to it (returning 0).
class CEventBus
{
public:
    using Handler = std::function<bool(int id, int p1, int p2, const QString& text, void* data)>;

    static CEventBus* instance();

    // False for null or when already subscribed.
    bool subscribe(CEventDeliverer* deliverer);
    void unsubscribe(CEventDeliverer* deliverer);
    bool isSubscribed(const CEventDeliverer* deliverer) const;

    // A positive token for unsubscribe(int); 0 for an empty function.
    int subscribe(Handler handler);
    void unsubscribe(int token);

    int subscriberCount() const { return static_cast<int>(m_entries.size()); }

    int post(int id, int p1, int p2, const QString& text, void* data);

    static int maxNesting();

private:
    friend class utils::CSingletonT<CEventBus>;
    friend class CEventDeliverer;

    CEventBus() = default;
    CEventBus(const CEventBus&) = delete;
    CEventBus& operator=(const CEventBus&) = delete;

    struct Entry {
        CEventDeliverer* deliverer = nullptr;
        std::shared_ptr<Handler> handler;
    };

    // Broadcast skipping the deliverers in `skip` (those that declined on the way up).
    int postSkipping(const std::vector<const CEventDeliverer*>& skip, int id, int p1, int p2,
                     const QString& text, void* data);
    static bool onGuiThread();

    std::map<int, Entry> m_entries; // token -> subscriber; tokens grow, so map order is subscription order
    int m_nextToken = 1;
    int m_nesting = 0;
};

} // namespace KW
