#include <gtest/gtest.h>

#include "vxVariants.h"

TEST(Variants, Placeholder) { EXPECT_EQ(VariantCompare(Variant(1), Variant(2)), -1); }
