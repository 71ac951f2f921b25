#pragma once

#include "Pane.h"
#include "PrefsContext.h"

#include <QJsonArray>
#include <QList>
#include <QStringList>

class QComboBox;
class QTableWidget;
class QToolButton;

namespace tavolin {

// App Rules tab: per application, whether the palette shortcut opens the palette ("allow"), is left to the
// application ("disabled") or is decided from the application's menus ("auto"), plus the rule for every
// other application. Stored as "palette_rule_app" = [[desktop id, rule, name], ...] and
// "palette_rule_app_default"; every change writes the whole list at once.
//
// The list is read when the pane is first shown and is the truth afterwards (like the palette, which
// writes only the built-in rules when the key is unset).
class AppRulesController : public Pane
{
    Q_OBJECT
public:
    // Rule strings in pop-up order.
    static const QStringList &ruleStrings();
    // "disabled" 2, "allow" 1, anything else 0.
    static int numberFromAppRule(const QString &rule);

    explicit AppRulesController(PrefsContext &context, QWidget *parent = nullptr);

    void loadSettings() override;

    QTableWidget *table() const { return m_table; }
    QComboBox *defaultRulePullDown() const { return m_defaultRule; }
    // The rule pop-up of a row; nullptr outside the list.
    QComboBox *rulePopup(int row) const;
    QToolButton *addButton() const { return m_add; }
    QToolButton *deleteButton() const { return m_delete; }

    void addApp();
    void doAddApp(const DesktopApp &app);
    void removeApp();
    void onAppRuleChanged(int row, int index);
    void onDefaultAppRuleChanged(int index);

private:
    void loadAppRules();
    void initDefaultAppRule();
    void writeAppRules();
    void reloadTable();

    PrefsContext &m_context;
    QList<QJsonArray> m_appRules;
    QTableWidget *m_table;
    QToolButton *m_add;
    QToolButton *m_delete;
    QComboBox *m_defaultRule;
};

} // namespace tavolin
