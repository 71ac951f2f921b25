#include "ui/shell/QuickOpenShell.h"

#include "files/FileDataProvider.h"
#include "files/FileItemData.h"
#include "palette/DataSource.h"
#include "palette/PanelPort.h"
#include "ui/panel/ItemView.h"
#include "ui/panel/ListView.h"
#include "ui/panel/PanelWindowController.h"

namespace tavolin {
namespace {

// The panel as quick open sees it: the panel window controller, except that showing it first moves it to
// the middle of the main screen when it sits on another one (the command palette does the same).
class QuickOpenPanelPort final : public PanelPort
{
public:
    QuickOpenPanelPort(PanelWindowController &panel, DataSource &source, SettingsDomain &settings)
        : m_panel(panel), m_source(source), m_settings(settings) {}

    bool isVisible() const override { return m_panel.isVisible(); }
    void close() override { m_panel.close(); }
    void selectRow(qsizetype row) override { m_panel.selectRow(row); }
    void refreshApp(const AXAppPtr &app) override { m_panel.refreshApp(app); }
    void setAppIcon(const std::optional<QString> &icon) override { m_panel.setAppIcon(icon); }
    void showPanel() override
    {
        const std::optional<QRect> frame = m_panel.windowFrame();
        const std::optional<QRect> mainScreen = m_panel.mainScreenFrame();
        if (frame && mainScreen && m_panel.windowScreenFrame() != mainScreen) {
            const int height = m_panel.listHeight(DataSource::visibleRowLimit(m_source.mode(), m_settings));
            m_panel.moveWindow(QPoint(mainScreen->x() + (mainScreen->width() - frame->width()) / 2,
                                      mainScreen->y() + (mainScreen->height() - height) / 2));
        }
        m_panel.showPanel();
    }
    void updateUI() override { m_panel.updateUI(); }
    std::optional<QRect> windowFrame() const override { return m_panel.windowFrame(); }
    std::optional<QRect> windowScreenFrame() const override { return m_panel.windowScreenFrame(); }
    std::optional<QRect> mainScreenFrame() const override { return m_panel.mainScreenFrame(); }
    void moveWindow(const QPoint &origin) override { m_panel.moveWindow(origin); }
    int listHeight(int rows) const override { return m_panel.listHeight(rows); }
    void switchMode(PanelMode mode) override { m_panel.switchMode(mode); }
    void expandRow(const RowDataPtr &row) override { m_panel.expandRow(row); }
    void exitPanel() override { m_panel.exitPanel(); }

private:
    PanelWindowController &m_panel;
    DataSource &m_source;
    SettingsDomain &m_settings;
};

std::optional<FileRowFields> readFileItem(const RowData &row)
{
    const auto *file = dynamic_cast<const FileItemData *>(&row);
    if (!file)
        return std::nullopt;
    FileRowFields fields;
    fields.title = file->title();
    if (file->url() && file->url()->isLocalFile())
        fields.filePath = file->url()->toLocalFile();
    fields.iconName = file->icon().value_or(QString());
    fields.group = file->group();
    return fields;
}

} // namespace

QuickOpenShell::QuickOpenShell(Deps deps)
    : m_deps(std::move(deps)), m_dataSource(m_deps.dataSource)
{
    FileDataProvider *provider = m_deps.provider.get();
    m_dataSource.setProviderFactory(PanelMode::QuickOpen, [provider]() -> DataProvider & { return *provider; });
    setFileRowReader(&readFileItem);
    QPointer<ListView> list = m_deps.panel.list();
    provider->setFirstVisibleRowSource([list]() -> qsizetype { return list ? list->firstVisibleRow() : 0; });
    m_panelPort = std::make_unique<QuickOpenPanelPort>(m_deps.panel, m_dataSource, m_deps.settings);

    QuickOpenPorts ports;
    ports.settings = &m_deps.settings;
    ports.binder = &m_deps.binder;
    ports.panel = m_panelPort.get();
    ports.shell = &m_deps.shell;
    ports.keyPoster = &m_deps.keyPoster;
    ports.provider = provider;
    ports.dispatcher = &m_deps.dispatcher;
    ports.elements = m_deps.elements;
    ports.hooks = m_deps.hooks;
    ports.hooks.triggeredByForce = [forced = m_forced] { return forced->load(); };
    ports.reloadList = [this] { reloadList(); };
    ports.setTriggeredByForce = [this](bool forced) {
        m_forced->store(forced);
        if (m_deps.beforeShow)
            m_deps.beforeShow();
    };
    m_quickOpen = std::make_unique<QuickOpen>(std::move(ports));
}

QuickOpenShell::~QuickOpenShell()
{
    m_quickOpen.reset(); // unbinds the hot key and leaves the provider's watcher
    m_deps.provider->setFirstVisibleRowSource({});
    setFileRowReader({});
    m_dataSource.setProviderFactory(PanelMode::QuickOpen, {});
}

void QuickOpenShell::reloadList()
{
    ListView *list = m_deps.panel.list();
    // Rows only count in quick-open mode; a late delivery after the panel switched back must not reload
    // the command rows under the user's selection.
    if (m_dataSource.mode() != PanelMode::QuickOpen)
        return;
    list->reloadData();
    // A show empties the list before the files arrive, so the first delivery has nothing selected yet.
    if (list->selectedRow() < 0 && list->rowCount() > 0)
        m_deps.panel.selectRow(0);
}

} // namespace tavolin
