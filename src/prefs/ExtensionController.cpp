#include "ExtensionController.h"

#include "ApplicationSelect.h"
#include "PaneLayout.h"
#include "ShortcutRecorder.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace tavolin {
namespace {

constexpr int kKeyRole = Qt::UserRole;
constexpr int kIndexRole = Qt::UserRole + 1; // -1 on application rows
enum Column { NameColumn = 0, StatusColumn = 1, ShortcutColumn = 2 };

QString trimSpacesAndTabs(QString text)
{
    while (!text.isEmpty() && (text.front() == QLatin1Char(' ') || text.front() == QLatin1Char('\t')))
        text.remove(0, 1);
    while (!text.isEmpty() && (text.back() == QLatin1Char(' ') || text.back() == QLatin1Char('\t')))
        text.chop(1);
    return text;
}

QStringList statusLabels()
{
    return {QObject::tr("Enabled"), QObject::tr("Disabled")};
}

} // namespace

ExtensionDetailDialog::ExtensionDetailDialog(Prompter &prompter, QWidget *parent)
    : QDialog(parent), m_apps(new ApplicationSelect(prompter, this)), m_label(new QLineEdit(this)),
      m_enLabel(new QLineEdit(this)), m_shortcut(new ShortcutRecorder(this)), m_enabled(new QComboBox(this))
{
    m_enabled->addItems(statusLabels());
    auto *form = new QFormLayout;
    form->addRow(tr("Application:"), m_apps);
    form->addRow(tr("Menu title:"), m_label);
    form->addRow(tr("English title:"), m_enLabel);
    form->addRow(tr("Shortcut:"), m_shortcut);
    form->addRow(tr("Status:"), m_enabled);
    panelayout::formDialog(this, tr("Extension Information"), form, tr("Save"));
}

void ExtensionDetailDialog::fill(const PluginDataItem &item)
{
    if (item.app == QLatin1String(ApplicationSelect::kAllKey))
        m_apps->setCurrentIndex(0);
    else
        m_apps->selectKey(item.app);
    m_label->setText(item.label);
    m_enLabel->setText(item.enLabel);
    m_shortcut->setShortcut(item.keyData ? item.keyData->toShortcut() : std::nullopt);
    m_enabled->setCurrentIndex(item.enabled ? 0 : 1);
}

PluginDataItem ExtensionDetailDialog::edited(const PluginDataItem &item) const
{
    PluginDataItem result = item;
    result.label = trimSpacesAndTabs(m_label->text());
    result.enLabel = trimSpacesAndTabs(m_enLabel->text());
    result.enabled = m_enabled->currentIndex() == 0;
    const std::optional<Shortcut> shortcut = m_shortcut->shortcut();
    result.keyData = shortcut ? std::optional(KeyData::keyDataFromShortcut(*shortcut)) : std::nullopt;
    result.app = m_apps->selectedKey();
    return result;
}

ExtensionController::ExtensionController(PrefsContext &context, std::unique_ptr<ExtensionImporter> importer,
                                         QWidget *parent)
    : Pane(parent), m_context(context),
      m_importer(importer ? std::move(importer) : std::make_unique<ExtensionImporter>(context.extensionFolder)),
      m_outline(new QTreeWidget(this)), m_add(new QPushButton(tr("Add…"), this)), m_edit(new QToolButton(this)),
      m_delete(new QToolButton(this)), m_dialog(new ExtensionDetailDialog(context.prompter, this))
{
    m_outline->setHeaderLabels({tr("Extension"), tr("Status"), tr("Shortcut")});
    m_outline->header()->setSectionResizeMode(NameColumn, QHeaderView::Stretch);
    m_outline->header()->setStretchLastSection(false);
    m_outline->setSelectionMode(QAbstractItemView::SingleSelection);
    m_edit->setText(tr("Edit"));
    m_delete->setText(tr("Delete"));
    m_edit->setEnabled(false);
    m_delete->setEnabled(false);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_add);
    buttons->addStretch();
    buttons->addWidget(m_edit);
    buttons->addWidget(m_delete);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(tr("Scripts offered as commands, per application. Drop a script or a .pext "
                                    "bundle here to add it."), this));
    layout->addWidget(m_outline, 1);
    layout->addLayout(buttons);

    connect(m_add, &QPushButton::clicked, this, &ExtensionController::onClickAddButton);
    connect(m_edit, &QToolButton::clicked, this, &ExtensionController::onEdit);
    connect(m_delete, &QToolButton::clicked, this, &ExtensionController::onDelete);
    connect(m_outline, &QTreeWidget::itemSelectionChanged, this, &ExtensionController::onSelectionChanged);
    connect(m_outline, &QTreeWidget::itemDoubleClicked, this, &ExtensionController::onEdit);
}

ExtensionController::~ExtensionController() = default;

ExtensionLibrary &ExtensionController::library()
{
    loadSettings();
    return *m_library;
}

void ExtensionController::loadSettings()
{
    if (m_library)
        return;
    m_library = std::make_unique<ExtensionLibrary>(m_context.settings, m_context.extensionFolder,
                                                   [this](const QString &path) {
                                                       return m_context.desktop.moveToTrash(path);
                                                   });
    m_library->loadExtensions();
    m_applications = m_context.applications ? m_context.applications() : QList<DesktopApp>{};
    m_dialog->applicationSelect()->setApplications(m_applications);
    reloadOutline();
}

void ExtensionController::paintRow(QTreeWidgetItem *row, const PluginDataItem &item)
{
    const QColor colour = palette().color(item.enabled ? QPalette::Active : QPalette::Disabled, QPalette::Text);
    row->setText(NameColumn, item.label);
    row->setText(ShortcutColumn, item.keyData ? item.keyData->displayText() : QString());
    row->setForeground(NameColumn, colour);
    row->setForeground(ShortcutColumn, colour);
}

void ExtensionController::reloadOutline()
{
    m_outline->clear();
    for (const QString &key : m_library->apps()) {
        auto *app = new QTreeWidgetItem(m_outline, {displayNameForAppKey(key)});
        app->setData(NameColumn, kKeyRole, key);
        app->setData(NameColumn, kIndexRole, -1);
        app->setToolTip(NameColumn, key);
        const QList<PluginDataItem> records = m_library->extensionsFor(key);
        for (int index = 0; index < records.size(); ++index) {
            auto *row = new QTreeWidgetItem(app);
            row->setData(NameColumn, kKeyRole, key);
            row->setData(NameColumn, kIndexRole, index);
            row->setToolTip(NameColumn, records.at(index).entry);
            paintRow(row, records.at(index));
            auto *status = new QComboBox;
            status->addItems(statusLabels());
            status->setCurrentIndex(records.at(index).enabled ? 0 : 1);
            connect(status, &QComboBox::activated, this,
                    [this, key, index](int choice) { onExtensionStatusChanged(key, index, choice); });
            m_outline->setItemWidget(row, StatusColumn, status);
        }
        app->setExpanded(true);
    }
    m_outline->resizeColumnToContents(StatusColumn);
    onSelectionChanged();
}

QTreeWidgetItem *ExtensionController::extensionRow(const QString &key, int index) const
{
    for (int i = 0; i < m_outline->topLevelItemCount(); ++i) {
        QTreeWidgetItem *app = m_outline->topLevelItem(i);
        if (app->data(NameColumn, kKeyRole).toString() == key)
            return index >= 0 && index < app->childCount() ? app->child(index) : nullptr;
    }
    return nullptr;
}

QComboBox *ExtensionController::statusPopup(const QString &key, int index) const
{
    QTreeWidgetItem *row = extensionRow(key, index);
    return row ? qobject_cast<QComboBox *>(m_outline->itemWidget(row, StatusColumn)) : nullptr;
}

void ExtensionController::onSelectionChanged()
{
    const QList<QTreeWidgetItem *> selected = m_outline->selectedItems();
    m_delete->setEnabled(!selected.isEmpty());
    m_edit->setEnabled(!selected.isEmpty() && selected.first()->parent() != nullptr);
}

void ExtensionController::onExtensionStatusChanged(const QString &key, int index, int choice)
{
    QList<PluginDataItem> records = m_library->extensionsFor(key);
    if (index < 0 || index >= records.size())
        return;
    PluginDataItem item = records.at(index);
    item.enabled = choice == 0;
    m_library->updateItem(key, index, item);
    // Only this row changes; the pop-up stays (it is the sender).
    if (QTreeWidgetItem *row = extensionRow(key, index))
        paintRow(row, item);
}

std::optional<PluginDataItem> ExtensionController::runEditDialog(const PluginDataItem &item)
{
    m_dialog->fill(item);
    if (!m_context.prompter.runDialog(*m_dialog))
        return std::nullopt;
    PluginDataItem edited = m_dialog->edited(item);
    if (edited.label.isEmpty())
        edited.label = edited.enLabel;
    if (edited.label.isEmpty()) {
        showError(tr(kEmptyTitleError));
        return std::nullopt;
    }
    return edited;
}

void ExtensionController::onEdit()
{
    QTreeWidgetItem *row = m_outline->currentItem();
    if (!row || !row->parent())
        return;
    const QString key = row->data(NameColumn, kKeyRole).toString();
    const int index = row->data(NameColumn, kIndexRole).toInt();
    const QList<PluginDataItem> records = m_library->extensionsFor(key);
    if (index < 0 || index >= records.size())
        return;
    const std::optional<PluginDataItem> edited = runEditDialog(records.at(index));
    if (!edited)
        return;
    m_library->updateItem(key, index, *edited);
    reloadOutline();
}

void ExtensionController::onDelete()
{
    QTreeWidgetItem *row = m_outline->currentItem();
    if (!row || !row->isSelected())
        return;
    if (!m_context.prompter.confirm(this, tr("Delete Selected ?"),
                                    tr("The operation cannot be undo. You could disable the extension(s) instead "
                                       "if you do not want to use it."),
                                    tr("Delete")))
        return;
    const QString key = row->data(NameColumn, kKeyRole).toString();
    if (!row->parent())
        m_library->doRemoveAllUnder(key);
    else
        m_library->doRemove(key, row->data(NameColumn, kIndexRole).toInt());
    reloadOutline();
}

void ExtensionController::showError(const QString &text)
{
    m_context.prompter.showMessage(this, Prompter::Style::Critical, tr("Error"), text);
}

QString ExtensionController::knownAppKey(const QString &key) const
{
    // File names are written "Mousepad - Tidy.sh", executables are "mousepad": match without case.
    for (const DesktopApp &app : m_applications) {
        if (app.key().compare(key, Qt::CaseInsensitive) == 0)
            return app.key();
    }
    return key;
}

void ExtensionController::onClickAddButton()
{
    const QString path = m_context.prompter.chooseFile(
        this, tr("Add Extension"),
        {QStringLiteral("pext"), QStringLiteral("sh"), QString(), QStringLiteral("py")});
    if (!path.isEmpty())
        onAddExtensionFrom(path);
}

void ExtensionController::onAddExtensionFrom(const QString &path)
{
    loadSettings();
    ImportResult result = m_importer->importFrom(path);
    if (!result.isOk()) {
        showError(result.reason());
        return;
    }
    PluginDataItem item = result.value();
    item.app = knownAppKey(item.app);
    // Cancelling keeps the copied file and adds nothing.
    const std::optional<PluginDataItem> edited = runEditDialog(item);
    if (!edited)
        return;
    m_library->doAdd(*edited);
    reloadOutline();
}

} // namespace tavolin
