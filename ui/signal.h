#pragma once
// A small publish-subscribe mechanism: a Signal calls bound member functions of its subscribers,
// in the order in which they connected. A subscriber holds a SignalConnection as a member; its
// destruction disconnects it, and a Signal that goes first detaches its live connections.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace td {

class Signal;

// A member function of some class taking one pointer argument, with the class erased. The
// object it is called on is passed as the void* that was made from a pointer to that class.
class MemberFunction {
public:
    MemberFunction() = default;
    template <typename T, typename R>
    MemberFunction(R (T::*method)(void*))  // NOLINT: converting on purpose
        : call_([method](void* object, void* argument) { (static_cast<T*>(object)->*method)(argument); }) {}

    void call(void* object, void* argument) const {
        if (call_) call_(object, argument);
    }

private:
    std::function<void(void*, void*)> call_;
};

// A bound member call: target, the member function and the byte offset from target to the
// object the function is called on.
class SignalSlot final {
public:
    SignalSlot(void* target, MemberFunction method, int32_t adjustment);
    virtual void invoke(void* argument);

    void* target;
    MemberFunction method;
    int32_t adjustment;
};

class SlotList {
public:
    SlotList() = default;
    SlotList(const SlotList&) = delete;
    SlotList& operator=(const SlotList&) = delete;
    virtual ~SlotList();

    // Stores a new slot and returns its id: 0 for the first, then 1, 2, ...
    int32_t connect(void* target, MemberFunction method, int32_t adjustment);
    bool disconnect(int32_t id);
    // Calls every slot in ascending id order. A slot may disconnect slots (itself included)
    // while the walk runs; a disconnected slot is not called afterwards.
    void emit(void* argument);

    std::map<int32_t, std::unique_ptr<SignalSlot>> slots;
    int32_t nextId = 0;

private:
    int emitting_ = 0;
    std::vector<std::unique_ptr<SignalSlot>> retired_;  // disconnected during emit
};

class SignalConnection;

class Signal : public SlotList {
public:
    ~Signal() override;

    // The connections that are connected to this signal, by id; not owned.
    std::map<int32_t, SignalConnection*> connections;
};

class SignalConnection {
public:
    template <typename T, typename R>
    SignalConnection(T* subscriber, R (T::*member)(void*), int32_t adjustment = 0)
        : target(subscriber), method(member), adjustment(adjustment) {}
    SignalConnection(const SignalConnection&) = delete;
    SignalConnection& operator=(const SignalConnection&) = delete;

    // Connects to signal (leaving any signal connected before) and returns the id.
    virtual int32_t connectTo(Signal* to);
    // Forgets the signal without touching it; returns true.
    virtual bool detach();
    // Disconnects from a signal that is still connected.
    virtual ~SignalConnection();

    // Disconnects from the signal when connected; the destructor does the same.
    void disconnect();

    void* target;
    MemberFunction method;
    int32_t adjustment;
    int32_t id = 0;
    Signal* signal = nullptr;
};

}  // namespace td
