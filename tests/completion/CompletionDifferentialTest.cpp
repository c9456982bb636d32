#include <gtest/gtest.h>
TEST(Placeholder, Compiles) { SUCCEED(); }
