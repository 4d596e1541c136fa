// Signals: connection ids, emission order, and both orders of tearing down the two ends.

#include <gtest/gtest.h>

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "ui/signal.h"

namespace td {
namespace {

struct Subscriber {
    Subscriber(std::vector<std::string>* log, std::string name) : log(log), name(std::move(name)) {}
    long onTick(void* argument) {
        log->push_back(name + (argument ? "+" : ""));
        return 0;
    }
    std::vector<std::string>* log;
    std::string name;
    SignalConnection connection{this, &Subscriber::onTick};
};

TEST(Signal, IdsCountFromZeroAndEmissionRunsInIdOrder) {
    std::vector<std::string> log;
    Signal signal;
    Subscriber a(&log, "a"), b(&log, "b"), c(&log, "c");
    EXPECT_EQ(c.connection.connectTo(&signal), 0);
    EXPECT_EQ(a.connection.connectTo(&signal), 1);
    EXPECT_EQ(b.connection.connectTo(&signal), 2);
    int marker = 0;
    signal.emit(&marker);
    EXPECT_EQ(log, (std::vector<std::string>{"c+", "a+", "b+"}));
    EXPECT_EQ(signal.connections.size(), 3u);
}

TEST(Signal, DestroyingTheConnectionDisconnects) {
    std::vector<std::string> log;
    Signal signal;
    auto a = std::make_unique<Subscriber>(&log, "a");
    Subscriber b(&log, "b");
    a->connection.connectTo(&signal);
    b.connection.connectTo(&signal);
    a.reset();
    EXPECT_EQ(signal.slots.count(0), 0u);
    EXPECT_EQ(signal.connections.count(0), 0u) << "no dangling pointer stays behind";
    signal.emit(nullptr);
    EXPECT_EQ(log, std::vector<std::string>{"b"});
    EXPECT_FALSE(signal.disconnect(0)) << "already gone";
}

TEST(Signal, DestroyingTheSignalDetachesLiveConnections) {
    std::vector<std::string> log;
    Subscriber a(&log, "a"), b(&log, "b");
    {
        Signal signal;
        a.connection.connectTo(&signal);
        b.connection.connectTo(&signal);
        // Removed from outside: the connection still thinks it is connected.
        EXPECT_TRUE(signal.disconnect(b.connection.id));
    }
    EXPECT_EQ(a.connection.signal, nullptr);
    EXPECT_EQ(b.connection.signal, nullptr);
    EXPECT_TRUE(a.connection.detach());
}  // (ASan reports a use of the destroyed signal here if a connection kept it)

TEST(Signal, ReconnectingLeavesThePreviousSignal) {
    std::vector<std::string> log;
    Signal first, second;
    Subscriber a(&log, "a");
    a.connection.connectTo(&first);
    EXPECT_EQ(a.connection.connectTo(&second), 0);
    EXPECT_TRUE(first.slots.empty());
    first.emit(nullptr);
    second.emit(nullptr);
    EXPECT_EQ(log, std::vector<std::string>{"a"});
}

// A subscriber that drops its connection, or another's, from inside its own call.
struct Dropper {
    long onTick(void*) {
        ++calls;
        if (victim) victim->reset();
        return 0;
    }
    int calls = 0;
    std::unique_ptr<Subscriber>* victim = nullptr;
    SignalConnection connection{this, &Dropper::onTick};
};

TEST(Signal, ASlotMayDisconnectDuringEmission) {
    std::vector<std::string> log;
    Signal signal;
    Dropper dropper;
    auto later = std::make_unique<Subscriber>(&log, "later");
    dropper.victim = &later;
    dropper.connection.connectTo(&signal);
    later->connection.connectTo(&signal);
    signal.emit(nullptr);
    EXPECT_EQ(dropper.calls, 1);
    EXPECT_TRUE(log.empty()) << "a slot removed during the walk is not called";
    EXPECT_EQ(signal.slots.size(), 1u);
}

struct Counter {
    long read(void*) { return ++count; }
    long count = 0;
};
struct Holder {
    int padding[3] = {};
    Counter counter;
};

TEST(Signal, TheAdjustmentOffsetsTheTarget) {
    Holder holder;
    Signal signal;
    signal.connect(&holder, MemberFunction(&Counter::read), static_cast<int32_t>(offsetof(Holder, counter)));
    signal.emit(nullptr);
    EXPECT_EQ(holder.counter.count, 1);
}

}  // namespace
}  // namespace td
