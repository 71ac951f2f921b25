#include "MenuRulesController.h"

#include "ApplicationSelect.h"
#include "PaneLayout.h"
#include "Settings.h"
#include "common/SettingsKeys.h"

#include <QCollator>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QJsonObject>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QTreeWidget>

namespace tavolin {
namespace {

constexpr int kKeyRole = Qt::UserRole;
constexpr int kIndexRole = Qt::UserRole + 1;

} // namespace

void normalizeAppKeys(QStringList &keys)
{
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(keys.begin(), keys.end(),
                     [&](const QString &a, const QString &b) { return collator.compare(a, b) < 0; });
    const qsizetype all = keys.indexOf(QLatin1String(ApplicationSelect::kAllKey));
    if (all > 0)
        keys.move(all, 0);
}

AddMenuDialog::AddMenuDialog(Prompter &prompter, QWidget *parent)
    : QDialog(parent), m_title(new QLineEdit(this)), m_apps(new ApplicationSelect(prompter, this)),
      m_option(new QComboBox(this))
{
    m_option->addItems(MenuRulesController::optionLabels());
    auto *form = new QFormLayout;
    form->addRow(tr("Menu title:"), m_title);
    form->addRow(tr("Application:"), m_apps);
    form->addRow(tr("Hide:"), m_option);
    panelayout::formDialog(this, tr("Add menu to exclude"), form, tr("Add"));
}

QStringList MenuRulesController::optionLabels()
{
    return {tr("The item itself"), tr("Everything below it"), tr("The whole menu, unread")};
}

MenuRulesController::MenuRulesController(PrefsContext &context, QWidget *parent)
    : Pane(parent), m_context(context), m_outline(new QTreeWidget(this)), m_add(new QToolButton(this)),
      m_delete(new QToolButton(this)), m_dialog(new AddMenuDialog(context.prompter, this))
{
    m_outline->setHeaderLabels({tr("Menu"), tr("Hide")});
    m_outline->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_outline->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    m_outline->header()->setStretchLastSection(false);
    QHBoxLayout *buttons = panelayout::addRemoveRow(m_add, tr("Add a menu rule"), m_delete,
                                                    tr("Remove the selected rule or application"));
    panelayout::listPane(this, tr("Menus the palette leaves out:"), m_outline, buttons);

    connect(m_add, &QToolButton::clicked, this, &MenuRulesController::addMenu);
    connect(m_delete, &QToolButton::clicked, this, &MenuRulesController::removeMenu);
}

void MenuRulesController::loadSettings()
{
    // The installed applications are listed once: finding them reads every desktop entry.
    if (!m_applicationsListed) {
        m_applicationsListed = true;
        m_dialog->appSelectButton()->setApplications(m_context.applications ? m_context.applications()
                                                                            : QList<DesktopApp>{});
    }
    loadMenuRules();
}

void MenuRulesController::loadMenuRules()
{
    m_menuRules.clear();
    m_appList.clear();
    const QJsonObject stored = m_context.settings.defaults().objectValue(settings::kMenuRules);
    for (auto it = stored.begin(); it != stored.end(); ++it) {
        const QJsonArray pairs = it.value().toArray();
        if (pairs.isEmpty())
            continue;
        QJsonArray kept;
        for (const QJsonValue &pair : pairs) {
            const QJsonValue title = pair.toArray().at(0);
            if (!(title.isString() && title.toString().isEmpty()))
                kept.append(pair);
        }
        m_appList << it.key();
        m_menuRules.insert(it.key(), kept);
    }
    normalizeAppList();
    reloadOutline();
}

void MenuRulesController::normalizeAppList()
{
    normalizeAppKeys(m_appList);
}

QJsonArray MenuRulesController::rulesFor(const QString &key) const
{
    return m_menuRules.value(key);
}

void MenuRulesController::writeMenuRules()
{
    QJsonObject rules;
    for (auto it = m_menuRules.cbegin(); it != m_menuRules.cend(); ++it)
        rules.insert(it.key(), it.value());
    m_context.settings.put(rules, settings::kMenuRules);
}

QTreeWidgetItem *MenuRulesController::appItem(const QString &key) const
{
    for (int i = 0; i < m_outline->topLevelItemCount(); ++i) {
        if (m_outline->topLevelItem(i)->data(0, kKeyRole).toString() == key)
            return m_outline->topLevelItem(i);
    }
    return nullptr;
}

QComboBox *MenuRulesController::optionPopup(const QString &key, int index) const
{
    QTreeWidgetItem *app = appItem(key);
    if (!app || index < 0 || index >= app->childCount())
        return nullptr;
    return qobject_cast<QComboBox *>(m_outline->itemWidget(app->child(index), 1));
}

void MenuRulesController::reloadOutline()
{
    m_outline->clear();
    for (const QString &key : std::as_const(m_appList)) {
        auto *app = new QTreeWidgetItem(m_outline, {displayNameForAppKey(key)});
        app->setData(0, kKeyRole, key);
        app->setToolTip(0, key);
        const QJsonArray pairs = rulesFor(key);
        for (int index = 0; index < pairs.size(); ++index) {
            const QJsonArray pair = pairs.at(index).toArray();
            auto *rule = new QTreeWidgetItem(app, {pair.at(0).toString()});
            rule->setData(0, kKeyRole, key);
            rule->setData(0, kIndexRole, index);
            auto *popup = new QComboBox;
            popup->addItems(optionLabels());
            popup->setCurrentIndex(pair.at(1).toInt(-1));
            connect(popup, &QComboBox::activated, this,
                    [this, key, index](int option) { onMenuRuleChanged(key, index, option); });
            m_outline->setItemWidget(rule, 1, popup);
        }
        app->setExpanded(true);
    }
}

void MenuRulesController::onMenuRuleChanged(const QString &key, int index, int option)
{
    QJsonArray pairs = rulesFor(key);
    if (index < 0 || index >= pairs.size())
        return;
    pairs[index] = QJsonArray{pairs.at(index).toArray().at(0), option};
    m_menuRules.insert(key, pairs);
    writeMenuRules();
}

void MenuRulesController::addMenu()
{
    if (!m_context.prompter.runDialog(*m_dialog))
        return;
    const QString title = m_dialog->menuTitleInput()->text();
    if (title.trimmed().isEmpty()) {
        m_context.prompter.showMessage(this, Prompter::Style::Warning, tr("Menu title cannot be empty."), QString());
        return;
    }
    doAddMenu(title, m_dialog->menuOptionButton()->currentIndex());
}

void MenuRulesController::doAddMenu(const QString &title, int option)
{
    const QString selected = m_dialog->appSelectButton()->selectedKey();
    const QString key = selected.endsWith(QLatin1String(".app")) ? selected
                                                                 : QString::fromLatin1(ApplicationSelect::kAllKey);
    QJsonArray pairs = rulesFor(key);
    pairs.append(QJsonArray{title, std::max(0, option)});
    m_menuRules.insert(key, pairs);
    writeMenuRules();
    if (!m_appList.contains(key)) {
        m_appList << key;
        normalizeAppList();
    }
    reloadOutline();
}

void MenuRulesController::removeMenu()
{
    QTreeWidgetItem *item = m_outline->currentItem();
    if (!item || !item->isSelected())
        return;
    const QString key = item->data(0, kKeyRole).toString();
    if (!item->parent()) {
        m_appList.removeAll(key);
        m_menuRules.remove(key);
    } else {
        QJsonArray pairs = rulesFor(key);
        const int index = item->data(0, kIndexRole).toInt();
        if (index >= 0 && index < pairs.size())
            pairs.removeAt(index);
        if (pairs.isEmpty()) {
            m_appList.removeAll(key);
            m_menuRules.remove(key);
        } else {
            m_menuRules.insert(key, pairs);
        }
    }
    reloadOutline();
    writeMenuRules();
}

} // namespace tavolin
