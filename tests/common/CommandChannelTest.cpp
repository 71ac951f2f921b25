#include "common/CommandChannel.h"
#include "common/SettingsDomain.h"
#include "common/SettingsKeys.h"
#include "support/IsolatedHome.h"
#include "support/WaitFor.h"

#include <QDateTime>
#include <QJsonDocument>

#include <gtest/gtest.h>

#include <memory>

namespace tavolin {
namespace {

const QString kDomain = QStringLiteral("io.quorvane.Tavolin.channel-test");

class CommandChannelTest : public ::testing::Test
{
protected:
    // A receiver that records every command it is handed and answers with `result`.
    std::unique_ptr<CommandChannel> listen(SettingsDomain &domain, CommandResult result = CommandResult::Done)
    {
        return std::make_unique<CommandChannel>(domain, [this, result](const QJsonArray &command) {
            received << command;
            return result;
        });
    }

    QStringList receivedNames() const
    {
        QStringList names;
        for (const QJsonArray &command : received)
            names << command.first().toString();
        return names;
    }

    // What a failed wait saw: the commands run so far and what `other` still holds under "command".
    std::string seen(const SettingsDomain &other) const
    {
        return "received [" + receivedNames().join(QStringLiteral(", ")).toStdString() + "], the other writer holds "
               + QJsonDocument(other.arrayValue(settings::kCommand)).toJson(QJsonDocument::Compact).toStdString();
    }

    test::IsolatedHome home;
    SettingsDomain domain{kDomain};
    QList<QJsonArray> received;
};

TEST_F(CommandChannelTest, SendStoresNameArgumentsAndTheTime)
{
    const double before = QDateTime::currentMSecsSinceEpoch() / 1000.0;
    ASSERT_TRUE(CommandChannel::send(domain, command::kUpdateExtension,
                                     {QStringLiteral("mousepad.app"), QStringLiteral("[]")}));
    const double after = QDateTime::currentMSecsSinceEpoch() / 1000.0;

    const QJsonArray stored = domain.arrayValue(settings::kCommand);
    ASSERT_EQ(stored.size(), 4);
    EXPECT_EQ(stored.at(0), QJsonValue(QStringLiteral("updateExtension")));
    EXPECT_EQ(stored.at(1), QJsonValue(QStringLiteral("mousepad.app")));
    EXPECT_EQ(stored.at(2), QJsonValue(QStringLiteral("[]")));
    ASSERT_TRUE(stored.at(3).isDouble());
    EXPECT_GE(stored.at(3).toDouble(), before - 0.001);
    EXPECT_LE(stored.at(3).toDouble(), after + 0.001);
}

TEST_F(CommandChannelTest, SendingTheSameCommandAgainIsAlwaysAChange)
{
    // Nobody removes the key here, so only the time can make the second write a change.
    ASSERT_TRUE(CommandChannel::send(domain, command::kClearHistory));
    const QJsonValue first = domain.value(settings::kCommand);
    ASSERT_TRUE(CommandChannel::send(domain, command::kClearHistory));
    EXPECT_NE(domain.value(settings::kCommand), first);
    EXPECT_GT(domain.arrayValue(settings::kCommand).last().toDouble(), first.toArray().last().toDouble());
}

TEST_F(CommandChannelTest, IgnoredShapesDoNothingAndStayInPlace)
{
    const auto channel = listen(domain);
    struct Row { const char *name; QJsonValue stored; };
    const Row rows[] = {
        {"not an array: string", QStringLiteral("clearHistory")},
        {"not an array: number", 5},
        {"not an array: object", QJsonObject{{QStringLiteral("name"), QStringLiteral("clearHistory")}}},
        {"empty array", QJsonArray()},
        {"element 0 is a number", QJsonArray{1, QStringLiteral("clearHistory")}},
        {"element 0 is null", QJsonArray{QJsonValue::Null, 2.0}},
        {"element 0 is an array", QJsonArray{QJsonValue(QJsonArray{QStringLiteral("clearHistory")})}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_TRUE(domain.setValue(settings::kCommand, row.stored));
        EXPECT_TRUE(received.isEmpty());
        EXPECT_EQ(domain.value(settings::kCommand), row.stored);
    }
    ASSERT_TRUE(domain.remove(settings::kCommand)); // absent: nothing either
    EXPECT_TRUE(received.isEmpty());
}

TEST_F(CommandChannelTest, HandlerGetsTheWholeArrayAndTheKeyIsRemovedAfterwards)
{
    bool keyPresentWhileRunning = false;
    CommandChannel channel(domain, [&](const QJsonArray &command) {
        keyPresentWhileRunning = domain.contains(settings::kCommand);
        received << command;
        return CommandResult::Done;
    });
    ASSERT_TRUE(CommandChannel::send(domain, command::kUpdateExtension, {QStringLiteral("mousepad.app")}));

    ASSERT_EQ(received.size(), 1);
    EXPECT_EQ(received.first().size(), 3);
    EXPECT_EQ(received.first().at(1), QJsonValue(QStringLiteral("mousepad.app")));
    EXPECT_TRUE(keyPresentWhileRunning);
    EXPECT_FALSE(domain.contains(settings::kCommand));
    SettingsDomain reopened(kDomain);
    EXPECT_FALSE(reopened.contains(settings::kCommand)); // removed from the file, not just from memory
}

TEST_F(CommandChannelTest, KeepKeyLeavesTheCommandInPlaceAndRunsItOnce)
{
    const auto channel = listen(domain, CommandResult::KeepKey);
    ASSERT_TRUE(CommandChannel::send(domain, command::kAccessRecentFolder));
    EXPECT_EQ(receivedNames(), QStringList{QStringLiteral("accessRecentFolder")});
    EXPECT_EQ(domain.arrayValue(settings::kCommand).first(), QJsonValue(QStringLiteral("accessRecentFolder")));

    channel->receive(); // asked again explicitly, it runs again
    EXPECT_EQ(received.size(), 2);
}

TEST_F(CommandChannelTest, CommandFromAnotherWriterArrivesAndIsRemovedForBoth)
{
    const auto channel = listen(domain);
    SettingsDomain preferences(kDomain); // stands for the other program
    ASSERT_TRUE(CommandChannel::send(preferences, command::kShowTheme));

    ASSERT_TRUE(test::waitFor([&] { return !received.isEmpty() && !preferences.contains(settings::kCommand); }))
        << seen(preferences);
    // Folder events of the removal reach the receiving side before the event of a later write by the other
    // writer: once that has arrived, a second run would have happened.
    ASSERT_TRUE(preferences.setValue(QStringLiteral("marker"), 1));
    ASSERT_TRUE(test::waitFor([&] { return domain.contains(QStringLiteral("marker")); }));
    EXPECT_EQ(receivedNames(), QStringList{QStringLiteral("showTheme")});
    EXPECT_FALSE(domain.contains(settings::kCommand));
}

TEST_F(CommandChannelTest, ACommandWrittenWhileAnotherRunsIsNotLost)
{
    SettingsDomain preferences(kDomain);
    CommandChannel channel(domain, [&](const QJsonArray &command) {
        received << command;
        // The other program writes its next command before this one has been removed.
        if (received.size() == 1)
            CommandChannel::send(preferences, command::kCheckUpdates);
        return CommandResult::Done;
    });
    ASSERT_TRUE(CommandChannel::send(domain, command::kShowOption));

    ASSERT_TRUE(test::waitFor([&] { return received.size() == 2 && !preferences.contains(settings::kCommand); }))
        << seen(preferences);
    EXPECT_EQ(receivedNames(), (QStringList{QStringLiteral("showOption"), QStringLiteral("checkUpdates")}));
}

TEST_F(CommandChannelTest, HandlerMaySendACommandToItself)
{
    CommandChannel channel(domain, [&](const QJsonArray &command) {
        received << command;
        if (command.first() == QJsonValue(QStringLiteral("showTheme")))
            CommandChannel::send(domain, command::kShowOption);
        return CommandResult::Done;
    });
    ASSERT_TRUE(CommandChannel::send(domain, command::kShowTheme));
    EXPECT_EQ(receivedNames(), (QStringList{QStringLiteral("showTheme"), QStringLiteral("showOption")}));
    EXPECT_FALSE(domain.contains(settings::kCommand));
}

TEST_F(CommandChannelTest, NothingRunsAfterTheChannelOrItsDomainIsGone)
{
    auto channel = listen(domain);
    channel.reset();
    ASSERT_TRUE(CommandChannel::send(domain, command::kClearHistory));
    EXPECT_TRUE(received.isEmpty());

    auto other = std::make_unique<SettingsDomain>(kDomain);
    const auto orphan = listen(*other);
    other.reset();
    orphan->receive(); // the domain is gone: no crash, nothing run
    EXPECT_TRUE(received.isEmpty());
}

} // namespace
} // namespace tavolin
