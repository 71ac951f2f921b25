#pragma once

#include "ApplicationCatalog.h"

#include <QComboBox>
#include <QList>

namespace tavolin {

class Prompter;

// The application pop-up of the menu-rule and extension dialogs. Item 0 is "All Applications" (key "all"),
// item 1 a separator, then the installed applications (shown by name; each item's key, Qt::UserRole, is the
// executable name + ".app"), a separator and "Others…". Choosing "Others…" asks for any program: it is
// inserted at index 2 and selected, and a cancelled chooser selects item 0.
// The prompter is not owned. Main thread.
class ApplicationSelect : public QComboBox
{
    Q_OBJECT
public:
    static constexpr auto kAllKey = "all";

    ApplicationSelect(Prompter &prompter, QWidget *parent = nullptr);

    void setApplications(const QList<DesktopApp> &apps);

    // The key of the selected item: "all" for item 0 or when nothing is selected.
    QString selectedKey() const;
    // Selects the item with `key`; when none has it, inserts an item for the key at index 2.
    void selectKey(const QString &key);
    // Inserts an application at index 2 and selects it.
    void insertApplication(const QString &title, const QString &key);

    int othersIndex() const { return count() - 1; }

private:
    void onActivated(int index);

    Prompter &m_prompter;
};

// "All Applications" for "all", else the key without ".app" (how keys are shown).
QString displayNameForAppKey(const QString &key);

} // namespace tavolin
