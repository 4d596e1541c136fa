#include "ui/signal.h"

namespace td {

SignalSlot::SignalSlot(void* target, MemberFunction method, int32_t adjustment)
    : target(target), method(std::move(method)), adjustment(adjustment) {}

void SignalSlot::invoke(void* argument) { method.call(static_cast<char*>(target) + adjustment, argument); }

SlotList::~SlotList() { slots.clear(); }

int32_t SlotList::connect(void* target, MemberFunction method, int32_t adjustment) {
    const int32_t id = nextId++;
    slots.emplace(id, std::make_unique<SignalSlot>(target, std::move(method), adjustment));
    return id;
}

bool SlotList::disconnect(int32_t id) {
    const auto it = slots.find(id);
    if (it == slots.end()) return false;
    // A slot that is running must outlive its own call.
    if (emitting_ > 0) retired_.push_back(std::move(it->second));
    slots.erase(it);
    return true;
}

void SlotList::emit(void* argument) {
    ++emitting_;
    for (auto it = slots.begin(); it != slots.end();) {
        const int32_t id = it->first;
        it->second->invoke(argument);
        it = slots.upper_bound(id);
    }
    if (--emitting_ == 0) retired_.clear();
}

Signal::~Signal() {
    // Every connection in the map is alive and connected here: connections leave the map when
    // they disconnect or are destroyed.
    const std::map<int32_t, SignalConnection*> live = connections;
    for (const auto& entry : live) entry.second->detach();
    connections.clear();
}

int32_t SignalConnection::connectTo(Signal* to) {
    disconnect();
    signal = to;
    id = to->connect(target, method, adjustment);
    to->connections[id] = this;
    return id;
}

bool SignalConnection::detach() {
    signal = nullptr;
    return true;
}

SignalConnection::~SignalConnection() { disconnect(); }

void SignalConnection::disconnect() {
    if (!signal) return;
    signal->disconnect(id);
    signal->connections.erase(id);
    signal = nullptr;
}

}  // namespace td
