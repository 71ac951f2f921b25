// The preferences program saves an application's extensions while the palette runs: the palette's side
// (its real extension provider behind a command channel, in a child process) receives "updateExtension",
// its records change, and both programs keep opening "CommandExtensions-db".
#include "PrefsTestSupport.h"
#include "prefs/ExtensionController.h"
#include "common/CommandChannel.h"
#include "common/SettingsKeys.h"
#include "common/Store.h"
#include "extensions/PluginDataProvider.h"
#include "support/ChildProcess.h"
#include "support/FakeNotifier.h"
#include "support/WaitFor.h"

#include <QEventLoop>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTimer>

#include <gtest/gtest.h>

#include <iostream>

namespace tavolin {
namespace {

// Child: the palette's side. Installs its first-start records, then handles args[0] "updateExtension"
// commands, printing after each one line of JSON: the application, the labels it now holds for it, and
// how many application lists its own read of the database finds.
TAVOLIN_CHILD_ROLE(palette_side)
{
    const int expected = args.value(0).toInt();
    test::FakeNotifier notifier;
    PluginDataProvider provider(notifier, [](const QString &) { return QString(); });
    provider.installDefaultPlugins();
    SettingsDomain domain;
    int handled = 0;
    QEventLoop loop;
    CommandChannel channel(domain, [&](const QJsonArray &command) {
        if (command.at(0).toString() != command::kUpdateExtension || command.size() < 4)
            return CommandResult::Done;
        const QString app = command.at(1).toString();
        provider.updateExtensions(command.at(2).toString(), app);
        QJsonArray labels;
        for (const PluginDataItem &item : provider.extensions().value(app))
            labels.append(item.label);
        Store store(QString::fromLatin1(PluginDataProvider::kStoreName), Store::Sharing::SharedBetweenPrograms);
        const QJsonObject line{{QStringLiteral("app"), app},
                               {QStringLiteral("labels"), labels},
                               {QStringLiteral("lists"), int(store.findKeys(QStringLiteral("p_")).size())}};
        std::cout << QJsonDocument(line).toJson(QJsonDocument::Compact).toStdString() << std::endl;
        if (++handled == expected)
            loop.quit();
        return CommandResult::Done;
    });
    std::cout << "ready" << std::endl;
    QTimer::singleShot(std::chrono::seconds(60), &loop, [&loop] { loop.exit(3); });
    return loop.exec();
}

// The child's next line; a failure saying what the child did instead when no line comes.
QByteArray nextLine(QProcess &child)
{
    if (!test::waitFor([&] { return child.canReadLine() || child.state() == QProcess::NotRunning; })
        || !child.canReadLine()) {
        ADD_FAILURE() << "expected a line from the palette's side; it is "
                      << (child.state() == QProcess::NotRunning ? "gone, exit code " + std::to_string(child.exitCode())
                                                                 : std::string("running but silent"));
        return {};
    }
    return child.readLine().trimmed();
}

QJsonObject readLine(QProcess &child)
{
    return QJsonDocument::fromJson(nextLine(child)).object();
}

TEST(TwoProgramTest, PaletteFollowsTheSavedExtensionsAndBothOpenTheDatabase)
{
    test::PrefsEnvironment env;
    QProcess palette;
    palette.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    palette.start(test::childProgram(), test::childArguments(QStringLiteral("palette_side"), {QStringLiteral("2")}));
    ASSERT_EQ(nextLine(palette), QByteArray("ready"));

    ExtensionController pane(env.context);
    pane.show();
    EXPECT_EQ(pane.library().apps(), QStringList{QStringLiteral("nautilus.app")})
        << "the palette's first-start records are read from the shared database";

    ASSERT_TRUE(pane.library().doAdd(
        PluginDataItem(QStringLiteral("mousepad.app"), QStringLiteral("Sort Lines"), QStringLiteral("sort.sh"))));
    QJsonObject line = readLine(palette);
    EXPECT_EQ(line.value(QStringLiteral("app")).toString(), QLatin1String("mousepad.app"));
    EXPECT_EQ(line.value(QStringLiteral("labels")).toArray(), QJsonArray{QStringLiteral("Sort Lines")});
    EXPECT_EQ(line.value(QStringLiteral("lists")).toInt(), 2);
    EXPECT_TRUE(test::waitFor([&] { return !env.domain->contains(settings::kCommand); }))
        << "the palette removes the command once it has run";

    ASSERT_TRUE(pane.library().doRemove(QStringLiteral("mousepad.app"), 0));
    line = readLine(palette);
    EXPECT_EQ(line.value(QStringLiteral("labels")).toArray(), QJsonArray{});
    EXPECT_EQ(line.value(QStringLiteral("lists")).toInt(), 1) << "the emptied application's key is gone";

    ASSERT_TRUE(test::waitFor([&] { return palette.state() == QProcess::NotRunning; }))
        << "the palette's side still runs after handling both commands";
    EXPECT_EQ(palette.exitCode(), 0);
    Store store(QStringLiteral("CommandExtensions-db"), Store::Sharing::SharedBetweenPrograms);
    EXPECT_FALSE(store.get(QStringLiteral("p_nautilus.app")).isEmpty());
    EXPECT_TRUE(store.get(QStringLiteral("p_mousepad.app")).isEmpty());
}

} // namespace
} // namespace tavolin
