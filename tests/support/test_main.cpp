// The unit tests' main: GoogleTest's, and on the host a clean stand-in state between tests.

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
