#include "platform/guid.h"

#include <gtest/gtest.h>

namespace {

TEST(Guid, DashedLowercaseAndFresh) {
    const std::string a = platform::NewGuidString();
    const std::string b = platform::NewGuidString();
    ASSERT_EQ(a.size(), 36u);
    for (std::size_t i : {8u, 13u, 18u, 23u})
        EXPECT_EQ(a[i], '-');
    EXPECT_EQ(a.find_first_not_of("0123456789abcdef-"), std::string::npos) << a;
    EXPECT_NE(a, b);
}

}  // namespace
