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

const QString kDomain = u"io.quorvane.Tavolin.channel-test"_qs;

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
        return "received [" + receivedNames().join(u", "_qs).toStdString() + "], the other writer holds "
               + QJsonDocument(other.arrayValue(settings::kCommand)).toJson(QJsonDocument::Compact).toStdString();
    }

    test::IsolatedHome home;
    SettingsDomain domain{kDomain};
    QList<QJsonArray> received;
};

TEST_F(CommandChannelTest, SendStoresNameArgumentsAndTheTimeSoTheSameCommandIsAlwaysAChange)
{
    const double before = QDateTime::currentMSecsSinceEpoch() / 1000.0;
    ASSERT_TRUE(CommandChannel::send(domain, command::kUpdateExtension, {u"mousepad.app"_qs, u"[]"_qs}));
    const double after = QDateTime::currentMSecsSinceEpoch() / 1000.0;

    const QJsonArray stored = domain.arrayValue(settings::kCommand);
    ASSERT_EQ(stored.size(), 4);
    EXPECT_EQ((QJsonArray{stored.at(0), stored.at(1), stored.at(2)}), (QJsonArray{u"updateExtension"_qs, u"mousepad.app"_qs, u"[]"_qs}));
    ASSERT_TRUE(stored.at(3).isDouble());
    EXPECT_GE(stored.at(3).toDouble(), before - 0.001);
    EXPECT_LE(stored.at(3).toDouble(), after + 0.001);

    // Nobody removes the key here, so only the time can make the second write a change.
    ASSERT_TRUE(CommandChannel::send(domain, command::kUpdateExtension, {u"mousepad.app"_qs, u"[]"_qs}));
    EXPECT_GT(domain.arrayValue(settings::kCommand).last().toDouble(), stored.last().toDouble());
}

TEST_F(CommandChannelTest, IgnoredShapesDoNothingAndStayInPlace)
{
    const auto channel = listen(domain);
    const struct { const char *name; QJsonValue stored; } rows[] = {
        {"not an array: string", u"clearHistory"_qs},
        {"not an array: number", 5},
        {"not an array: object", QJsonObject{{u"name"_qs, u"clearHistory"_qs}}},
        {"empty array", QJsonArray()},
        {"element 0 is a number", QJsonArray{1, u"clearHistory"_qs}},
        {"element 0 is null", QJsonArray{QJsonValue::Null, 2.0}},
        {"element 0 is an array", QJsonArray{QJsonValue(QJsonArray{u"clearHistory"_qs})}},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_TRUE(domain.setValue(settings::kCommand, row.stored));
        EXPECT_TRUE(received.isEmpty());
        EXPECT_EQ(domain.value(settings::kCommand), row.stored);
    }
    ASSERT_TRUE(domain.remove(settings::kCommand)); // absent: nothing either
    EXPECT_TRUE(received.isEmpty());
}

// The handler gets the whole array while the key is still there; Done removes it from the file afterwards,
// KeepKey leaves it in place and the command runs once, until asked again.
TEST_F(CommandChannelTest, HandlerGetsTheWholeArrayAndItsResultDecidesWhetherTheKeyGoes)
{
    for (CommandResult result : {CommandResult::Done, CommandResult::KeepKey}) {
        SCOPED_TRACE(result == CommandResult::Done ? "done" : "keep the key");
        received.clear();
        bool keyPresentWhileRunning = false;
        CommandChannel channel(domain, [&](const QJsonArray &command) {
            keyPresentWhileRunning = domain.contains(settings::kCommand);
            received << command;
            return result;
        });
        ASSERT_TRUE(CommandChannel::send(domain, command::kUpdateExtension, {u"mousepad.app"_qs}));

        ASSERT_EQ(received.size(), 1);
        EXPECT_EQ(received.first().size(), 3); // name, argument, time
        EXPECT_EQ(received.first().at(1), QJsonValue(u"mousepad.app"_qs));
        EXPECT_TRUE(keyPresentWhileRunning);
        EXPECT_EQ(SettingsDomain(kDomain).arrayValue(settings::kCommand), result == CommandResult::Done ? QJsonArray() : received.first());
        EXPECT_EQ(domain.contains(settings::kCommand), result == CommandResult::KeepKey);

        channel.receive(); // asked again explicitly, a kept command runs again
        EXPECT_EQ(received.size(), result == CommandResult::Done ? 1 : 2);
        ASSERT_TRUE(domain.remove(settings::kCommand));
    }
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
    ASSERT_TRUE(preferences.setValue(u"marker"_qs, 1));
    ASSERT_TRUE(test::waitFor([&] { return domain.contains(u"marker"_qs); }));
    EXPECT_EQ(receivedNames(), QStringList{u"showTheme"_qs});
    EXPECT_FALSE(domain.contains(settings::kCommand));
}

// The handler itself, or the other program before this command has been removed, sends the next one.
TEST_F(CommandChannelTest, ACommandWrittenWhileAnotherRunsIsNotLost)
{
    SettingsDomain preferences(kDomain);
    for (SettingsDomain *sender : {&domain, &preferences}) {
        SCOPED_TRACE(sender == &domain ? "sent by the handler" : "sent by the other program");
        received.clear();
        CommandChannel channel(domain, [&](const QJsonArray &command) {
            received << command;
            if (received.size() == 1)
                CommandChannel::send(*sender, command::kCheckUpdates);
            return CommandResult::Done;
        });
        ASSERT_TRUE(CommandChannel::send(domain, command::kShowOption));

        ASSERT_TRUE(test::waitFor([&] { return received.size() == 2 && !sender->contains(settings::kCommand); }))
            << seen(preferences);
        EXPECT_EQ(receivedNames(), (QStringList{u"showOption"_qs, u"checkUpdates"_qs}));
        EXPECT_FALSE(domain.contains(settings::kCommand));
    }
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
