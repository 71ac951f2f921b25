#include "ApplicationCatalog.h"

#include "common/DesktopEntry.h"

#include <QFileInfo>

#include <algorithm>

namespace tavolin::ApplicationCatalog {
namespace {

// The application an entry offers; empty (no executable) when it offers no launchable application.
DesktopApp fromEntry(const desktopentry::Entry &entry)
{
    if (entry.hidden || entry.noDisplay || entry.type != QLatin1String("Application"))
        return DesktopApp{};
    const QString executable = desktopentry::executableOfExec(entry.exec);
    if (executable.isEmpty())
        return DesktopApp{};
    return DesktopApp{entry.id, entry.name.isEmpty() ? executable : entry.name, executable, entry.icon};
}

} // namespace

QList<DesktopApp> installedApplications(const QStringList &dirs)
{
    QList<DesktopApp> apps;
    desktopentry::forEachFile(dirs, [&apps](const QString &path, const QString &id) {
        const std::optional<desktopentry::Entry> entry = desktopentry::read(path, id);
        const DesktopApp app = entry ? fromEntry(*entry) : DesktopApp{};
        if (!app.executable.isEmpty())
            apps << app;
        return true;
    });
    std::stable_sort(apps.begin(), apps.end(), [](const DesktopApp &a, const DesktopApp &b) {
        return a.name.compare(b.name, Qt::CaseInsensitive) < 0;
    });
    return apps;
}

DesktopApp fromExecutablePath(const QString &path, const QList<DesktopApp> &installed)
{
    const QString name = QFileInfo(path).fileName();
    for (const DesktopApp &app : installed) {
        if (app.executable == name)
            return app;
    }
    return DesktopApp{name, name, name, QString()};
}

} // namespace tavolin::ApplicationCatalog
