// Installed applications from .desktop files: ids, names and the executable names keys are made of.
#include "prefs/ApplicationCatalog.h"
#include "PrefsTestSupport.h"

#include <gtest/gtest.h>

namespace tavolin {
namespace {

TEST(ApplicationCatalogTest, ReadsLaunchableEntriesSortedByName)
{
    test::IsolatedHome home;
    const QString user = home.dataHome() + QStringLiteral("/applications");
    const QString system = home.root() + QStringLiteral("/system/applications");
    test::writeTextFile(system + QStringLiteral("/org.xfce.mousepad.desktop"),
                        "[Desktop Entry]\nType=Application\nName=Mousepad\nName[de]=Mauspad\n"
                        "Exec=mousepad %U\nIcon=org.xfce.mousepad\n[Desktop Action new]\nName=Zzz\nExec=other\n");
    test::writeTextFile(system + QStringLiteral("/kde/org.kde.kate.desktop"),
                        "[Desktop Entry]\nType=Application\nName=Kate\nExec=kate -b %U\n");
    test::writeTextFile(system + QStringLiteral("/hidden.desktop"),
                        "[Desktop Entry]\nType=Application\nName=Hidden\nExec=hidden\nNoDisplay=true\n");
    test::writeTextFile(system + QStringLiteral("/link.desktop"),
                        "[Desktop Entry]\nType=Link\nName=Link\nURL=https://example.org\n");
    test::writeTextFile(system + QStringLiteral("/broken.desktop"), "\xff\xfe garbage without groups");
    test::writeTextFile(system + QStringLiteral("/masked.desktop"),
                        "[Desktop Entry]\nType=Application\nName=Masked\nExec=masked\n");
    // The user's own file with the same id wins, here by hiding the system entry.
    test::writeTextFile(user + QStringLiteral("/masked.desktop"), "[Desktop Entry]\nType=Application\nHidden=true\n");

    const QList<DesktopApp> apps = ApplicationCatalog::installedApplications({user, system});
    ASSERT_EQ(apps.size(), 2);
    EXPECT_EQ(apps.at(0), (DesktopApp{QStringLiteral("kde-org.kde.kate"), QStringLiteral("Kate"),
                                      QStringLiteral("kate"), QString()}));
    EXPECT_EQ(apps.at(1).desktopId, QLatin1String("org.xfce.mousepad"));
    EXPECT_EQ(apps.at(1).name, QLatin1String("Mousepad"));
    EXPECT_EQ(apps.at(1).key(), QLatin1String("mousepad.app"));
}

// A rule made with "Others…" must carry what the palette identifies the program by: the desktop id of an
// installed entry that starts it, else the file name.
TEST(ApplicationCatalogTest, ProgramChosenByPathIsIdentifiedAsThePaletteIdentifiesIt)
{
    const QList<DesktopApp> installed{{u"org.xfce.mousepad"_qs, u"Mousepad"_qs, u"mousepad"_qs, QString()}};
    const DesktopApp known = ApplicationCatalog::fromExecutablePath(u"/usr/bin/mousepad"_qs, installed);
    EXPECT_EQ(known.desktopId, QLatin1String("org.xfce.mousepad"));
    EXPECT_EQ(known.key(), QLatin1String("mousepad.app"));

    const DesktopApp unknown = ApplicationCatalog::fromExecutablePath(u"/usr/local/bin/frob"_qs, installed);
    EXPECT_EQ(unknown.desktopId, QLatin1String("frob"));
    EXPECT_EQ(unknown.key(), QLatin1String("frob.app"));
}

} // namespace
} // namespace tavolin
