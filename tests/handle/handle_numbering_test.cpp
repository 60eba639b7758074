// Handle values count per process from 0 and are not reused: alone in its
// executable, so no other test has created a context before.
#include <gtest/gtest.h>

#include "handle/rsrobotcontrol.h"

TEST(HandleNumbering, CountsFromZeroAndSkipsDestroyedHandles) {
    ASSERT_EQ(rs_initialize(), 0);
    RSHD first = 99, second = 99, third = 99;
    ASSERT_EQ(rs_create_context(&first), 0);
    ASSERT_EQ(rs_create_context(&second), 0);
    EXPECT_EQ(first, 0);
    EXPECT_EQ(second, 1);
    ASSERT_EQ(rs_destory_context(first), 0);
    ASSERT_EQ(rs_create_context(&third), 0);
    EXPECT_EQ(third, 2);
    EXPECT_EQ(rs_uninitialize(), 0);
}
