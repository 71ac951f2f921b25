#pragma once

#include "Pane.h"
#include "PrefsContext.h"

#include <QDialog>
#include <QJsonArray>
#include <QMap>
#include <QStringList>

class QComboBox;
class QLineEdit;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace tavolin {

class ApplicationSelect;

// The dialog that adds a menu rule: a menu title, the application (or all) and what is hidden. Its
// controls keep their values between uses.
class AddMenuDialog : public QDialog
{
    Q_OBJECT
public:
    AddMenuDialog(Prompter &prompter, QWidget *parent = nullptr);

    QLineEdit *menuTitleInput() const { return m_title; }
    ApplicationSelect *appSelectButton() const { return m_apps; }
    QComboBox *menuOptionButton() const { return m_option; }

private:
    QLineEdit *m_title;
    ApplicationSelect *m_apps;
    QComboBox *m_option;
};

// Menu Rules tab: menu titles the palette leaves out, per application key (executable name + ".app") or for
// "all", stored as "palette_rule_menu" = {key: [[title, option], ...]}. The option is the pop-up index:
// 0 hides the item only, 1 hides everything below it, 2 does not read the menu at all.
// Loaded when first shown; every change writes the whole dictionary.
class MenuRulesController : public Pane
{
    Q_OBJECT
public:
    explicit MenuRulesController(PrefsContext &context, QWidget *parent = nullptr);

    void loadSettings() override;

    // Option labels in pop-up order (index = stored option number).
    static QStringList optionLabels();

    const QStringList &appList() const { return m_appList; }
    const QMap<QString, QJsonArray> &menuRules() const { return m_menuRules; }
    QTreeWidget *outline() const { return m_outline; }
    AddMenuDialog *addMenuDialog() const { return m_dialog; }
    QToolButton *addButton() const { return m_add; }
    QToolButton *deleteButton() const { return m_delete; }
    // The option pop-up of rule `index` under application `key`; nullptr when there is none.
    QComboBox *optionPopup(const QString &key, int index) const;

    void addMenu();
    void doAddMenu(const QString &title, int option);
    void removeMenu();
    void onMenuRuleChanged(const QString &key, int index, int option);

private:
    void loadMenuRules();
    void normalizeAppList();
    QJsonArray rulesFor(const QString &key) const;
    void writeMenuRules();
    void reloadOutline();
    QTreeWidgetItem *appItem(const QString &key) const;

    PrefsContext &m_context;
    bool m_applicationsListed = false;
    QMap<QString, QJsonArray> m_menuRules;
    QStringList m_appList;
    QTreeWidget *m_outline;
    QToolButton *m_add;
    QToolButton *m_delete;
    AddMenuDialog *m_dialog;
};

// Sorts application keys case-insensitively with "all" first (the extensions pane's order too).
void normalizeAppKeys(QStringList &keys);

} // namespace tavolin
