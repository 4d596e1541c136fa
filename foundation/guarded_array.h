#pragma once
// A fixed-length array of bytes or doubles with a zeroed guard cell on each side of its payload.
//
// Before each access the array looks at both guard cells. A non-zero guard means something wrote
// past the payload; the array then replaces its storage with a fresh zeroed block of the same
// size rather than trusting the damaged one. The damaged block is deliberately never freed:
// freeing memory whose neighbours were overwritten is not risked.

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <type_traits>

namespace td {

template <typename T>
class GuardedArray {
    static_assert(std::is_same_v<T, uint8_t> || std::is_same_v<T, double>,
                  "guarded arrays hold bytes or doubles");

public:
    explicit GuardedArray(uint32_t count) : count_(count) { allocate(); }

    // A byte array holding the string's bytes, without a terminator. A string too long to count
    // gets no block, like any count that cannot be held.
    template <typename U = T, typename = std::enable_if_t<std::is_same_v<U, uint8_t>>>
    explicit GuardedArray(const std::string& bytes)
        : GuardedArray(bytes.size() < UINT32_MAX ? static_cast<uint32_t>(bytes.size()) : UINT32_MAX) {
        if (storage_ && !bytes.empty()) std::memcpy(storage_ + guard_, bytes.data(), bytes.size());
    }

    GuardedArray(const GuardedArray&) = delete;
    GuardedArray& operator=(const GuardedArray&) = delete;
    ~GuardedArray() { destroy(); }

    uint32_t count() const { return count_; }
    bool hasBlock() const { return storage_ != nullptr; }

    // True when there is a block and both guard cells are zero; repairs nothing. A double guard
    // compares with 0.0, so -0.0 counts as intact and NaN as damaged.
    bool guardsIntact() const { return storage_ && guardCellsZero(storage_, guard_ + count_); }

    // Re-creates the block when a guard cell is damaged.
    void repairIfDamaged() {
        if (storage_ && !guardsIntact()) allocate();
    }

    // The first payload element after repairing damaged guards, or null when there is no block.
    T* payload() {
        repairIfDamaged();
        return storage_ ? storage_ + guard_ : nullptr;
    }

    // The payload when the guards are intact, else null; repairs nothing. Used on the frame path,
    // where a damaged array must stay undrawable rather than be silently replaced.
    T* intactPayload() { return guardsIntact() ? storage_ + guard_ : nullptr; }
    const T* intactPayload() const { return guardsIntact() ? storage_ + guard_ : nullptr; }

    // Element access; out-of-range indices read 0 and write nothing.
    T get(uint32_t index) {
        T* p = payload();
        return p && index < count_ ? p[index] : T(0);
    }
    void set(uint32_t index, T value) {
        T* p = payload();
        if (p && index < count_) p[index] = value;
    }

    // Zeroes the whole block, guard cells included.
    void zero() {
        repairIfDamaged();
        if (storage_) std::memset(storage_, 0, blockBytes());
    }

    // Frees the block when its guards are intact; a damaged block is left alone.
    void destroy() {
        if (storage_ && guardsIntact()) {
            std::free(storage_);
            storage_ = nullptr;
        }
    }

    // The raw block, guard cells included; for tests that damage a guard on purpose.
    T* rawBlock() { return storage_; }

    // Stores element by element with exactly the checks of set: both guard cells tested before
    // every store, a damaged block re-created. For loops of many stores: the writer keeps the
    // block's address, which set fetches from the array again after every store (a store of
    // bytes may alias anything). Whatever else may change the block between two stores must be
    // followed by refresh().
    class Writer {
    public:
        explicit Writer(GuardedArray& array) : array_(array), count_(array.count_) { refresh(); }

        void set(uint32_t index, T value) {
            if (block_ && !guardCellsZero(block_, trailingGuard_)) {
                array_.allocate();
                refresh();
            }
            if (block_ && index < count_) block_[guard_ + index] = value;
        }

        void refresh() { block_ = array_.storage_; }

    private:
        GuardedArray& array_;
        T* block_ = nullptr;
        const uint32_t count_;
        const uint32_t guard_ = array_.guard_;
        const uint32_t trailingGuard_ = guard_ + count_;
    };

private:
    static bool guardCellsZero(const T* block, uint32_t trailingGuard) {
        return block[0] == T(0) && block[trailingGuard] == T(0);
    }

    size_t blockBytes() const { return (size_t{count_} + 2 * size_t{guard_}) * sizeof(T); }

    // Allocates and zeroes a new block, forgetting (not freeing) any previous one. A block whose
    // element count, guard cells included, does not fit in 32 bits is refused like an allocation
    // that fails: where size_t has 32 bits the count would wrap to a block of a byte or two, whose
    // "guard cells" would be the same cell, and every payload access would run past it.
    void allocate() {
        const uint64_t elements = uint64_t{count_} + 2 * uint64_t{guard_};
        storage_ = count_ && elements <= UINT32_MAX
                       ? static_cast<T*>(std::calloc(static_cast<size_t>(elements), sizeof(T)))
                       : nullptr;
    }

    T* storage_ = nullptr;
    uint32_t count_ = 0;
    uint32_t guard_ = 1;
};

using ByteArray = GuardedArray<uint8_t>;
using DoubleArray = GuardedArray<double>;

}  // namespace td
