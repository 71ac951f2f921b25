#pragma once

#include "palette/DataSource.h"
#include "palette/PanelPort.h"
#include "palette/ThemeManager.h"
#include "ui/panel/PanelDelegate.h"

#include <QFrame>
#include <QObject>
#include <QWidget>

#include <functional>
#include <memory>

namespace tavolin {

class ListView;
class PanelView;
class PanelWindowController;
class SettingsDomain;

// What the panel asks of the program around it; every hook may be left empty (then: no update, no back
// button state, nothing to hide, trusted).
struct PanelHooks
{
    std::function<bool()> hasUpdate;        // an update was found
    std::function<bool()> askNow;           // the options button may offer it
    std::function<void()> startUpdateCheck; // interactive check; clears askNow
    std::function<bool()> optionHaveBack;   // the option provider's back flag
    std::function<void(bool)> setOptionHaveBack;
    std::function<void()> hideApplication;  // give the focus back to the previous application
    std::function<bool()> accessibilityTrusted;
    std::function<std::optional<QRect>()> mainScreenFrame; // the screen of the focused window
};

// The panel's top-level window: frameless, always on top, no taskbar entry. Paints the window background
// (the theme's colour, or a translucent fill) with a hairline edge over its views, and reports losing the
// focus.
class PanelWindow final : public QWidget
{
    Q_OBJECT
public:
    explicit PanelWindow(PanelWindowController &controller);
    void setBackground(std::optional<QColor> color, bool dark);
    // Puts the edge back above the views (they are created after the window).
    void raiseOutline();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    PanelWindowController &m_controller;
    class WindowOutline *m_outline = nullptr;
    std::optional<QColor> m_background;
    bool m_dark = false;
};

// Drives the floating panel: its look under the current theme, its size (one row height per row, up to the
// visible row limit), the reaction to typing, keys and the mouse, entering and leaving submenus with undo,
// hover previews, the three modes, and closing. It is the palette controller's PanelPort and the input
// row's and list's PanelDelegate.
//
// Main thread. Owns the window and its views. The data source, settings and theme manager must outlive it.
class PanelWindowController final : public QObject, public PanelPort, public PanelDelegate
{
    Q_OBJECT
public:
    static constexpr int kPanelWidth = 480;
    static constexpr int kCompactPanelWidth = 600;
    static constexpr int kInputFont = 22;
    static constexpr int kCompactInputFont = 13;
    static constexpr int kIconSize = 32;
    static constexpr int kCompactIconSize = 20;

    PanelWindowController(DataSource &source, SettingsDomain &settings, ThemeManager &themes,
                          QObject *parent = nullptr);
    ~PanelWindowController() override;

    void setHooks(PanelHooks hooks) { m_hooks = std::move(hooks); }

    PanelWindow *window() const { return m_window.get(); }
    PanelView *panel() const { return m_panel; }
    ListView *list() const { return m_list; }
    int inputMargin() const { return m_inputMargin; }
    bool hasUndo() const { return !m_undoGroups.isEmpty(); }

    // PanelPort
    bool isVisible() const override;
    void close() override;
    void selectRow(qsizetype row) override;
    void refreshApp(const AXAppPtr &app) override;
    void setAppIcon(const std::optional<QString> &icon) override;
    void showPanel() override;
    void updateUI() override;
    std::optional<QRect> windowFrame() const override;
    std::optional<QRect> windowScreenFrame() const override;
    std::optional<QRect> mainScreenFrame() const override;
    void moveWindow(const QPoint &origin) override;
    int listHeight(int rows) const override;
    void switchMode(PanelMode mode) override;
    void expandRow(const RowDataPtr &row) override;
    void exitPanel() override;

    // PanelDelegate
    void onSearch(const QString &text, bool force, std::optional<qsizetype> selectedRow) override;
    void onExpand(const RowDataPtr &item) override;
    void doUnfilter(bool all) override;
    void onCancelOrExitPanel() override;
    void onExitPanel() override;
    bool bypassKeyEvent(const QKeyEvent &event) override;
    void performSelectedRow() override;
    void selectNext(bool up, int step) override;
    void toggleMode() override;
    bool undoLastMove() override;

    // After the window was ordered front: follows a change of the desktop's darkness.
    void onShowPanel();
    // Theme application and sizing.
    ThemeManager::ThemePtr applyTheme(bool useCurrentHeight);
    void applyThemeOnLayouts(const Theme &theme, bool useCurrentHeight);
    void onChangeTheme();
    void fitContentHeight();
    void fitWindow(int rows);
    void layoutContents();
    void windowResignedKey();

private:
    using UndoAction = std::function<void()>;
    // Actions of one undo step, run last-registered first.
    void registerUndoGroup(QList<UndoAction> group);
    void onSelectionChanged(qsizetype row);
    void setMenuLabel(const QString &text);
    void refreshStackIcon();
    // The gear or update mark and whether it shows, as the settings and the update check say now.
    void showOptionMark();
    int border() const;
    int inputHeight() const;
    int panelWidth() const;
    void applyThemeOnTable(const Theme &theme, bool dark);
    void applyThemeOnInput(const Theme &theme, bool dark);
    DataProvider *provider() const { return m_source.provider(); }
    void place(const QRect &frame);

    DataSource &m_source;
    SettingsDomain &m_settings;
    ThemeManager &m_themes;
    PanelHooks m_hooks;
    std::unique_ptr<PanelWindow> m_window;
    PanelView *m_panel;
    ListView *m_list;
    QFrame *m_inputBorder;
    int m_indexBeforeHover = -1;
    int m_indexAppliedOnHover = -1;
    bool m_inDarkMode = false;
    int m_inputMargin = 0;
    bool m_showInputBorder = false;
    // Kept here rather than read back from the window: while a window manager takes a newly mapped panel
    // into its frame, the window briefly reports the frame's position before placement (the screen's
    // corner), and a resize then would pin the panel there.
    QRect m_placement;
    QList<QList<UndoAction>> m_undoGroups;
    bool m_undoing = false;
    bool m_exiting = false;
};

} // namespace tavolin
