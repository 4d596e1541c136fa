#pragma once
// One failure of a window-system call on request, shared by every fault switch of the headless
// stand-in (GDI, regions, USER). Only the stand-in and the inspection headers include this.

namespace headless {

// Assigning n makes the next n calls fail and counts down; -1 makes every call fail until reset;
// 0 (the default) lets every call succeed. The named constructors give the other two patterns
// tests need: one chosen call failing, and a failure at a steady rate.
class Fault {
public:
    Fault(int count = 0) : count_(count) {}  // implicit, so that `faults().getDC = 1` reads plainly

    // The nth call from now (1 = the next one) fails, once.
    static Fault onCall(int n) {
        Fault f(1);
        f.skip_ = n > 1 ? n - 1 : 0;
        return f;
    }
    // Every nth call from now fails: the nth, the 2nth, and so on.
    static Fault everyNth(int n) {
        Fault f;
        f.period_ = n > 0 ? n : 0;
        return f;
    }

    // Consumes one call: true when that call should fail.
    bool fails() {
        if (period_ > 0) return ++calls_ % period_ == 0;
        if (skip_ > 0) {
            --skip_;
            return false;
        }
        if (count_ == 0) return false;
        if (count_ > 0) --count_;
        return true;
    }

private:
    int count_ = 0;
    int skip_ = 0;    // calls that succeed before the count starts
    int period_ = 0;  // when positive, the count is not used
    int calls_ = 0;
};

}  // namespace headless
