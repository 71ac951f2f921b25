// The entry written to start the palette at login against the one the package installs
// (data/tavolin.desktop): same name, icon and description, this program's path quoted, and valid; disabling
// removes it.
#include "common/Autostart.h"

#include "support/IsolatedHome.h"

#include <QFile>
#include <QHash>
#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

namespace tavolin {
namespace {

// The keys of a desktop entry's [Desktop Entry] group.
QHash<QString, QString> mainGroup(const QString &path)
{
    QHash<QString, QString> keys;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return keys;
    bool inMain = false;
    for (const QByteArray &raw : file.readAll().split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.startsWith(QLatin1Char('[')))
            inMain = line == QLatin1String("[Desktop Entry]");
        else if (inMain && line.contains(QLatin1Char('=')))
            keys.insert(line.section(QLatin1Char('='), 0, 0), line.section(QLatin1Char('='), 1));
    }
    return keys;
}

TEST(AutostartEntryTest, MatchesTheInstalledEntryWithThisProgramsPathAndIsRemoved)
{
    test::IsolatedHome home;
    ASSERT_TRUE(autostart::entryPath().startsWith(home.configHome()));
    const QHash<QString, QString> installed = mainGroup(QStringLiteral(TAVOLIN_DATA_DIR "/tavolin.desktop"));
    ASSERT_FALSE(installed.isEmpty());
    ASSERT_TRUE(autostart::setEnabled(true, QStringLiteral("/opt/my \"odd\" $dir/tavolin")));
    EXPECT_EQ(mainGroup(autostart::entryPath()).value(QStringLiteral("Exec")),
              QStringLiteral("\"/opt/my \\\"odd\\\" \\$dir/tavolin\""));
    ASSERT_TRUE(autostart::setEnabled(true, QStringLiteral("/opt/tavolin/bin/tavolin")));
    const QHash<QString, QString> written = mainGroup(autostart::entryPath());

    EXPECT_EQ(written.value(QStringLiteral("Exec")), QStringLiteral("\"/opt/tavolin/bin/tavolin\""));
    // Actions and keywords are for the application menu; the rest must read the same in both places.
    for (auto it = installed.cbegin(); it != installed.cend(); ++it) {
        if (it.key() == QLatin1String("Exec") || it.key() == QLatin1String("Actions") || it.key() == QLatin1String("Keywords")
            || it.key().startsWith(QLatin1String("X-")))
            continue;
        EXPECT_EQ(written.value(it.key()), it.value()) << it.key().toStdString();
    }
    EXPECT_EQ(written.value(QStringLiteral("X-GNOME-Autostart-enabled")), QStringLiteral("true"));

    const QString validator = QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
    ASSERT_FALSE(validator.isEmpty()) << "desktop-file-validate is missing (bash scripts/install-deps.sh package)";
    QProcess validate;
    validate.start(validator, {autostart::entryPath()});
    ASSERT_TRUE(validate.waitForFinished(10000));
    EXPECT_EQ(validate.exitCode(), 0) << validate.readAll().toStdString();
    EXPECT_TRUE(validate.readAll().trimmed().isEmpty());

    EXPECT_TRUE(autostart::isEnabled());
    EXPECT_TRUE(autostart::setEnabled(false, QString()));
    EXPECT_FALSE(autostart::isEnabled());
    EXPECT_TRUE(autostart::setEnabled(false, QString())) << "removing a removed entry";
}

} // namespace
} // namespace tavolin
