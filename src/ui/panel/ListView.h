#pragma once

#include "palette/DataProvider.h"
#include "palette/DataSource.h"
#include "palette/ThemeManager.h"
#include "ui/panel/StepScrollView.h"

#include <QAbstractListModel>
#include <QListView>

namespace tavolin {

class PanelDelegate;
class SettingsDomain;

// The list's model: as many rows as the current provider had at the last reload. The rows themselves are
// read from the provider when painted. Main thread.
class PanelListModel final : public QAbstractListModel
{
    Q_OBJECT
public:
    explicit PanelListModel(DataSource &source, QObject *parent = nullptr);
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    // DisplayRole: the row's title (for accessibility and tests). AccessibleDescriptionRole: what follows
    // the title for a screen reader (accessibleRowDescription): the group, then the path and shortcut.
    QVariant data(const QModelIndex &index, int role) const override;
    void reset();

private:
    DataSource &m_source;
    int m_rows = 0;
};

// The result list: the current provider's rows painted from the theme (ItemRowView under ItemView, or
// CompactItemView in quick open), one row height for every row. It is the provider's ResultTable: a reload
// re-reads the row count and asks the window to fit (reloaded()). A click performs the row; moving the
// pointer selects the row under it, except inside a submenu that previews on hover. Wheel movement in quick
// open moves by whole rows (StepScrollView).
//
// Main thread. The data source, settings and delegate must outlive the list.
class ListView final : public QListView, public ResultTable
{
    Q_OBJECT
public:
    ListView(DataSource &source, SettingsDomain &settings, QWidget *parent = nullptr);
    ~ListView() override;

    void setPanelDelegate(PanelDelegate *delegate) { m_delegate = delegate; }
    void setTheme(ThemeManager::ThemePtr theme, bool dark);
    const Theme &theme() const { return *m_theme; }
    bool isDark() const { return m_dark; }
    PanelMode mode() const { return m_source.mode(); }
    int rowHeight() const;

    // List height for `rows` rows (the window's full height at that count): rows × row height + input
    // height + (3 when rows ≥ 1, else 2) × border, with the mode's input height and border.
    static int calcHeight(int rows, const Theme &theme, PanelMode mode);

    void reloadData() override;
    qsizetype rowCount() const;
    // -1 when nothing is selected.
    qsizetype selectedRow() const;
    // Selects `row` (-1 clears) without scrolling.
    void selectRow(qsizetype row);
    void scrollRowToVisible(qsizetype row);
    // Top of the visible part, in list coordinates, and its height.
    int visibleTop() const;
    void setVisibleTop(int y);
    int firstVisibleRow() const;
    // The index of the first visible row.
    int visibleOffset() const { return m_visibleOffset; }


Q_SIGNALS:
    void reloaded();
    void selectedRowChanged(qsizetype row);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;

private:
    void onScrollPositionChanged();

    DataSource &m_source;
    SettingsDomain &m_settings;
    PanelListModel m_model;
    PanelDelegate *m_delegate = nullptr;
    ThemeManager::ThemePtr m_theme;
    bool m_dark = false;
    int m_visibleOffset = 0;
    StepScrollView m_step;
};

} // namespace tavolin
