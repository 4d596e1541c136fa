#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "foundation/guarded_array.h"

namespace td {
namespace {

TEST(GuardedArray, EmptyArrayHasNoBlock) {
    DoubleArray a(0);
    EXPECT_EQ(a.payload(), nullptr);
    EXPECT_EQ(a.get(0), 0.0);
    EXPECT_FALSE(a.guardsIntact());
    a.destroy();
    ByteArray b{std::string()};
    EXPECT_FALSE(b.hasBlock());
}

// A block of count + 2 elements has no 32-bit element count from 2^32 - 2 on; where size_t has 32
// bits it would wrap to a block of a byte or two. Such arrays get no block, as when allocation fails.
TEST(GuardedArray, CountsWhoseBlockCannotBeCountedGetNoBlock) {
    for (uint32_t count : {0xFFFFFFFEu, 0xFFFFFFFFu}) {
        ByteArray bytes(count);
        DoubleArray doubles(count);
        EXPECT_EQ(bytes.count(), count);
        EXPECT_FALSE(bytes.hasBlock()) << count;
        EXPECT_FALSE(doubles.hasBlock()) << count;
        EXPECT_FALSE(bytes.guardsIntact());
        EXPECT_EQ(bytes.payload(), nullptr);
        doubles.set(0, 1.0);
        EXPECT_EQ(doubles.get(0), 0.0);
    }
}

TEST(GuardedArray, StringConstructorCopiesBytesWithoutTerminator) {
    ByteArray a(std::string("a\0b", 3));
    ASSERT_EQ(a.count(), 3u);
    EXPECT_EQ(a.payload()[0], 'a');
    EXPECT_EQ(a.payload()[1], 0);
    EXPECT_EQ(a.payload()[2], 'b');
    EXPECT_EQ(a.rawBlock()[4], 0);  // the trailing guard
}

TEST(GuardedArray, IndexAtCountIsIgnored) {
    DoubleArray a(4);
    a.set(3, 2.5);
    a.set(4, 9.0);
    EXPECT_EQ(a.get(3), 2.5);
    EXPECT_EQ(a.get(4), 0.0);
    EXPECT_EQ(a.rawBlock()[5], 0.0);
}

TEST(GuardedArray, DamagedGuardGivesAFreshZeroPayloadAndKeepsTheOldBlock) {
    ByteArray a(8);
    uint8_t* old = a.rawBlock();
    a.payload()[0] = 7;
    a.payload()[8] = 1;  // one past the payload: the trailing guard
    EXPECT_FALSE(a.guardsIntact());
    uint8_t* fresh = a.payload();
    ASSERT_NE(fresh, nullptr);
    EXPECT_NE(a.rawBlock(), old);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(fresh[i], 0);
    EXPECT_TRUE(a.guardsIntact());
    // The array never frees a damaged block; the test does, so the leak checker stays quiet.
    EXPECT_EQ(old[9], 1);
    std::free(old);
}

TEST(GuardedArray, IntactPayloadNeverRepairs) {
    ByteArray a(4);
    uint8_t* block = a.rawBlock();
    block[0] = 1;
    EXPECT_EQ(a.intactPayload(), nullptr);
    EXPECT_EQ(a.rawBlock(), block);
    block[0] = 0;
    EXPECT_EQ(a.intactPayload(), block + 1);
}

TEST(GuardedArray, DoubleGuardsCompareAsFloatingPoint) {
    DoubleArray a(2);
    a.rawBlock()[0] = -0.0;
    EXPECT_TRUE(a.guardsIntact());
    a.rawBlock()[3] = std::nan("");
    EXPECT_FALSE(a.guardsIntact());
    double* old = a.rawBlock();
    a.set(0, 1.0);  // repairs first
    EXPECT_NE(a.rawBlock(), old);
    EXPECT_EQ(a.get(0), 1.0);
    std::free(old);
}

TEST(GuardedArray, DestroyLeavesADamagedBlockAlone) {
    ByteArray a(4);
    uint8_t* block = a.rawBlock();
    block[5] = 3;
    a.destroy();
    EXPECT_EQ(a.rawBlock(), block);
    block[5] = 0;  // mend it so the destructor frees it
    a.destroy();
    EXPECT_EQ(a.rawBlock(), nullptr);
}

TEST(GuardedArray, ZeroClearsPayloadAndGuards) {
    ByteArray a(3);
    a.payload()[1] = 9;
    a.zero();
    EXPECT_EQ(a.payload()[1], 0);
}

TEST(GuardedArray, WriterChecksTheGuardsBeforeEveryStoreAsSetDoes) {
    ByteArray a(4);
    ByteArray::Writer writer(a);
    writer.set(0, 1);
    writer.set(1, 2);
    writer.set(4, 9);  // past the payload: ignored, the trailing guard stays intact
    EXPECT_TRUE(a.guardsIntact());
    // Damaged between two stores: the next store re-creates the block, losing the first two.
    uint8_t* old = a.rawBlock();
    old[5] = 1;
    writer.set(2, 3);
    ASSERT_NE(a.rawBlock(), old);
    EXPECT_EQ(a.payload()[0], 0);
    EXPECT_EQ(a.payload()[1], 0);
    EXPECT_EQ(a.payload()[2], 3);
    std::free(old);
    // A block replaced or freed behind the writer's back is seen after refresh.
    uint8_t* current = a.rawBlock();
    current[0] = 1;
    a.repairIfDamaged();
    std::free(current);
    writer.refresh();
    writer.set(3, 4);
    EXPECT_EQ(a.payload()[3], 4);
    a.destroy();
    writer.refresh();
    writer.set(0, 5);
    EXPECT_FALSE(a.hasBlock());
}

}  // namespace
}  // namespace td
