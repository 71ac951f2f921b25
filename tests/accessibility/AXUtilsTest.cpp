#include "AxTestSupport.h"

#include "accessibility/AXUtils.h"

#include <gtest/gtest.h>

namespace tavolin {
namespace {

using test::json;

TEST(AXUtilsTest, ValueOfAnotherTypeIsAbsent)
{
    FakeElementSource source;
    ASSERT_TRUE(source.addApplication(json(R"({"pid": 11, "menuBar": [{"title": "File", "virtualKey": 3}]})")));
    const ElementRef file = source.findMenuItem(11, {QStringLiteral("File")});
    EXPECT_FALSE(AXUtils::getAny<int64_t>(source, AXAttribute::Title, file));
    EXPECT_FALSE(AXUtils::getAny<QString>(source, AXAttribute::MenuItemCmdVirtualKey, file));
    EXPECT_FALSE(AXUtils::getAny<bool>(source, AXAttribute::MenuItemCmdVirtualKey, file));
    EXPECT_EQ(AXUtils::getAny<int64_t>(source, AXAttribute::MenuItemCmdVirtualKey, file), 3);
    EXPECT_FALSE(AXUtils::getAny<QString>(source, AXAttribute::Title, nullptr));
}

TEST(AXUtilsTest, PlatformNamesBehaveLikeTheConstants)
{
    FakeElementSource source;
    ASSERT_TRUE(source.addApplication(json(R"({"pid": 12, "menuBar": [{"title": "File", "enabled": false}]})")));
    const ElementRef file = source.findMenuItem(12, {QStringLiteral("File")});
    EXPECT_EQ(AXUtils::getAny<QString>(source, QStringLiteral("AXTitle"), file), QStringLiteral("File"));
    EXPECT_EQ(AXUtils::getAny<bool>(source, QStringLiteral("AXEnabled"), file), false);
    EXPECT_FALSE(AXUtils::getAny<QString>(source, QStringLiteral("AXNoSuchThing"), file));
    for (int a = 0; a <= static_cast<int>(AXAttribute::Document); ++a) {
        const auto attribute = static_cast<AXAttribute>(a);
        EXPECT_EQ(AXUtils::attributeNamed(AXUtils::nameOf(attribute)), attribute) << a;
    }
}

} // namespace
} // namespace tavolin
