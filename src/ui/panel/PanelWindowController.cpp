#include "ui/panel/PanelWindowController.h"

#include "common/Log.h"
#include "common/SettingsDomain.h"
#include "common/SettingsReads.h"
#include "palette/MenuItemData.h"
#include "ui/panel/ClickableLabel.h"
#include "ui/panel/InputBackgroundController.h"
#include "ui/panel/KeyEventText.h"
#include "ui/panel/ListView.h"
#include "ui/panel/PanelView.h"
#include "ui/panel/ThemeColors.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>

#include <cstdio>

namespace tavolin {
namespace {

const QString kLevelMark = QStringLiteral(" ▶ ");

// Combinations the text field keeps even when a row has the same shortcut.
bool isEditingShortcut(const QString &text)
{
    static const QStringList kEditing = {QStringLiteral("⌘Z"), QStringLiteral("⌘X"), QStringLiteral("⌘C"),
                                         QStringLiteral("⌘V"), QStringLiteral("⌘A"), QStringLiteral("⇧⌘Z"),
                                         QStringLiteral("⌘Y"), QStringLiteral("⌘⌫")};
    return kEditing.contains(text);
}

} // namespace

PanelWindowController::PanelWindowController(DataSource &source, SettingsDomain &settings, ThemeManager &themes,
                                             QObject *parent)
    : QObject(parent), m_source(source), m_settings(settings), m_themes(themes),
      m_window(std::make_unique<PanelWindow>(*this))
{
    m_panel = new PanelView(source, settings, m_window.get());
    m_list = new ListView(source, settings, m_window.get());
    m_inputBorder = new QFrame(m_window.get());
    m_inputBorder->setAutoFillBackground(true);
    m_inputBorder->hide();
    m_panel->setDelegate(this);
    m_panel->setList(m_list);
    m_list->setPanelDelegate(this);
    connect(m_list, &ListView::reloaded, this, &PanelWindowController::fitContentHeight);
    connect(m_list, &ListView::selectedRowChanged, this, &PanelWindowController::onSelectionChanged);
    connect(&m_themes, &ThemeManager::themeChanged, this, &PanelWindowController::onChangeTheme);
    m_source.setExitPanel([this] { onExitPanel(); });

    applyTheme(false);
    m_inDarkMode = themecolors::desktopIsDark();
    if (!m_panel->inputBackgroundController()->shouldShowOptionIcon())
        m_panel->inputBackgroundController()->setIconAlpha(0.0);
}

PanelWindowController::~PanelWindowController()
{
    m_source.setExitPanel({});
}

bool PanelWindowController::isVisible() const
{
    return m_window->isVisible();
}

void PanelWindowController::close()
{
    onExitPanel();
}

void PanelWindowController::selectRow(qsizetype row)
{
    m_list->selectRow(row);
    m_list->scrollRowToVisible(row);
}

void PanelWindowController::refreshApp(const AXAppPtr &app)
{
    m_panel->input()->setText(QString()); // not clear(): that is an undoable edit
    m_panel->hideHint();
    m_list->reloadData();
    selectRow(0);
    if (app && !settings::hideAppIcon(m_settings) && !app->icon().isEmpty())
        m_panel->setIcon(app->icon());
    else
        m_panel->setIcon(std::nullopt);
}

void PanelWindowController::setAppIcon(const std::optional<QString> &icon)
{
    m_panel->setIcon(settings::hideAppIcon(m_settings) ? std::nullopt : icon);
}

namespace {

constexpr std::chrono::milliseconds kWaylandMapWait{150};

} // namespace

void PanelWindowController::showPanel()
{
    // A Wayland compositor centres a floating window at the size it first shows with, and keeps its top
    // when it resizes: show it as tall as the row limit allows, so the panel's top sits where a full panel
    // is centred, as on X11, then fit the rows it has.
    const bool wayland = QGuiApplication::platformName() == QLatin1String("wayland");
    if (wayland && !m_window->isVisible()) {
        m_window->resize(m_placement.width(), listHeight(m_source.visibleRowLimit(m_source.mode(), m_settings)));
        // Once the compositor had time to map it: a shrink that arrives before sway maps the window makes it
        // centre the smaller size. A late fit only costs a taller panel for a moment.
        QTimer::singleShot(kWaylandMapWait, this, [this] { place(m_placement); });
    }
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
    m_panel->input()->setFocus();
    if (DataProvider *current = provider())
        m_panel->setPlaceholder(current->inputHint());
    onShowPanel();
}

void PanelWindowController::onShowPanel()
{
    // An update found or "hideOptionIcon" changed while the panel was hidden shows at this opening.
    showOptionMark();
    const bool dark = themecolors::desktopIsDark();
    if (dark != m_inDarkMode) {
        log::debug(QStringLiteral("reload themes"));
        m_inDarkMode = dark;
        onChangeTheme();
    }
    if (m_hooks.accessibilityTrusted && !m_hooks.accessibilityTrusted()) {
        std::fputs("AXIsProcessTrusted = NO\n", stdout);
        std::fflush(stdout);
    }
}

void PanelWindowController::updateUI()
{
    DataProvider *current = provider();
    if (!current)
        return;
    m_panel->setPlaceholder(current->inputHint()); // it may tell that the application does not answer
    const qsizetype remembered = m_list->selectedRow();
    if (!current->search(m_panel->input()->text(), m_list, true))
        m_list->reloadData();
    const qsizetype count = m_list->rowCount();
    // A list that became shorter keeps the last row selected.
    const qsizetype row = remembered < 0 ? 0 : qMin(remembered, count - 1);
    m_list->selectRow(row);
    m_list->viewport()->update();
}

std::optional<QRect> PanelWindowController::windowFrame() const
{
    return m_placement;
}

std::optional<QRect> PanelWindowController::windowScreenFrame() const
{
    const QScreen *screen = m_window->screen();
    return screen ? std::optional<QRect>(screen->geometry()) : std::nullopt;
}

std::optional<QRect> PanelWindowController::mainScreenFrame() const
{
    if (m_hooks.mainScreenFrame) {
        if (std::optional<QRect> frame = m_hooks.mainScreenFrame())
            return frame;
    }
    const QScreen *screen = QGuiApplication::screenAt(QCursor::pos());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? std::optional<QRect>(screen->geometry()) : std::nullopt;
}

void PanelWindowController::moveWindow(const QPoint &origin)
{
    m_placement.moveTopLeft(origin);
    m_window->move(origin);
}

int PanelWindowController::listHeight(int rows) const
{
    return ListView::calcHeight(rows, *m_themes.currentTheme(), m_source.mode());
}

void PanelWindowController::expandRow(const RowDataPtr &row)
{
    onExpand(row);
}

void PanelWindowController::exitPanel()
{
    onExitPanel();
}

void PanelWindowController::onSearch(const QString &text, bool force, std::optional<qsizetype> selectedRow)
{
    DataProvider *current = provider();
    if (!current)
        return;
    if (!current->search(text, m_list, force)) {
        m_list->scrollRowToVisible(m_list->selectedRow());
        return;
    }
    const std::optional<qsizetype> row = selectedRow ? selectedRow : current->firstSelectedItem();
    if (row)
        selectRow(*row);
    else
        m_list->selectRow(-1);
    m_panel->renderHint(current->findMenuMatch(text));
}

void PanelWindowController::registerUndoGroup(QList<UndoAction> group)
{
    if (m_undoing)
        return; // undoing registers no redo
    m_undoGroups.append(std::move(group));
    // The field's own history belongs to the level it was typed in: undo reaches this step first.
    m_panel->input()->clearUndoHistory();
}

bool PanelWindowController::undoLastMove()
{
    if (m_undoGroups.isEmpty())
        return false;
    const QList<UndoAction> group = m_undoGroups.takeLast();
    m_undoing = true;
    for (auto it = group.rbegin(); it != group.rend(); ++it)
        (*it)();
    m_undoing = false;
    return true;
}

void PanelWindowController::onExpand(const RowDataPtr &item)
{
    if (!item)
        return;
    const QString text = m_panel->input()->text();
    registerUndoGroup({[this] { doUnfilter(false); },
                       [this, text] {
                           m_panel->input()->setText(text);
                           m_panel->hideHint();
                       }});
    m_panel->input()->setText(QString()); // not clear(): that is an undoable edit
    m_panel->hideHint();
    if (item->title().isEmpty()) {
        setMenuLabel(QString());
        return;
    }
    DataProvider *current = provider();
    if (!current)
        return;
    current->filter(item);
    setMenuLabel(item->title() + kLevelMark);
    m_panel->setPlaceholder(current->inputHint());
    onSearch(QString(), true, std::nullopt);
}

void PanelWindowController::doUnfilter(bool all)
{
    m_indexBeforeHover = m_indexAppliedOnHover = -1;
    m_panel->setPlaceholder(QString());
    DataProvider *current = provider();
    if (!current)
        return;
    if (!all) {
        if (const RowDataPtr parent = current->filteredParent())
            registerUndoGroup({[this, parent] { onExpand(parent); }});
        current->unfilter();
    } else {
        m_panel->input()->setText(QString()); // not clear(): that is an undoable edit
        m_panel->hideHint();
        m_undoGroups.clear();
        current->clearfilter();
    }
    if (const RowDataPtr parent = current->filteredParent())
        setMenuLabel(parent->title() + kLevelMark);
    else
        setMenuLabel(m_source.mode() == PanelMode::SelfOptions ? QStringLiteral("Tavolin") + kLevelMark : QString());

    const QString text = m_panel->input()->text();
    if (text.trimmed().isEmpty())
        m_list->reloadData();
    else
        onSearch(text, true, 0);
    m_panel->setPlaceholder(current->inputHint());
}

void PanelWindowController::onCancelOrExitPanel()
{
    if (m_indexBeforeHover >= 0 && m_indexAppliedOnHover >= 0) {
        selectRow(m_indexBeforeHover); // re-applies the row that was in effect
        m_indexAppliedOnHover = -1;
        return;
    }
    onExitPanel();
}

void PanelWindowController::onExitPanel()
{
    if (m_exiting)
        return; // hiding the window resigns key, which closes again
    m_exiting = true;
    if (m_window->isVisible()) {
        m_window->hide();
        if (m_hooks.hideApplication)
            m_hooks.hideApplication();
    }
    switchMode(PanelMode::CommandPalette);
    showOptionMark();
    doUnfilter(true);
    if (m_hooks.setOptionHaveBack)
        m_hooks.setOptionHaveBack(true);
    m_exiting = false;
}

void PanelWindowController::showOptionMark()
{
    if (m_source.mode() >= PanelMode::SelfOptions)
        return;
    const bool offerUpdate = m_hooks.hasUpdate && m_hooks.hasUpdate() && m_hooks.askNow && m_hooks.askNow();
    m_panel->setStackImage(offerUpdate ? QStringLiteral("update") : QStringLiteral("gear"));
    InputBackgroundController *background = m_panel->inputBackgroundController();
    background->setIconAlpha(background->shouldShowOptionIcon() ? 1.0 : 0.0);
}

void PanelWindowController::windowResignedKey()
{
    if (m_window->isVisible())
        onExitPanel();
}

bool PanelWindowController::bypassKeyEvent(const QKeyEvent &event)
{
    const QString text = shortcutTextForEvent(event);
    if (text.isEmpty() || isEditingShortcut(text))
        return false;
    DataProvider *current = provider();
    const RowDataPtr row = current ? current->itemForShortcut(text) : nullptr;
    if (!row)
        return false;
    if (row->expands()) {
        onExpand(row);
        return true;
    }
    onExitPanel();
    return row->apply();
}

void PanelWindowController::performSelectedRow()
{
    DataProvider *current = provider();
    const RowDataPtr row = current ? current->dataOnRow(m_list->selectedRow()) : nullptr;
    if (!row) {
        onExitPanel();
        return;
    }
    if (row->expands()) {
        onExpand(row);
        return;
    }
    onExitPanel();
    row->apply();
}

void PanelWindowController::selectNext(bool up, int step)
{
    const qsizetype rows = m_list->rowCount();
    if (rows == 0)
        return;
    qsizetype target = m_list->selectedRow() + (up ? -step : step);
    if (target < 0)
        target = rows - 1;
    else if (target >= rows)
        target = 0;
    m_list->selectRow(target);

    // Turn a page at a time: the row moved into view lands at the edge it came in from.
    const int rowHeight = m_list->rowHeight();
    const int top = static_cast<int>(target) * rowHeight;
    const int bottom = top + rowHeight;
    const int visibleTop = m_list->visibleTop();
    const int visibleHeight = m_list->viewport()->height();
    if (!up && bottom > visibleTop + visibleHeight + 4)
        m_list->setVisibleTop(top);
    else if (up && top < visibleTop - 4)
        m_list->setVisibleTop(bottom - visibleHeight - 2);
    else
        m_list->scrollRowToVisible(target);
}

void PanelWindowController::onSelectionChanged(qsizetype selected)
{
    DataProvider *current = provider();
    if (!current || selected < 0)
        return;
    const RowDataPtr row = current->dataOnRow(selected);
    const RowDataPtr parent = current->filteredParent();
    if (!row || !parent || !parent->applyOnHover())
        return;
    row->apply();
    m_indexAppliedOnHover = static_cast<int>(selected);
    if (m_indexBeforeHover != -1)
        return;
    const qsizetype count = current->numberOfRows();
    for (qsizetype i = 0; i < count; ++i) {
        const auto menuRow = std::dynamic_pointer_cast<MenuItemData>(current->dataOnRow(i));
        if (menuRow && menuRow->isChecked()) {
            m_indexBeforeHover = static_cast<int>(i);
            break;
        }
    }
}

void PanelWindowController::toggleMode()
{
    if (m_panel->stackImage() == QLatin1String("update") && m_hooks.hasUpdate && m_hooks.hasUpdate() && m_hooks.askNow
        && m_hooks.askNow()) {
        if (m_hooks.startUpdateCheck)
            m_hooks.startUpdateCheck();
        m_panel->setStackImage(QStringLiteral("gear"));
        return;
    }
    const PanelMode next =
        m_source.mode() == PanelMode::CommandPalette ? PanelMode::SelfOptions : PanelMode::CommandPalette;
    registerUndoGroup({[this] { toggleMode(); }});
    switchMode(next);
}

void PanelWindowController::switchMode(PanelMode next)
{
    m_indexBeforeHover = m_indexAppliedOnHover = -1;
    if (next == m_source.mode())
        return;
    m_source.setMode(next);
    DataProvider *current = provider();
    setAppIcon(current ? current->appIcon() : std::nullopt);
    applyThemeOnLayouts(*m_themes.currentTheme(), false);
    if (current)
        current->resetStatus();
    m_list->reloadData();
    m_list->viewport()->update();
    selectRow(0);
    refreshStackIcon();
    m_panel->setPlaceholder(current ? current->inputHint() : QString());
}

void PanelWindowController::refreshStackIcon()
{
    InputBackgroundController *background = m_panel->inputBackgroundController();
    if (m_source.mode() < PanelMode::SelfOptions) {
        setMenuLabel(QString());
        const bool update = m_hooks.hasUpdate && m_hooks.hasUpdate();
        m_panel->setStackImage(update ? QStringLiteral("update") : QStringLiteral("gear"));
        if (!background->shouldShowOptionIcon())
            background->setIconAlpha(0.0);
    } else {
        setMenuLabel(QStringLiteral("Tavolin") + kLevelMark);
        const bool back = m_hooks.optionHaveBack && m_hooks.optionHaveBack();
        m_panel->setStackImage(back ? QStringLiteral("back") : QString());
        background->setIconAlpha(1.0);
    }
}

void PanelWindowController::setMenuLabel(const QString &text)
{
    m_panel->menuLabel()->setText(text);
    m_panel->layoutRow();
}

} // namespace tavolin
