#include "platform/framework/CEventDeliverer.h"

#include <algorithm>

#include <QCoreApplication>

#include "platform/config/QLLog.h"
#include "platform/framework/CEventBus.h"

namespace KW {

namespace {
// Loops are refused by setUpstream; this only keeps a walk finite if a chain
// is rebuilt by handlers while it is being walked.
constexpr int kMaxChainHops = 1024;
} // namespace

CEventDeliverer::CEventDeliverer(CEventDeliverer* upstream) : m_life(std::make_shared<int>(0))
{
    if (upstream)
        setUpstream(upstream);
}

CEventDeliverer::~CEventDeliverer()
{
    m_life.reset();
    detachFromUpstream();
    for (CEventDeliverer* d : m_downstreams)
        d->m_upstream = nullptr;
    m_downstreams.clear();
    if (m_busSubscribed) {
        if (CEventBus* bus = utils::CSingletonT<CEventBus>::s_pInstance.load(std::memory_order_acquire))
            bus->unsubscribe(this);
    }
}

void CEventDeliverer::detachFromUpstream()
{
    if (!m_upstream)
        return;
    auto& list = m_upstream->m_downstreams;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    m_upstream = nullptr;
}

bool CEventDeliverer::setUpstream(CEventDeliverer* upstream)
{
    if (upstream == m_upstream)
        return true;
    for (CEventDeliverer* p = upstream; p; p = p->m_upstream) {
        if (p == this) {
            QLLOG_WARN(qlog::kStdLogger, "upstream refused: it would close a loop");
            return false;
        }
    }
    detachFromUpstream();
    m_upstream = upstream;
    if (upstream)
        upstream->m_downstreams.push_back(this);
    return true;
}

bool CEventDeliverer::handleEvent(int, int, int, const QString&, void*)
{
    return false;
}

void CEventDeliverer::deliverEvent(int id, int p1, int p2, const QString& text, void* data)
{
    if (!CEventBus::onGuiThread()) {
        std::weak_ptr<int> life = m_life;
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [this, life, id, p1, p2, text, data]() {
                if (!life.expired())
                    deliverEvent(id, p1, p2, text, data);
            },
            Qt::QueuedConnection);
        return;
    }

    CEventBus* bus = CEventBus::instance();
    if (bus->m_nesting >= CEventBus::maxNesting()) {
        QLLOG_ERROR(qlog::kStdLogger, "event nesting too deep, id:%1% dropped", id);
        return;
    }
    ++bus->m_nesting;
    struct Unnest {
        int& n;
        ~Unnest() { --n; }
    } unnest{bus->m_nesting};

    std::vector<const CEventDeliverer*> offered{this};
    CEventDeliverer* cur = m_upstream;
    for (int hops = 0; cur && hops < kMaxChainHops; ++hops) {
        CEventDeliverer* next = cur->m_upstream;
        std::weak_ptr<int> curLife = cur->m_life;
        std::weak_ptr<int> nextLife = next ? next->m_life : std::weak_ptr<int>();
        offered.push_back(cur);
        bool consumed = false;
        try {
            consumed = cur->handleEvent(id, p1, p2, text, data);
        } catch (const std::exception& e) {
            QLLOG_ERROR(qlog::kStdLogger, "handler of event %1% failed:%2%", id, e.what());
        } catch (...) {
            QLLOG_ERROR(qlog::kStdLogger, "handler of event %1% failed", id);
        }
        if (consumed)
            return;
        // The handler may have destroyed itself or its upstream.
        if (!curLife.expired())
            cur = cur->m_upstream;
        else if (next && !nextLife.expired())
            cur = next;
        else
            cur = nullptr;
    }
    bus->postSkipping(offered, id, p1, p2, text, data);
}

int CEventDeliverer::postEvent(int id, int p1, int p2, const QString& text, void* data)
{
    return CEventBus::instance()->post(id, p1, p2, text, data);
}

} // namespace KW
