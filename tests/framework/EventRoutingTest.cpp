#include <functional>
#include <memory>
#include <set>
#include <stdexcept>
#include <thread>
#include <vector>

#include <QCoreApplication>
#include <QTest>

#include <gtest/gtest.h>

#include "platform/framework/CEventBus.h"
#include "platform/framework/CEventDeliverer.h"

using KW::CEventBus;
using KW::CEventDeliverer;

namespace {

struct Seen {
    QString who;
    int id;
    int p1;
    int p2;
    QString text;
    void* data;
};

// A deliverer that records what it is offered and consumes the ids it is told to.
class Node : public CEventDeliverer
{
public:
    Node(QString name, std::vector<Seen>* log, CEventDeliverer* up = nullptr)
        : CEventDeliverer(up), m_name(std::move(name)), m_log(log)
    {
    }
    bool handleEvent(int id, int p1, int p2, const QString& text, void* data) override
    {
        m_log->push_back({m_name, id, p1, p2, text, data});
        const bool consumed = consume.count(id) > 0;
        if (onEvent)
            onEvent(id); // may destroy this node: touch no member afterwards
        return consumed;
    }
    std::set<int> consume;
    std::function<void(int)> onEvent;

private:
    QString m_name;
    std::vector<Seen>* m_log;
};

// Subscribes a recorder to the bus for the test's lifetime.
class BusRecorder
{
public:
    explicit BusRecorder(std::vector<Seen>* log, bool consume = false)
    {
        m_token = CEventBus::instance()->subscribe(
            [log, consume](int id, int p1, int p2, const QString& t, void* d) {
                log->push_back({QStringLiteral("bus"), id, p1, p2, t, d});
                return consume;
            });
    }
    ~BusRecorder() { CEventBus::instance()->unsubscribe(m_token); }
    int token() const { return m_token; }

private:
    int m_token = 0;
};

QStringList names(const std::vector<Seen>& log)
{
    QStringList out;
    for (const Seen& s : log)
        out << s.who;
    return out;
}

} // namespace

TEST(EventRouting, ConsumedAtTheFirstUpstreamGoesNoFurther)
{
    std::vector<Seen> log;
    BusRecorder bus(&log);
    Node main(QStringLiteral("main"), &log);
    Node pane(QStringLiteral("pane"), &log, &main);
    Node series(QStringLiteral("series"), &log, &pane);
    pane.consume = {181};
    int payload = 7;

    series.deliverEvent(181, 3, -4, QStringLiteral("文本"), &payload);
    ASSERT_EQ(names(log), QStringList{QStringLiteral("pane")});
    EXPECT_EQ(log[0].id, 181);
    EXPECT_EQ(log[0].p1, 3);
    EXPECT_EQ(log[0].p2, -4);
    EXPECT_EQ(log[0].text, QStringLiteral("文本"));
    EXPECT_EQ(log[0].data, &payload);
}

TEST(EventRouting, UnconsumedEventTravelsUpAndReachesTheBus)
{
    std::vector<Seen> log;
    BusRecorder bus(&log);
    Node main(QStringLiteral("main"), &log);
    Node pane(QStringLiteral("pane"), &log, &main);
    Node series(QStringLiteral("series"), &log, &pane);
    main.consume = {187};

    series.deliverEvent(187, 1, 2, QString(), nullptr);
    EXPECT_EQ(names(log), (QStringList{QStringLiteral("pane"), QStringLiteral("main")}));

    log.clear();
    series.deliverEvent(3093, 0, 0, QString(), nullptr);
    EXPECT_EQ(names(log),
              (QStringList{QStringLiteral("pane"), QStringLiteral("main"), QStringLiteral("bus")}));

    // A deliverer without upstream goes straight to the bus.
    log.clear();
    main.deliverEvent(3175, 0, 0, QString(), nullptr);
    EXPECT_EQ(names(log), QStringList{QStringLiteral("bus")});
}

TEST(EventRouting, SubscribedDeliverersOnTheChainAreNotOfferedTheEventTwice)
{
    std::vector<Seen> log;
    Node main(QStringLiteral("main"), &log);
    Node other(QStringLiteral("otherChart"), &log);
    Node pane(QStringLiteral("pane"), &log, &main);
    ASSERT_TRUE(CEventBus::instance()->subscribe(&main));
    ASSERT_TRUE(CEventBus::instance()->subscribe(&other));
    ASSERT_TRUE(CEventBus::instance()->subscribe(&pane));
    EXPECT_FALSE(CEventBus::instance()->subscribe(&main)); // once only

    pane.deliverEvent(203, 0, 0, QString(), nullptr);
    EXPECT_EQ(names(log), (QStringList{QStringLiteral("main"), QStringLiteral("otherChart")}));

    // postEvent is a plain broadcast.
    log.clear();
    EXPECT_EQ(pane.postEvent(203, 0, 0, QString(), nullptr), 0);
    EXPECT_EQ(names(log),
              (QStringList{QStringLiteral("main"), QStringLiteral("otherChart"), QStringLiteral("pane")}));
    CEventBus::instance()->unsubscribe(&main);
    CEventBus::instance()->unsubscribe(&other);
    CEventBus::instance()->unsubscribe(&pane);
    EXPECT_FALSE(CEventBus::instance()->isSubscribed(&main));
}

TEST(EventRouting, DestroyedUpstreamLeavesNoDanglingPointer)
{
    std::vector<Seen> log;
    BusRecorder bus(&log);
    auto main = std::make_unique<Node>(QStringLiteral("main"), &log);
    auto pane = std::make_unique<Node>(QStringLiteral("pane"), &log, main.get());
    Node series(QStringLiteral("series"), &log, pane.get());

    pane.reset();
    EXPECT_EQ(series.upstream(), nullptr);
    series.deliverEvent(180, 0, 0, QString(), nullptr);
    EXPECT_EQ(names(log), QStringList{QStringLiteral("bus")});

    // Re-linking moves the deliverer between upstreams cleanly.
    Node a(QStringLiteral("a"), &log);
    Node b(QStringLiteral("b"), &log);
    series.setUpstream(&a);
    series.setUpstream(&b);
    log.clear();
    series.deliverEvent(180, 0, 0, QString(), nullptr);
    EXPECT_EQ(names(log), (QStringList{QStringLiteral("b"), QStringLiteral("bus")}));
    main.reset(); // had no downstreams left; must not touch anything
}

TEST(EventRouting, HandlerDestroyingItselfOrItsUpstreamDuringDelivery)
{
    std::vector<Seen> log;
    BusRecorder bus(&log);
    Node top(QStringLiteral("top"), &log);
    auto mid = std::make_unique<Node>(QStringLiteral("mid"), &log, &top);
    auto low = std::make_unique<Node>(QStringLiteral("low"), &log, mid.get());
    Node leaf(QStringLiteral("leaf"), &log, low.get());

    // "low" deletes itself while handling: the walk goes on at "mid".
    low->onEvent = [&](int) { low.reset(); };
    leaf.deliverEvent(1, 0, 0, QString(), nullptr);
    EXPECT_EQ(names(log), (QStringList{QStringLiteral("low"), QStringLiteral("mid"), QStringLiteral("top"),
                                       QStringLiteral("bus")}));
    EXPECT_EQ(leaf.upstream(), nullptr);

    // A handler that destroys its own upstream: the walk ends on the bus.
    log.clear();
    leaf.setUpstream(mid.get());
    auto upper = std::make_unique<Node>(QStringLiteral("upper"), &log);
    mid->setUpstream(upper.get());
    mid->onEvent = [&](int) { upper.reset(); };
    leaf.deliverEvent(2, 0, 0, QString(), nullptr);
    EXPECT_EQ(names(log), (QStringList{QStringLiteral("mid"), QStringLiteral("bus")}));
}

TEST(EventRouting, LoopsAreRefused)
{
    std::vector<Seen> log;
    Node a(QStringLiteral("a"), &log);
    Node b(QStringLiteral("b"), &log, &a);
    Node c(QStringLiteral("c"), &log, &b);
    EXPECT_FALSE(a.setUpstream(&c));
    EXPECT_FALSE(a.setUpstream(&a));
    EXPECT_EQ(a.upstream(), nullptr);
    EXPECT_TRUE(c.setUpstream(&a));
}

TEST(EventRouting, BusBroadcastsInSubscriptionOrderAndCountsConsumers)
{
    std::vector<Seen> log;
    CEventBus* bus = CEventBus::instance();
    const int before = bus->subscriberCount();
    BusRecorder first(&log, true);
    Node node(QStringLiteral("node"), &log);
    node.consume = {42};
    bus->subscribe(&node);
    BusRecorder last(&log, false);
    EXPECT_EQ(bus->subscriberCount(), before + 3);

    EXPECT_EQ(bus->post(42, 0, 0, QString(), nullptr), 2);
    EXPECT_EQ(names(log),
              (QStringList{QStringLiteral("bus"), QStringLiteral("node"), QStringLiteral("bus")}));
    EXPECT_EQ(bus->subscribe(CEventBus::Handler()), 0);
}

TEST(EventRouting, UnsubscribingAndSubscribingDuringAPostIsSafe)
{
    CEventBus* bus = CEventBus::instance();
    std::vector<QString> calls;
    int tokenB = 0;
    int tokenSelf = 0;
    int tokenLate = 0;
    const int tokenA = bus->subscribe([&](int, int, int, const QString&, void*) {
        calls.push_back(QStringLiteral("A"));
        bus->unsubscribe(tokenB); // B has not run yet: it must be skipped
        if (!tokenLate)
            tokenLate = bus->subscribe([&](int, int, int, const QString&, void*) {
                calls.push_back(QStringLiteral("late"));
                return false;
            });
        return false;
    });
    tokenB = bus->subscribe([&](int, int, int, const QString&, void*) {
        calls.push_back(QStringLiteral("B"));
        return false;
    });
    tokenSelf =
        bus->subscribe([&, captured = std::make_shared<int>(5)](int, int, int, const QString&, void*) {
            // Removing itself destroys this closure's stored copy while it runs.
            bus->unsubscribe(tokenSelf);
            calls.push_back(QStringLiteral("self") + QString::number(*captured));
            return true;
        });

    std::vector<Seen> log;
    auto dying = std::make_unique<Node>(QStringLiteral("dying"), &log);
    bus->subscribe(dying.get());
    const int tokenKiller = bus->subscribe([&](int, int, int, const QString&, void*) {
        dying.reset(); // destroyed mid-post, before its turn
        return false;
    });
    // Move the killer ahead of the victim by re-subscribing the victim after it.
    bus->unsubscribe(dying.get());
    bus->subscribe(dying.get());

    EXPECT_EQ(bus->post(9, 0, 0, QString(), nullptr), 1);
    EXPECT_EQ(calls, (std::vector<QString>{QStringLiteral("A"), QStringLiteral("self5")}));
    EXPECT_TRUE(log.empty());

    calls.clear();
    bus->post(10, 0, 0, QString(), nullptr);
    EXPECT_EQ(calls, (std::vector<QString>{QStringLiteral("A"), QStringLiteral("late")}));

    bus->unsubscribe(tokenA);
    bus->unsubscribe(tokenLate);
    bus->unsubscribe(tokenKiller);
}

TEST(EventRouting, DestroyedDelivererIsUnsubscribed)
{
    CEventBus* bus = CEventBus::instance();
    const int before = bus->subscriberCount();
    {
        std::vector<Seen> log;
        Node n(QStringLiteral("n"), &log);
        bus->subscribe(&n);
        EXPECT_EQ(bus->subscriberCount(), before + 1);
    }
    EXPECT_EQ(bus->subscriberCount(), before);
    EXPECT_EQ(bus->post(1, 0, 0, QString(), nullptr), 0);
}

TEST(EventRouting, ThrowingSubscriberDoesNotStopTheBroadcast)
{
    CEventBus* bus = CEventBus::instance();
    bool reached = false;
    const int t1 = bus->subscribe(
        [](int, int, int, const QString&, void*) -> bool { throw std::runtime_error("boom"); });
    const int t2 = bus->subscribe([&](int, int, int, const QString&, void*) {
        reached = true;
        return true;
    });
    EXPECT_EQ(bus->post(5, 0, 0, QString(), nullptr), 1);
    EXPECT_TRUE(reached);
    bus->unsubscribe(t1);
    bus->unsubscribe(t2);
}

TEST(EventRouting, EndlessRepostingIsCutOff)
{
    CEventBus* bus = CEventBus::instance();
    int calls = 0;
    int token = 0;
    token = bus->subscribe([&](int id, int, int, const QString&, void*) {
        ++calls;
        bus->post(id, 0, 0, QString(), nullptr);
        return false;
    });
    bus->post(77, 0, 0, QString(), nullptr);
    EXPECT_EQ(calls, CEventBus::maxNesting());
    bus->unsubscribe(token);
}

TEST(EventRouting, EventsFromOtherThreadsArriveOnTheGuiThread)
{
    std::vector<Seen> log;
    Node top(QStringLiteral("top"), &log);
    Node leaf(QStringLiteral("leaf"), &log, &top);
    std::thread::id seenOn;
    top.onEvent = [&](int) { seenOn = std::this_thread::get_id(); };

    std::thread worker([&]() { leaf.deliverEvent(3, 1, 2, QStringLiteral("x"), nullptr); });
    worker.join();
    EXPECT_TRUE(log.empty()); // queued, not run on the worker
    QCoreApplication::processEvents();
    ASSERT_EQ(names(log), QStringList{QStringLiteral("top")});
    EXPECT_EQ(seenOn, std::this_thread::get_id());
}
