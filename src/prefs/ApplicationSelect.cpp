#include "ApplicationSelect.h"

#include "PrefsContext.h"
#include "WidgetPrompter.h"

#include <QSet>

namespace tavolin {

QString displayNameForAppKey(const QString &key)
{
    if (key == QLatin1String(ApplicationSelect::kAllKey))
        return QObject::tr("All Applications");
    return key.endsWith(QLatin1String(".app")) ? key.chopped(4) : key;
}

ApplicationSelect::ApplicationSelect(Prompter &prompter, QWidget *parent) : QComboBox(parent), m_prompter(prompter)
{
    setApplications({});
    connect(this, &QComboBox::activated, this, &ApplicationSelect::onActivated);
}

void ApplicationSelect::setApplications(const QList<DesktopApp> &apps)
{
    clear();
    addItem(tr("All Applications"), QString::fromLatin1(kAllKey));
    insertSeparator(1);
    QSet<QString> keys;
    for (const DesktopApp &app : apps) {
        if (keys.contains(app.key()))
            continue;
        keys.insert(app.key());
        addItem(applicationIcon(app), app.name, app.key());
        setItemData(count() - 1, app.key(), Qt::ToolTipRole);
    }
    insertSeparator(count());
    addItem(tr("Others…"));
    setCurrentIndex(0);
}

QString ApplicationSelect::selectedKey() const
{
    const QString key = currentData().toString();
    return key.isEmpty() ? QString::fromLatin1(kAllKey) : key;
}

void ApplicationSelect::selectKey(const QString &key)
{
    const int index = findData(key);
    if (index >= 0 && index != othersIndex()) {
        setCurrentIndex(index);
        return;
    }
    insertApplication(displayNameForAppKey(key), key);
}

void ApplicationSelect::insertApplication(const QString &title, const QString &key)
{
    insertItem(2, title, key);
    setItemData(2, key, Qt::ToolTipRole);
    setCurrentIndex(2);
}

void ApplicationSelect::onActivated(int index)
{
    if (index != othersIndex())
        return;
    const QString path = m_prompter.chooseExecutable(this);
    if (path.isEmpty()) {
        setCurrentIndex(0);
        return;
    }
    const DesktopApp app = ApplicationCatalog::fromExecutablePath(path, ApplicationCatalog::installedApplications());
    insertApplication(app.name, app.key());
}

} // namespace tavolin
