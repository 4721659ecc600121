#include "platform/framework/CEventBus.h"

#include <algorithm>

#include <QCoreApplication>
#include <QThread>

#include "platform/config/QLLog.h"
#include "platform/framework/CEventDeliverer.h"

namespace KW {

CEventBus* CEventBus::instance()
{
    return utils::CSingletonT<CEventBus>::instance();
}

int CEventBus::maxNesting()
{
    return 100;
}

bool CEventBus::onGuiThread()
{
    const QCoreApplication* app = QCoreApplication::instance();
    return app == nullptr || QThread::currentThread() == app->thread();
}

bool CEventBus::subscribe(CEventDeliverer* deliverer)
{
    if (!deliverer || isSubscribed(deliverer))
        return false;
    Entry e;
    e.deliverer = deliverer;
    m_entries.emplace(m_nextToken++, e);
    deliverer->m_busSubscribed = true;
    return true;
}

void CEventBus::unsubscribe(CEventDeliverer* deliverer)
{
    if (!deliverer)
        return;
    for (auto it = m_entries.begin(); it != m_entries.end();) {
        if (it->second.deliverer == deliverer)
            it = m_entries.erase(it);
        else
            ++it;
    }
    deliverer->m_busSubscribed = false;
}

bool CEventBus::isSubscribed(const CEventDeliverer* deliverer) const
{
    return deliverer && std::any_of(m_entries.begin(), m_entries.end(),
                                    [deliverer](const auto& e) { return e.second.deliverer == deliverer; });
}

int CEventBus::subscribe(Handler handler)
{
    if (!handler)
        return 0;
    Entry e;
    e.handler = std::make_shared<Handler>(std::move(handler));
    const int token = m_nextToken++;
    m_entries.emplace(token, e);
    return token;
}

void CEventBus::unsubscribe(int token)
{
    auto it = m_entries.find(token);
    if (it != m_entries.end() && it->second.deliverer == nullptr)
        m_entries.erase(it);
}

int CEventBus::post(int id, int p1, int p2, const QString& text, void* data)
{
    return postSkipping({}, id, p1, p2, text, data);
}

int CEventBus::postSkipping(const std::vector<const CEventDeliverer*>& skip, int id, int p1, int p2,
                            const QString& text, void* data)
{
    if (!onGuiThread()) {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [skip, id, p1, p2, text, data]() {
                CEventBus::instance()->postSkipping(skip, id, p1, p2, text, data);
            },
            Qt::QueuedConnection);
        return 0;
    }
    if (m_nesting >= maxNesting()) {
        QLLOG_ERROR(qlog::kStdLogger, "event nesting too deep, id:%1% dropped", id);
        return 0;
    }
    ++m_nesting;
    struct Unnest {
        int& n;
        ~Unnest() { --n; }
    } unnest{m_nesting};

    std::vector<int> tokens;
    tokens.reserve(m_entries.size());
    for (const auto& e : m_entries)
        tokens.push_back(e.first);

    int handled = 0;
    for (int token : tokens) {
        auto it = m_entries.find(token);
        if (it == m_entries.end())
            continue;
        // Copies: the entry may be erased while its subscriber runs.
        CEventDeliverer* deliverer = it->second.deliverer;
        std::shared_ptr<Handler> handler = it->second.handler;
        if (deliverer && std::find(skip.begin(), skip.end(), deliverer) != skip.end())
            continue;
        try {
            const bool consumed = deliverer ? deliverer->handleEvent(id, p1, p2, text, data)
                                            : (*handler)(id, p1, p2, text, data);
            if (consumed)
                ++handled;
        } catch (const std::exception& e) {
            QLLOG_ERROR(qlog::kStdLogger, "bus subscriber of event %1% failed:%2%", id, e.what());
        } catch (...) {
            QLLOG_ERROR(qlog::kStdLogger, "bus subscriber of event %1% failed", id);
        }
    }
    return handled;
}

} // namespace KW
