#pragma once

#include "palette/PaletteTestSupport.h"
#include "support/IsolatedHome.h"

#include "common/SettingsDomain.h"
#include "common/Dispatcher.h"
#include "palette/DataSource.h"
#include "palette/TavolinDataProvider.h"
#include "palette/ThemeManager.h"
#include "ui/panel/ListView.h"
#include "ui/panel/ItemView.h"
#include "ui/panel/PanelView.h"
#include "ui/panel/PanelWindowController.h"
#include "ui/panel/ThemeColors.h"

#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace tavolin::test {

// A panel over its own settings file, theme manager and data source, with a command provider that
// shows a small menu: File (New, Save, Export ▶ PDF), Edit (Undo, Copy), and a Themes level whose rows
// apply a theme while selected, as the options do.
class PanelFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        themecolors::setDesktopDarkForTesting(false);
        m_settings = std::make_unique<SettingsDomain>();
        m_themes = std::make_unique<ThemeManager>(*m_settings);
        m_source.setProviderFactory(PanelMode::CommandPalette, [this]() -> DataProvider & { return m_menus; });
        m_source.setProviderFactory(PanelMode::SelfOptions, [this]() -> DataProvider & { return m_options; });
        m_source.setProviderFactory(PanelMode::QuickOpen, [this]() -> DataProvider & { return m_files; });
        setMenuRows();
        m_controller = std::make_unique<PanelWindowController>(m_source, *m_settings, *m_themes);
    }

    void TearDown() override
    {
        m_controller.reset();
        themecolors::setDesktopDarkForTesting(std::nullopt);
    }

    void setMenuRows()
    {
        m_file = makeRow(u"File"_qs, {}, -1, true);
        m_new = makeRow(u"New"_qs, {u"File"_qs});
        m_new->setShortcut(KeyData(u"N"_qs, 0, 0));
        m_save = makeRow(u"Save"_qs, {u"File"_qs});
        m_export = makeRow(u"Export"_qs, {u"File"_qs}, -1, true);
        m_pdf = makeRow(u"PDF"_qs, {u"File"_qs, u"Export"_qs});
        m_edit = makeRow(u"Edit"_qs, {}, -1, true);
        m_undo = makeRow(u"Undo"_qs, {u"Edit"_qs});
        m_copy = makeRow(u"Copy"_qs, {u"Edit"_qs});
        m_copy->setShortcut(KeyData(u"C"_qs, 0, 0));
        for (const MenuItemDataPtr &row : {m_new, m_save, m_pdf, m_undo, m_copy}) {
            row->setAction([this](RowData &self) {
                m_performed.append(self.title());
                return true;
            });
        }
        m_menus.allRows = {m_file, m_new, m_save, m_export, m_pdf, m_edit, m_undo, m_copy};
        m_menus.keyMaps.insert(m_new->shortcut()->toString(), m_new);
        m_menus.keyMaps.insert(m_copy->shortcut()->toString(), m_copy);
        m_menus.updateFilter(nullptr);

        m_themesRow = makeRow(u"Themes"_qs, {}, -1, true);
        m_themesRow->setApplyOnHover(true);
        QList<MenuItemDataPtr> options{m_themesRow};
        for (const ThemeManager::ThemePtr &theme : m_themes->allThemes()) {
            auto row = makeRow(theme->name, {u"Themes"_qs});
            row->setIsChecked(theme->name == m_themes->currentTheme()->name);
            ThemeManager *themes = m_themes.get();
            row->setAction([themes](RowData &self) {
                themes->apply(themes->themeNamed(self.title()));
                return true;
            });
            options.append(row);
        }
        m_options.allRows = options;
        m_options.updateFilter(nullptr);
    }

    // Shows the panel with the rows of the mode listed and the first row selected.
    void openPanel()
    {
        m_controller->showPanel();
        m_controller->onSearch(QString(), true, std::nullopt);
    }

    PanelView &panel() { return *m_controller->panel(); }
    ListView &list() { return *m_controller->list(); }
    QLineEdit &input() { return *panel().input(); }
    void key(Qt::Key key, Qt::KeyboardModifiers modifiers = {}) { QTest::keyClick(&input(), key, modifiers); }
    void type(const QString &text) { QTest::keyClicks(&input(), text); }
    QString selectedTitle()
    {
        const RowDataPtr row = m_source.provider()->dataOnRow(list().selectedRow());
        return row ? row->title() : QString();
    }

    test::ScopedMenuRules m_noRules;
    IsolatedHome m_home;
    std::unique_ptr<SettingsDomain> m_settings;
    std::unique_ptr<ThemeManager> m_themes;
    DataSource m_source;
    QtDispatcher m_dispatcher; // the panel's own event loop, as in the program
    TavolinDataProvider m_menus{m_dispatcher};
    TavolinDataProvider m_options{m_dispatcher};
    TavolinDataProvider m_files{m_dispatcher};
    std::unique_ptr<PanelWindowController> m_controller;
    MenuItemDataPtr m_file, m_new, m_save, m_export, m_pdf, m_edit, m_undo, m_copy, m_themesRow;
    QStringList m_performed;
};

// A file row as quick open lists it.
class FileRow final : public MenuItemData
{
public:
    FileRow(const QString &title, QString path, QString group)
        : MenuItemData(title, QStringList(), false, std::nullopt, QString()), filePath(std::move(path)),
          group(std::move(group))
    {
    }
    QString filePath;
    QString group;
};

// The panel with the file rows above drawn as quick open draws them (a generic text icon).
class FilePanelFixture : public PanelFixture
{
protected:
    void SetUp() override
    {
        PanelFixture::SetUp();
        setFileRowReader([](const RowData &row) -> std::optional<FileRowFields> {
            const auto *file = dynamic_cast<const FileRow *>(&row);
            if (!file)
                return std::nullopt;
            return FileRowFields{file->title(), file->filePath, u"text-x-generic"_qs, file->group};
        });
    }
    void TearDown() override
    {
        setFileRowReader({});
        PanelFixture::TearDown();
    }

    // Shows `rows` in quick open with an empty search.
    void showFiles(const QList<MenuItemDataPtr> &rows)
    {
        m_files.allRows = rows;
        m_files.updateFilter(nullptr);
        m_controller->switchMode(PanelMode::QuickOpen);
        openPanel();
    }
};

} // namespace tavolin::test
