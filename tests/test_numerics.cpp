#include <gtest/gtest.h>
#include "numerics/gl01.h"
TEST(GaussLegendre, OneNode) { double x, w; noxara::gl01(1, &x, &w); EXPECT_EQ(x, 0.5); }
