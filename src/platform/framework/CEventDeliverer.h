#pragma once

#include <memory>
#include <vector>

#include <QString>

namespace KW {

// The event endpoint of every widget and series. Each deliverer may have an
// upstream deliverer (series -> pane -> main widget); the top of the chain
// hands what nobody consumed to the process-wide CEventBus.
//
// deliverEvent() offers an event to the upstream's handleEvent(); when that
// returns false the event travels on to the upstream's upstream, and when no
// deliverer on the way consumes it, it is posted on the bus, where every
// subscriber sees it except the deliverers that already declined it on the way
// up (and the sender itself), so nothing hears its own event twice.
//
// Upstream links are weak: destroying a deliverer clears the upstream pointer
// of every deliverer below it, and unsubscribes it from the bus. A link that
// would close a loop is refused.
//
// Delivery is synchronous on the GUI thread. An event sent from another
// thread is queued to the GUI thread (the data pointer is passed as is, so it
// must outlive the trip) and dropped if the sender is gone by then.
class CEventDeliverer
{
public:
    explicit CEventDeliverer(CEventDeliverer* upstream = nullptr);
    virtual ~CEventDeliverer();

    CEventDeliverer(const CEventDeliverer&) = delete;
    CEventDeliverer& operator=(const CEventDeliverer&) = delete;

    // False (and nothing changes) when the link would make a loop.
    bool setUpstream(CEventDeliverer* upstream);
    CEventDeliverer* upstream() const { return m_upstream; }

    void deliverEvent(int id, int p1, int p2, const QString& text, void* data);
    // Straight to the bus, bypassing the upstream chain, to every subscriber
    // (the sender too when it is subscribed); returns how many
    // subscribers consumed it.
    int postEvent(int id, int p1, int p2, const QString& text, void* data);

    // True means handled: the event stops here.
    virtual bool handleEvent(int id, int p1, int p2, const QString& text, void* data);

private:
    friend class CEventBus;

    void detachFromUpstream();

    CEventDeliverer* m_upstream = nullptr;
    std::vector<CEventDeliverer*> m_downstreams;
    bool m_busSubscribed = false;
    // Expires with the object: lets a walk notice a deliverer destroyed by a handler.
    std::shared_ptr<int> m_life;
};

} // namespace KW
