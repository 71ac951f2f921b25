#include "AppRulesController.h"

#include "PaneLayout.h"
#include "Settings.h"
#include "common/SettingsKeys.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QToolButton>

#include <algorithm>

namespace tavolin {
namespace {

QStringList ruleLabels()
{
    return {QObject::tr("Automatic"), QObject::tr("Open the palette"), QObject::tr("Leave to the application")};
}

} // namespace

const QStringList &AppRulesController::ruleStrings()
{
    static const QStringList rules{QStringLiteral("auto"), QStringLiteral("allow"), QStringLiteral("disabled")};
    return rules;
}

int AppRulesController::numberFromAppRule(const QString &rule)
{
    if (rule == QLatin1String("disabled"))
        return 2;
    if (rule == QLatin1String("allow"))
        return 1;
    return 0;
}

AppRulesController::AppRulesController(PrefsContext &context, QWidget *parent)
    : Pane(parent), m_context(context), m_table(new QTableWidget(0, 2, this)), m_add(new QToolButton(this)),
      m_delete(new QToolButton(this)), m_defaultRule(new QComboBox(this))
{
    m_table->setHorizontalHeaderLabels({tr("Application"), tr("Palette shortcut")});
    m_table->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    // The rule column holds pop-ups, which sizing to the cells' contents does not see: as wide as the
    // widest choice, so none is cut off.
    QComboBox widest;
    widest.addItems(ruleLabels());
    widest.setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_table->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Fixed);
    m_table->horizontalHeader()->resizeSection(
        1, std::max(widest.sizeHint().width(), m_table->horizontalHeader()->sectionSizeHint(1)));
    m_table->verticalHeader()->hide();
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_defaultRule->addItems(ruleLabels());

    QHBoxLayout *buttons = panelayout::addRemoveRow(m_add, tr("Add applications"), m_delete,
                                                    tr("Remove the selected application"));
    auto *form = new QFormLayout;
    form->addRow(tr("Other applications:"), m_defaultRule);
    panelayout::listPane(this, tr("What the palette shortcut does in each application:"), m_table, buttons)
        ->addLayout(form);

    connect(m_add, &QToolButton::clicked, this, &AppRulesController::addApp);
    connect(m_delete, &QToolButton::clicked, this, &AppRulesController::removeApp);
    connect(m_defaultRule, &QComboBox::activated, this, &AppRulesController::onDefaultAppRuleChanged);
}

void AppRulesController::loadSettings()
{
    loadAppRules();
    initDefaultAppRule();
}

void AppRulesController::loadAppRules()
{
    m_appRules.clear();
    for (const QJsonValue &entry : m_context.settings.defaults().arrayValue(settings::kAppRules)) {
        if (entry.isArray())
            m_appRules << entry.toArray();
    }
    reloadTable();
}

void AppRulesController::initDefaultAppRule()
{
    const QString stored = m_context.settings.defaults().stringValue(settings::kAppRuleDefault,
                                                                      QString(settings::kDefaultAppRule));
    const QSignalBlocker blocker(m_defaultRule);
    m_defaultRule->setCurrentIndex(std::max(0, int(ruleStrings().indexOf(stored))));
}

QComboBox *AppRulesController::rulePopup(int row) const
{
    if (row < 0 || row >= m_table->rowCount())
        return nullptr;
    return qobject_cast<QComboBox *>(m_table->cellWidget(row, 1));
}

void AppRulesController::reloadTable()
{
    m_table->setRowCount(int(m_appRules.size()));
    for (int row = 0; row < m_appRules.size(); ++row) {
        const QJsonArray &entry = m_appRules.at(row);
        auto *name = new QTableWidgetItem(entry.at(2).toString());
        name->setToolTip(entry.at(0).toString());
        m_table->setItem(row, 0, name);
        auto *popup = new QComboBox;
        popup->addItems(ruleLabels());
        popup->setCurrentIndex(numberFromAppRule(entry.at(1).toString()));
        connect(popup, &QComboBox::activated, this, [this, row](int index) { onAppRuleChanged(row, index); });
        m_table->setCellWidget(row, 1, popup);
    }
}

void AppRulesController::writeAppRules()
{
    QJsonArray rules;
    for (const QJsonArray &entry : m_appRules)
        rules.append(entry);
    m_context.settings.put(rules, settings::kAppRules);
}

void AppRulesController::onAppRuleChanged(int row, int index)
{
    if (row < 0 || row >= m_appRules.size() || index < 0 || index >= ruleStrings().size())
        return;
    const QJsonArray old = m_appRules.at(row);
    m_appRules[row] = QJsonArray{old.at(0), ruleStrings().at(index), old.at(2)};
    writeAppRules();
    // The pop-up already shows the choice; rebuilding the table here would delete it inside its own signal.
    if (QComboBox *popup = rulePopup(row); popup && popup->currentIndex() != index)
        popup->setCurrentIndex(index);
}

void AppRulesController::onDefaultAppRuleChanged(int index)
{
    if (index >= 0 && index < ruleStrings().size())
        m_context.settings.put(ruleStrings().at(index), settings::kAppRuleDefault);
}

void AppRulesController::addApp()
{
    const QList<DesktopApp> chosen =
        m_context.prompter.chooseApplications(this, m_context.applications ? m_context.applications()
                                                                           : QList<DesktopApp>{},
                                              true);
    if (chosen.isEmpty())
        return;
    for (const DesktopApp &app : chosen)
        doAddApp(app);
    writeAppRules();
    reloadTable();
}

void AppRulesController::doAddApp(const DesktopApp &app)
{
    if (app.desktopId.isEmpty())
        return;
    m_appRules << QJsonArray{app.desktopId, QStringLiteral("auto"), app.name};
}

void AppRulesController::removeApp()
{
    const int row = m_table->currentRow();
    if (row < 0 || row >= m_appRules.size() || m_table->selectionModel()->selectedRows().isEmpty())
        return;
    m_appRules.removeAt(row);
    writeAppRules();
    reloadTable();
}

} // namespace tavolin
