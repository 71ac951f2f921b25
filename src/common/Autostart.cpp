#include "common/Autostart.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace tavolin::autostart {
namespace {

// Exec= quoting of the desktop entry specification: reserved characters inside double quotes.
QString quotedExec(const QString &path)
{
    QString escaped = path;
    for (const QChar c : {QLatin1Char('\\'), QLatin1Char('"'), QLatin1Char('`'), QLatin1Char('$')})
        escaped.replace(c, QString(QLatin1Char('\\')) + c);
    escaped.replace(QLatin1Char('%'), QStringLiteral("%%"));
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}

} // namespace

QString entryPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QStringLiteral("/autostart/tavolin.desktop");
}

bool setEnabled(bool enabled, const QString &executable)
{
    const QString path = entryPath();
    if (!enabled)
        return !QFile::exists(path) || QFile::remove(path);
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    // The installed entry (data/tavolin.desktop) with this program's path, so a desktop's list of programs
    // started at login names and shows it as its application menu does.
    const QString text = QStringLiteral("[Desktop Entry]\n"
                                        "Type=Application\n"
                                        "Name=Tavolin\n"
                                        "GenericName=Command Palette\n"
                                        "Comment=Search and run the focused application's menu commands from the keyboard\n"
                                        "Exec=%1\n"
                                        "Icon=tavolin\n"
                                        "Terminal=false\n"
                                        "Categories=Utility;Accessibility;Qt;\n"
                                        "StartupNotify=false\n"
                                        "X-GNOME-Autostart-enabled=true\n")
                             .arg(quotedExec(executable));
    file.write(text.toUtf8());
    return file.commit();
}

bool isEnabled()
{
    return QFile::exists(entryPath());
}

} // namespace tavolin::autostart
