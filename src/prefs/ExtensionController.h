#pragma once

#include "ExtensionImporter.h"
#include "ExtensionLibrary.h"
#include "Pane.h"
#include "PrefsContext.h"

#include <QDialog>

#include <memory>

class QComboBox;
class QLineEdit;
class QPushButton;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace tavolin {

class ApplicationSelect;
class ShortcutRecorder;

// The dialog that edits one extension: application, title, English title, shortcut, enabled.
class ExtensionDetailDialog : public QDialog
{
    Q_OBJECT
public:
    ExtensionDetailDialog(Prompter &prompter, QWidget *parent = nullptr);

    ApplicationSelect *applicationSelect() const { return m_apps; }
    QLineEdit *labelInput() const { return m_label; }
    QLineEdit *enLabelInput() const { return m_enLabel; }
    ShortcutRecorder *shortcutView() const { return m_shortcut; }

    // Fills the controls from `item`.
    void fill(const PluginDataItem &item);
    // `item` with the fields of the controls (titles trimmed of spaces and tabs).
    PluginDataItem edited(const PluginDataItem &item) const;

private:
    ApplicationSelect *m_apps;
    QLineEdit *m_label;
    QLineEdit *m_enLabel;
    ShortcutRecorder *m_shortcut;
    QComboBox *m_enabled;
};

// Extensions tab: every application's extensions, enabling, editing, deleting (files go to the Trash) and
// importing scripts and ".pext" bundles. Each change saves the application at once and tells the palette
// (ExtensionLibrary). Loads the database when first shown.
class ExtensionController : public Pane
{
    Q_OBJECT
public:
    static constexpr auto kEmptyTitleError = QT_TR_NOOP("Must input a Menu Title or English Title");

    // `importer` may be injected (tests give it a fake clock); by default one over the context's folder.
    explicit ExtensionController(PrefsContext &context, std::unique_ptr<ExtensionImporter> importer = {},
                                 QWidget *parent = nullptr);
    ~ExtensionController() override;

    void loadSettings() override;

    ExtensionLibrary &library();
    QTreeWidget *outlineView() const { return m_outline; }
    QPushButton *addButton() const { return m_add; }
    QToolButton *editButton() const { return m_edit; }
    QToolButton *deleteButton() const { return m_delete; }
    // The row of record `index` of `key`; nullptr when there is none.
    QTreeWidgetItem *extensionRow(const QString &key, int index) const;
    QComboBox *statusPopup(const QString &key, int index) const;

    // Imports a file or bundle and, when it could be copied, opens the edit dialog for its record.
    void onAddExtensionFrom(const QString &path);
    void onClickAddButton();
    void onEdit();
    void onDelete();

private:
    void reloadOutline();
    void onSelectionChanged();
    void onExtensionStatusChanged(const QString &key, int index, int choice);
    void paintRow(QTreeWidgetItem *row, const PluginDataItem &item);
    // Runs the edit dialog; the edited record, or nullopt when cancelled or refused.
    std::optional<PluginDataItem> runEditDialog(const PluginDataItem &item);
    void showError(const QString &text);
    QString knownAppKey(const QString &key) const;

    PrefsContext &m_context;
    std::unique_ptr<ExtensionImporter> m_importer;
    std::unique_ptr<ExtensionLibrary> m_library;
    QList<DesktopApp> m_applications;
    QTreeWidget *m_outline;
    QPushButton *m_add;
    QToolButton *m_edit;
    QToolButton *m_delete;
    ExtensionDetailDialog *m_dialog;
};

} // namespace tavolin
