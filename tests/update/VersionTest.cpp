// The order of version numbers: what decides whether the feed offers anything.
#include <gtest/gtest.h>

#include "update/Version.h"

namespace vantrel {
namespace {

TEST(Version, OrdersReleasesAndPreReleases) {
    const std::pair<const char*, const char*> lowerHigher[] = {
        {"1.9", "1.10"},
        {"1.2", "1.2.1"},
        {"0.9.9", "1.0"},
        {"1.2-beta", "1.2"},
        {"1.2rc1", "1.2"},
        {"1.2-alpha", "1.2-beta"},
        {"1.2-beta.2", "1.2-beta.10"},
        {"1.2-rc.1", "1.2-rc.beta"},
        {"1.2-beta", "1.2-beta.1"},
        {"2.0-alpha", "2.0.1"},
        {"1.0", "18446744073709551.0"},
    };
    for (const auto& [lower, higher] : lowerHigher) {
        SCOPED_TRACE(std::string(lower) + " < " + higher);
        EXPECT_TRUE(isNewerVersion(higher, lower));
        EXPECT_FALSE(isNewerVersion(lower, higher));
    }
    for (const auto& [a, b] : {std::pair{"1.2", "1.2.0"},
                               {"v1.2", " 1.2.0.0 "},
                               {"1.2+build.7", "1.2"},
                               {"1.2-RC1", "1.2rc.1"},
                               {"01.2", "1.2"}}) {
        SCOPED_TRACE(std::string(a) + " == " + b);
        ASSERT_TRUE(Version::parse(a) && Version::parse(b));
        EXPECT_EQ(*Version::parse(a), *Version::parse(b));
    }
}

TEST(Version, TextThatIsNoVersionIsNeverNewer) {
    for (const char* text :
         {"", "beta", "v", "1.2-", "1.2-beta.", "1.2 beta", "1..2", "-1.2", "1.2-<b>",
          "9999999999999999999",
          "1.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0"}) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(Version::parse(text).has_value());
        EXPECT_FALSE(isNewerVersion(text, "0.1"));
        EXPECT_FALSE(isNewerVersion("99.0", text));
    }
}

}  // namespace
}  // namespace vantrel
