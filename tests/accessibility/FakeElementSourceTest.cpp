#include "AxTestSupport.h"

#include "accessibility/AXUtils.h"

#include <gtest/gtest.h>

#include <thread>

namespace tavolin {
namespace {

using test::json;

TEST(FakeElementSourceTest, DescriptionFilesLoad)
{
    FakeElementSource source;
    for (const char *name : {"scribe.json", "scribe-de.json", "scribe-zh.json"}) {
        QString error;
        EXPECT_TRUE(source.addApplicationFile(test::dataPath(name), &error)) << name << ": " << qPrintable(error);
    }
    const auto running = source.runningApplication(4102);
    ASSERT_TRUE(running);
    EXPECT_EQ(running->preferredLanguage, QStringLiteral("de_DE.UTF-8"));
    EXPECT_EQ(running->textDomains, (QStringList{"scribe", "gtk30"}));
}

struct MalformedCase
{
    const char *name;
    const char *description;
};

class MalformedDescriptionTest : public ::testing::TestWithParam<MalformedCase>
{
};

TEST_P(MalformedDescriptionTest, IsRefusedWithAReason)
{
    FakeElementSource source;
    QString error;
    EXPECT_FALSE(source.addApplication(json(GetParam().description), &error));
    EXPECT_FALSE(error.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Cases, MalformedDescriptionTest,
                         ::testing::Values(MalformedCase{"NoPid", R"({"title": "A"})"},
                                           MalformedCase{"NegativePid", R"({"pid": -3})"},
                                           MalformedCase{"MenuBarNotAList", R"({"pid": 1, "menuBar": {"title": "File"}})"},
                                           MalformedCase{"NodeNotAnObject", R"({"pid": 1, "menuBar": ["File"]})"},
                                           MalformedCase{"UnknownFailingAttribute", R"({"pid": 1, "menuBar": [{"title": "F", "fail": ["AXNope"]}]})"}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(FakeElementSourceTest, DeepNestingIsRefusedNotRecursedInto)
{
    QJsonObject node{{"title", "leaf"}};
    for (int i = 0; i < 200; ++i)
        node = QJsonObject{{"title", QStringLiteral("m%1").arg(i)}, {"menu", QJsonArray{node}}};
    FakeElementSource source;
    EXPECT_FALSE(source.addApplication(QJsonObject{{"pid", 5}, {"menuBar", QJsonArray{node}}}));
}

TEST(FakeElementSourceTest, FailingReadsAreScopedToTitleAndAttribute)
{
    FakeElementSource source;
    ASSERT_TRUE(source.addApplication(json(R"({"pid": 7, "menuBar": [{"title": "File", "cmdChar": "F"}, {"title": "Edit"}]})")));
    source.failReads(QStringLiteral("File"), AXAttribute::MenuItemCmdChar);
    const ElementRef file = source.findMenuItem(7, {QStringLiteral("File")});
    EXPECT_EQ(AXUtils::getAny<QString>(source, AXAttribute::Title, file), QStringLiteral("File"));
    AXError error = AXError::Success;
    EXPECT_FALSE(AXUtils::getAny<QString>(source, AXAttribute::MenuItemCmdChar, file, &error));
    EXPECT_EQ(error, AXError::Failure);
    EXPECT_EQ(AXUtils::getAny<QString>(source, AXAttribute::Title, source.findMenuItem(7, {QStringLiteral("Edit")})),
              QStringLiteral("Edit"));
}

TEST(FakeElementSourceTest, VanishingAppFailsEveryLaterRequest)
{
    FakeElementSource source;
    ASSERT_TRUE(source.addApplication(json(R"({"pid": 8, "menuBar": [{"title": "File"}]})")));
    const ElementRef file = source.findMenuItem(8, {QStringLiteral("File")});
    source.vanishAfter(8, 2);
    EXPECT_TRUE(AXUtils::getAny<QString>(source, AXAttribute::Title, file));
    EXPECT_TRUE(AXUtils::getAny<QString>(source, AXAttribute::Title, file));
    AXError error = AXError::Success;
    EXPECT_FALSE(AXUtils::getAny<QString>(source, AXAttribute::Title, file, &error));
    EXPECT_EQ(error, AXError::InvalidElement);
    EXPECT_FALSE(source.runningApplication(8));
}

TEST(FakeElementSourceTest, ElementsOfAnotherSourceAreInvalid)
{
    FakeElementSource one;
    FakeElementSource other;
    ASSERT_TRUE(one.addApplication(json(R"({"pid": 9, "menuBar": [{"title": "File"}]})")));
    class Foreign final : public Element
    {
    };
    AXValue value;
    EXPECT_EQ(other.copyAttributeValue(std::make_shared<Foreign>(), AXAttribute::Title, value), AXError::InvalidElement);
    EXPECT_EQ(other.copyAttributeValue(nullptr, AXAttribute::Title, value), AXError::InvalidElement);
}

TEST(FakeElementSourceTest, DelaysAreCountedWithoutSleepingWhenAsked)
{
    FakeElementSource source;
    ASSERT_TRUE(source.addApplication(json(R"({"pid": 10, "menuBar": [{"title": "File"}]})")));
    source.setRealTime(false);
    source.setRequestDelay(std::chrono::seconds(5));
    const ElementRef file = source.findMenuItem(10, {QStringLiteral("File")});
    for (int i = 0; i < 4; ++i)
        AXUtils::getAny<QString>(source, AXAttribute::Title, file);
    EXPECT_EQ(source.simulatedTime(), std::chrono::seconds(20));
    EXPECT_EQ(source.requestCount(QStringLiteral("File")), 4);
}

TEST(FakeElementSourceTest, ConcurrentReadersAreSafe)
{
    FakeElementSource source;
    ASSERT_TRUE(source.addApplicationFile(test::dataPath("scribe.json")));
    const ElementRef save = source.findMenuItem(4101, {QStringLiteral("File"), QStringLiteral("Save")});
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 500; ++i)
                AXUtils::getAny<QString>(source, AXAttribute::Title, save);
        });
    }
    for (std::thread &thread : threads)
        thread.join();
    EXPECT_EQ(source.requestCount(QStringLiteral("Save")), 2000);
    EXPECT_EQ(source.requestThreadCount(), 4u);
}

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
