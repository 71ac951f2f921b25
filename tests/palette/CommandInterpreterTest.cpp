#include "palette/CommandInterpreter.h"

#include "common/SettingsDomain.h"
#include "common/SettingsKeys.h"
#include "support/IsolatedHome.h"

#include <gtest/gtest.h>

#include <memory>

namespace tavolin {
namespace {

const QString kDomain = QStringLiteral("io.quorvane.Tavolin.interpreter-test");
const QString kFinder = QStringLiteral("Finder.app");

// What each command reaches is tested where it lives (the extension provider, the history, the palette
// controller's wiring); here only which action runs with which arguments, and whether the key stays.
class CommandInterpreterTest : public ::testing::Test
{
protected:
    std::unique_ptr<CommandInterpreter> start(bool recentFolderExists = true)
    {
        CommandInterpreter::Actions actions;
        actions.showOption = [this] { calls << u"showOption"_qs; };
        actions.showTheme = [this] { calls << u"showTheme"_qs; };
        actions.checkUpdates = [this] { calls << u"checkUpdates"_qs; };
        actions.accessRecentFolder = [this, recentFolderExists] {
            calls << u"accessRecentFolder"_qs;
            return recentFolderExists;
        };
        actions.updateExtensions = [this](const QString &json, const QString &application) {
            calls << u"updateExtension:"_qs + application + u':' + json;
        };
        actions.clearHistory = [this] { calls << u"clearHistory"_qs; };
        return std::make_unique<CommandInterpreter>(m_settings, std::move(actions));
    }

    void send(const QString &name, const QJsonArray &args = {}) { CommandChannel::send(m_settings, name, args); }
    bool commandStored() const { return m_settings.contains(settings::kCommand); }

    test::IsolatedHome m_home;
    SettingsDomain m_settings{kDomain};
    QStringList calls;
};

// Stored as [name, application, JSON list, time]: the time is always last.
TEST_F(CommandInterpreterTest, UpdateExtensionHandsOnTheApplicationAndItsListOrNone)
{
    struct Row { const char *name; QJsonValue stored; QStringList expected; };
    const Row rows[] = {
        {"empty list", QJsonArray{u"updateExtension"_qs, kFinder, u"[]"_qs, 1.5}, {u"updateExtension:Finder.app:[]"_qs}},
        {"a list", QJsonArray{u"updateExtension"_qs, kFinder, u"[{}]"_qs, 1.5}, {u"updateExtension:Finder.app:[{}]"_qs}},
        {"no list: the time is not taken for one", QJsonArray{u"updateExtension"_qs, kFinder, 1.5},
         {u"updateExtension:Finder.app:"_qs}},
        {"only name and time", QJsonArray{u"updateExtension"_qs, 1.5}, {}},
        {"application not a string", QJsonArray{u"updateExtension"_qs, 7, u"[]"_qs, 1.5}, {}},
    };
    const auto interpreter = start();
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        calls.clear();
        m_settings.setValue(settings::kCommand, row.stored);
        EXPECT_EQ(calls, row.expected);
        EXPECT_FALSE(commandStored());
    }
}

// Sent twice, a command runs twice: the key is removed after each run.
TEST_F(CommandInterpreterTest, ACommandRunsItsActionOnEverySendAndRemovesTheKey)
{
    const auto interpreter = start();
    for (const QString name : {CommandInterpreter::ShowOptionCommand, CommandInterpreter::ShowThemeCommand,
                               CommandInterpreter::CheckUpdatesCommand, CommandInterpreter::AccessRecentCommand,
                               CommandInterpreter::ClearHistory}) {
        SCOPED_TRACE(name.toStdString());
        calls.clear();
        send(name);
        send(name);
        EXPECT_EQ(calls, (QStringList{name, name}));
        EXPECT_FALSE(commandStored());
    }
    calls.clear();
    send(u"reticulateSplines"_qs, {kFinder, u"[]"_qs});
    EXPECT_TRUE(calls.isEmpty());
    EXPECT_FALSE(commandStored());
}

TEST_F(CommandInterpreterTest, AccessRecentFolderWithoutAFolderKeepsTheKey)
{
    const auto interpreter = start(/*recentFolderExists=*/false);
    send(CommandInterpreter::AccessRecentCommand);
    EXPECT_EQ(calls, QStringList{u"accessRecentFolder"_qs});
    EXPECT_TRUE(commandStored());
}

TEST_F(CommandInterpreterTest, MissingActionsDoNothingButRemoveTheKey)
{
    CommandInterpreter interpreter(m_settings, {});
    send(CommandInterpreter::ShowThemeCommand);
    EXPECT_FALSE(commandStored());
    send(CommandInterpreter::UpdateExtensionsCommand, {kFinder, u"[]"_qs});
    EXPECT_FALSE(commandStored());
}

TEST_F(CommandInterpreterTest, CommandStoredBeforeStartRunsOnReceive)
{
    send(CommandInterpreter::ClearHistory);
    const auto interpreter = start();
    EXPECT_TRUE(calls.isEmpty());
    interpreter->receive();
    EXPECT_EQ(calls, QStringList{u"clearHistory"_qs});
    EXPECT_FALSE(commandStored());
}

} // namespace
} // namespace tavolin
