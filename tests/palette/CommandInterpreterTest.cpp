#include "palette/CommandInterpreter.h"

#include "common/PluginDataItem.h"
#include "common/SettingsDomain.h"
#include "common/SettingsKeys.h"
#include "extensions/PluginDataProvider.h"
#include "palette/DataSource.h"
#include "palette/MenuHistory.h"
#include "support/FakeNotifier.h"
#include "support/IsolatedHome.h"
#include "support/ManualDispatcher.h"
#include "PaletteTestSupport.h"

#include <gtest/gtest.h>

#include <memory>

namespace tavolin {
namespace {

const QString kDomain = QStringLiteral("io.quorvane.Tavolin.interpreter-test");
const QString kFinder = QStringLiteral("Finder.app");

QStringList labels(const QList<PluginDataItem> &records)
{
    QStringList result;
    for (const PluginDataItem &item : records)
        result << item.label;
    return result;
}

class CommandInterpreterTest : public ::testing::Test
{
protected:
    CommandInterpreterTest()
    {
        m_extensions = std::make_unique<PluginDataProvider>(m_notifier, [](const QString &) { return QString(); });
        m_extensions->updateExtensions(
            PluginDataItem::jsonFromArray({PluginDataItem(kFinder, u"Copy Path"_qs, u"copy.sh"_qs),
                                           PluginDataItem(kFinder, u"Reveal"_qs, u"reveal.sh"_qs)}),
            kFinder);
    }

    // An interpreter whose actions record their calls and reach the real extension provider and history.
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
            m_extensions->updateExtensions(json, application);
        };
        actions.clearHistory = [this] {
            calls << u"clearHistory"_qs;
            m_history.deleteAll();
        };
        return std::make_unique<CommandInterpreter>(m_settings, std::move(actions));
    }

    void send(const QString &name, const QJsonArray &args = {}) { CommandChannel::send(m_settings, name, args); }
    bool commandStored() const { return m_settings.contains(settings::kCommand); }
    void remember(const QString &title)
    {
        m_history.get(u"Scribe"_qs)->addItem(
            std::make_shared<const MenuHistoryItem>(title, QStringList{u"File"_qs}, std::nullopt, false));
    }

    test::IsolatedHome m_home;
    test::ScopedMenuRules m_noRules;
    SettingsDomain m_settings{kDomain};
    test::FakeNotifier m_notifier;
    std::unique_ptr<PluginDataProvider> m_extensions;
    DataSource m_dataSource;
    test::ManualDispatcher m_dispatcher;
    MenuHistory m_history{m_dataSource, m_dispatcher};
    QStringList calls;
};

TEST_F(CommandInterpreterTest, UpdateExtensionWithAnEmptyListRemovesTheApplicationsExtensions)
{
    const auto interpreter = start();
    ASSERT_EQ(labels(m_extensions->getExtentions(kFinder)), (QStringList{u"Copy Path"_qs, u"Reveal"_qs}));
    send(CommandInterpreter::UpdateExtensionsCommand, {kFinder, u"[]"_qs});
    EXPECT_EQ(calls, QStringList{u"updateExtension:Finder.app:[]"_qs});
    EXPECT_TRUE(m_extensions->getExtentions(kFinder).isEmpty());
    EXPECT_FALSE(commandStored());
}

TEST_F(CommandInterpreterTest, UpdateExtensionWithoutAListTreatsTheTimeAsAnAbsentList)
{
    const auto interpreter = start();
    // [name, application, time]: three elements, the third a number.
    send(CommandInterpreter::UpdateExtensionsCommand, {kFinder});
    EXPECT_EQ(calls, QStringList{u"updateExtension:Finder.app:"_qs});
    EXPECT_TRUE(m_extensions->getExtentions(kFinder).isEmpty());
    EXPECT_FALSE(commandStored());
}

TEST_F(CommandInterpreterTest, UpdateExtensionWithAListReplacesTheRecords)
{
    const auto interpreter = start();
    const QString json = PluginDataItem::jsonFromArray({PluginDataItem(kFinder, u"Open Here"_qs, u"open.sh"_qs)});
    send(CommandInterpreter::UpdateExtensionsCommand, {kFinder, json});
    EXPECT_EQ(labels(m_extensions->getExtentions(kFinder)), QStringList{u"Open Here"_qs});
}

struct IgnoredUpdate
{
    const char *name;
    QJsonArray command;
};

class IgnoredUpdateTest : public CommandInterpreterTest, public ::testing::WithParamInterface<IgnoredUpdate>
{};

TEST_P(IgnoredUpdateTest, LeavesTheRecordsAndRemovesTheKey)
{
    const auto interpreter = start();
    m_settings.setValue(settings::kCommand, GetParam().command);
    EXPECT_TRUE(calls.isEmpty());
    EXPECT_EQ(m_extensions->getExtentions(kFinder).size(), 2);
    EXPECT_FALSE(commandStored());
}

INSTANTIATE_TEST_SUITE_P(
    Malformed, IgnoredUpdateTest,
    ::testing::Values(IgnoredUpdate{"OnlyNameAndTime", QJsonArray{u"updateExtension"_qs, 1.5}},
                      IgnoredUpdate{"ApplicationNotAString", QJsonArray{u"updateExtension"_qs, 7, u"[]"_qs, 1.5}}),
    [](const ::testing::TestParamInfo<IgnoredUpdate> &info) { return std::string(info.param.name); });

TEST_F(CommandInterpreterTest, ClearHistorySentTwiceRunsTwice)
{
    const auto interpreter = start();
    remember(u"Save"_qs);
    send(CommandInterpreter::ClearHistory);
    EXPECT_TRUE(m_history.get(u"Scribe"_qs)->recents().isEmpty());
    EXPECT_FALSE(commandStored());

    remember(u"Open"_qs);
    send(CommandInterpreter::ClearHistory);
    EXPECT_EQ(calls, (QStringList{u"clearHistory"_qs, u"clearHistory"_qs}));
    EXPECT_TRUE(m_history.get(u"Scribe"_qs)->recents().isEmpty());
    EXPECT_FALSE(commandStored());
}

TEST_F(CommandInterpreterTest, UnknownNameOnlyRemovesTheKey)
{
    const auto interpreter = start();
    remember(u"Save"_qs);
    send(u"reticulateSplines"_qs, {kFinder, u"[]"_qs});
    EXPECT_TRUE(calls.isEmpty());
    EXPECT_EQ(m_extensions->getExtentions(kFinder).size(), 2);
    EXPECT_EQ(m_history.get(u"Scribe"_qs)->recents().size(), 1);
    EXPECT_FALSE(commandStored());
}

struct NamedCommand
{
    const char *name;
    QLatin1String command;
};

class SimpleCommandTest : public CommandInterpreterTest, public ::testing::WithParamInterface<NamedCommand>
{};

TEST_P(SimpleCommandTest, RunsItsActionOnceAndRemovesTheKey)
{
    const auto interpreter = start();
    send(GetParam().command);
    EXPECT_EQ(calls, QStringList{QString(GetParam().command)});
    EXPECT_FALSE(commandStored());
}

INSTANTIATE_TEST_SUITE_P(Commands, SimpleCommandTest,
                         ::testing::Values(NamedCommand{"ShowOption", CommandInterpreter::ShowOptionCommand},
                                           NamedCommand{"ShowTheme", CommandInterpreter::ShowThemeCommand},
                                           NamedCommand{"CheckUpdates", CommandInterpreter::CheckUpdatesCommand},
                                           NamedCommand{"AccessRecent", CommandInterpreter::AccessRecentCommand}),
                         [](const ::testing::TestParamInfo<NamedCommand> &info) { return std::string(info.param.name); });

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
    EXPECT_EQ(m_extensions->getExtentions(kFinder).size(), 2);
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
