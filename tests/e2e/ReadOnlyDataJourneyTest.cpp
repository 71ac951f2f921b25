// A person's data folder ends up on a disk that cannot be written (full, or mounted read-only) between two
// runs of the palette. The next run still lists the extension they added for the Qt fixture, tells them once,
// as a desktop notification, that nothing new is kept, performs commands all the same, and leaves every
// file of the folder as it was.
//
// The folder is made read-only for the palette alone: under root, whom file modes do not stop, the palette
// starts in a mount namespace of its own (unshare) where the folder is bound onto itself read-only, and the
// machine's mounts are left alone; otherwise the folder's modes are taken away. A user namespace would let
// anyone do the former, but the palette inside one cannot read other processes' /proc/PID/exe and names
// applications by their truncated command names. A small full filesystem fails leveldb in the same place
// (an open that may write starts a new log) and the store takes the same way out.
#include "EndToEndTest.h"
#include "NotificationServer.h"
#include "PreferencesSide.h"

#include "common/Paths.h"
#include "common/PluginDataItem.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QMap>
#include <QStandardPaths>

#include <unistd.h>

namespace tavolin::test {
namespace {

const QString kAppKey = QStringLiteral("tavolin-menu-fixture.app");
const QString kLabel = QStringLiteral("Keepsake: Still Here");

// Every file under `folder` with its bytes, by relative path; leveldb's diagnostic logs ("LOG", "LOG.old")
// are left out, as every open attempt rotates them where it can.
QMap<QString, QByteArray> filesUnder(const QString &folder)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (it.fileName().startsWith(QLatin1String("LOG")))
            continue;
        QFile file(path);
        files.insert(QDir(folder).relativeFilePath(path), file.open(QIODevice::ReadOnly) ? file.readAll() : "<unreadable>");
    }
    return files;
}

// Sets the write bits of `folder` and everything under it on or off.
void setWritable(const QString &folder, bool writable)
{
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    QStringList paths{folder};
    while (it.hasNext())
        paths.append(it.next());
    for (const QString &path : paths) {
        QFile entry(path);
        const QFileDevice::Permissions writeBits = QFileDevice::WriteOwner | QFileDevice::WriteUser
                                                   | QFileDevice::WriteGroup | QFileDevice::WriteOther;
        entry.setPermissions(writable ? entry.permissions() | QFileDevice::WriteOwner | QFileDevice::WriteUser
                                      : entry.permissions() & ~writeBits);
    }
}

using ReadOnlyDataJourney = FixtureJourney;

TEST_F(ReadOnlyDataJourney, ExtensionsStayListedTheUserIsToldOnceAndNoFileChanges)
{
    if (geteuid() == 0 && QStandardPaths::findExecutable(QStringLiteral("unshare")).isEmpty())
        GTEST_SKIP() << "running as root, and no unshare to make a folder read-only for root";
    NotificationServer notifications;
    ASSERT_TRUE(notifications.start()) << "cannot serve org.freedesktop.Notifications on the session bus";
    const QString dataFolder = palette->dataHome() + QStringLiteral("/Tavolin");
    ASSERT_TRUE(addExtension(*palette, kAppKey, kLabel, QStringLiteral("keepsake.sh"), "true\n"))
        << palette->log().toStdString();

    // The next run, over the same folder on a disk that cannot be written.
    QString why;
    const QString bindReadOnly = QStringLiteral(
        "d=\"$XDG_DATA_HOME/Tavolin\"; mount --bind \"$d\" \"$d\" && mount -o remount,bind,ro \"$d\" && exec \"$0\"");
    const bool asRoot = geteuid() == 0;
    ASSERT_TRUE(palette->stopAndReportFaults().isEmpty());
    const QMap<QString, QByteArray> before = filesUnder(dataFolder);
    ASSERT_TRUE(before.keys().join(u' ').contains(QStringLiteral("CommandExtensions-db/CURRENT"))) << before.keys().join(u' ').toStdString();
    if (!asRoot)
        setWritable(dataFolder, false);
    const bool restarted = palette->restart(
        &why, asRoot ? QStringList{QStringLiteral("unshare"), QStringLiteral("--mount"), QStringLiteral("--propagation"),
                                   QStringLiteral("private"), QStringLiteral("sh"), QStringLiteral("-c"), bindReadOnly}
                     : QStringList{});
    ASSERT_TRUE(restarted) << why.toStdString();

    EXPECT_TRUE(waitFor([&] { return !notifications.shown().isEmpty(); }, 10s)) << palette->log().toStdString();
    EXPECT_EQ(notifications.shown().size(), 1) << notifications.shown().join(u'\n').toStdString();
    EXPECT_TRUE(notifications.shown().value(0).startsWith(
        QStringLiteral("Error on \"Data folder\": The folder %1 cannot be written").arg(dataFolder)))
        << notifications.shown().value(0).toStdString();

    // The extension is still there, beside the application's own commands, which still run.
    const std::optional<PanelContent> content =
        openOver(*palette, *window, [](const PanelContent &panel) { return panel.rows.contains(QStringLiteral("Save As…")); });
    ASSERT_TRUE(content) << panelAndLog(*palette);
    EXPECT_TRUE(typeUntilBest(*palette, QStringLiteral("keepsake"), kLabel)) << panelAndLog(*palette);
    ASSERT_TRUE(closePanel());
    ASSERT_TRUE(openOver(*palette, *window, [](const PanelContent &panel) { return !panel.rows.isEmpty(); })) << panelNow(*palette);
    ASSERT_TRUE(typeUntilBest(*palette, QStringLiteral("alpha"), QStringLiteral("Alpha"))) << panelNow(*palette);
    ASSERT_TRUE(pressReturn());
    EXPECT_TRUE(fixture->waitForLogLine(QStringLiteral("triggered File > Recent > Alpha")));
    // Its history entry is refused, and the user is not told again.
    EXPECT_TRUE(palette->waitForLog(QStringLiteral("Database MenuItemHistory cannot be written"))) << palette->log().toStdString();
    EXPECT_EQ(notifications.shown().size(), 1) << notifications.shown().join(u'\n').toStdString();

    EXPECT_EQ(palette->stopAndReportFaults(), QString());
    if (!asRoot)
        setWritable(dataFolder, true);
    const QMap<QString, QByteArray> after = filesUnder(dataFolder);
    EXPECT_EQ(after.keys(), before.keys());
    for (auto it = before.cbegin(); it != before.cend(); ++it)
        EXPECT_EQ(after.value(it.key()), it.value()) << it.key().toStdString() << " changed";
}

} // namespace
} // namespace tavolin::test
