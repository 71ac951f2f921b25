#include "ui/panel/ListView.h"

#include "common/SettingsDomain.h"
#include "common/SettingsReads.h"
#include "ui/panel/CompactItemView.h"
#include "ui/panel/ItemRowView.h"
#include "ui/panel/ItemView.h"
#include "ui/panel/PanelDelegate.h"
#include "ui/panel/RowTexts.h"

#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QWheelEvent>

#include <algorithm>
#include <limits>

namespace tavolin {
namespace {

// Paints each row from the theme; the row views hold no widgets, so a long list costs nothing to build.
class RowPainter final : public QStyledItemDelegate
{
public:
    RowPainter(ListView &list, DataSource &source, SettingsDomain &settings)
        : QStyledItemDelegate(&list), m_list(list), m_source(source), m_settings(settings) {}

    QSize sizeHint(const QStyleOptionViewItem &, const QModelIndex &) const override
    {
        return QSize(1, m_list.rowHeight());
    }

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        DataProvider *provider = m_source.provider();
        const RowDataPtr row = provider ? provider->dataOnRow(index.row()) : nullptr;
        if (!row)
            return;
        const bool selected = option.state & QStyle::State_Selected;
        const Theme &theme = m_list.theme();
        const bool dark = m_list.isDark();
        ItemRowView::paint(*painter, option.rect, selected, theme, dark);

        const std::optional<FileRowFields> file = readFileRow(*row);
        if (m_source.mode() == PanelMode::QuickOpen && file) {
            CompactItemView cell;
            cell.render(*file, provider->isFirstInGroup(index.row()), index.row());
            cell.updateScrollOffset(m_list.visibleOffset());
            cell.setBackgroundStyle(selected, theme, dark);
            cell.paint(*painter, option.rect);
            return;
        }
        ItemView cell;
        if (file) {
            cell.render(*file, provider->isFirstInGroup(index.row()));
        } else if (const auto *item = dynamic_cast<const MenuItemData *>(row.get())) {
            cell.render(*item, index.row() == 0 && item->historyIndex() >= 0, settings::showMenuState(m_settings));
        } else {
            cell.title = row->title();
        }
        cell.setBackgroundStyle(selected, theme, dark);
        cell.paint(*painter, option.rect);
    }

private:
    ListView &m_list;
    DataSource &m_source;
    SettingsDomain &m_settings;
};

} // namespace

PanelListModel::PanelListModel(DataSource &source, QObject *parent) : QAbstractListModel(parent), m_source(source) {}

int PanelListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

QVariant PanelListModel::data(const QModelIndex &index, int role) const
{
    if ((role != Qt::DisplayRole && role != Qt::AccessibleDescriptionRole) || !index.isValid()
        || index.row() >= m_rows)
        return QVariant();
    DataProvider *provider = m_source.provider();
    const RowDataPtr row = provider ? provider->dataOnRow(index.row()) : nullptr;
    if (!row)
        return QVariant();
    if (role == Qt::DisplayRole)
        return row->title();
    // The group label is painted only over a group's first row; a screen reader hears it on every row.
    const auto *item = dynamic_cast<const MenuItemData *>(row.get());
    const QString description = accessibleRowDescription(*row, item && item->historyIndex() >= 0);
    return description.isEmpty() ? QVariant() : QVariant(description);
}

void PanelListModel::reset()
{
    beginResetModel();
    m_rows = static_cast<int>(std::clamp<qsizetype>(m_source.numberOfRows(), 0, std::numeric_limits<int>::max()));
    endResetModel();
}

ListView::ListView(DataSource &source, SettingsDomain &settings, QWidget *parent)
    : QListView(parent), m_source(source), m_settings(settings), m_model(source)
{
    setModel(&m_model);
    setItemDelegate(new RowPainter(*this, source, settings));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::NoFocus);
    setMouseTracking(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setAutoFillBackground(false);
    setAccessibleName(tr("Results"));
    viewport()->setAutoFillBackground(false);
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex &current) { Q_EMIT selectedRowChanged(current.isValid() ? current.row() : -1); });
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, &ListView::onScrollPositionChanged);
}

ListView::~ListView() = default;

void ListView::setTheme(ThemeManager::ThemePtr theme, bool dark)
{
    m_theme = std::move(theme);
    m_dark = dark;
    verticalScrollBar()->setSingleStep(rowHeight());
    doItemsLayout();
    viewport()->update();
}

int ListView::rowHeight() const
{
    return m_theme ? qRound(m_theme->rowHeight(m_source.mode())) : qRound(Theme::kDefaultRowHeight);
}

int ListView::calcHeight(int rows, const Theme &theme, PanelMode mode)
{
    const bool compact = mode == PanelMode::QuickOpen;
    const float border = compact ? theme.window.compactBorderSize : theme.window.normalBorderSize;
    const float input = compact ? theme.input.compactHeight : theme.input.normalHeight;
    const float height = rows * theme.rowHeight(mode) + input + (rows >= 1 ? 3 : 2) * border;
    return qRound(height);
}

void ListView::reloadData()
{
    // Like a table reload, the selected index survives while it is still a row.
    const qsizetype selected = selectedRow();
    {
        const QSignalBlocker blocker(selectionModel());
        m_model.reset();
        if (selected >= 0 && selected < rowCount())
            selectRow(selected);
    }
    m_step.resetGesture();
    const qsizetype now = selectedRow();
    if (now != selected)
        Q_EMIT selectedRowChanged(now);
    viewport()->update();
    Q_EMIT reloaded();
}

qsizetype ListView::rowCount() const
{
    return m_model.rowCount();
}

qsizetype ListView::selectedRow() const
{
    const QModelIndex current = currentIndex();
    return current.isValid() && selectionModel()->isSelected(current) ? current.row() : -1;
}

void ListView::selectRow(qsizetype row)
{
    if (row < 0 || row >= rowCount()) {
        selectionModel()->clear();
        return;
    }
    const QModelIndex index = m_model.index(static_cast<int>(row));
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
}

void ListView::scrollRowToVisible(qsizetype row)
{
    if (row >= 0 && row < rowCount())
        scrollTo(m_model.index(static_cast<int>(row)), QAbstractItemView::EnsureVisible);
}

int ListView::visibleTop() const
{
    return verticalScrollBar()->value();
}

void ListView::setVisibleTop(int y)
{
    verticalScrollBar()->setValue(y);
}

int ListView::firstVisibleRow() const
{
    const int height = rowHeight();
    return height > 0 ? visibleTop() / height : 0;
}

void ListView::onScrollPositionChanged()
{
    const int first = firstVisibleRow();
    if (first == m_visibleOffset)
        return;
    m_visibleOffset = first;
    viewport()->update();
}

void ListView::mousePressEvent(QMouseEvent *event)
{
    QListView::mousePressEvent(event);
    if (!m_delegate || event->button() != Qt::LeftButton)
        return;
    m_delegate->performSelectedRow();
}

void ListView::mouseMoveEvent(QMouseEvent *event)
{
    if (event->buttons() != Qt::NoButton)
        return; // no drag selection
    const QModelIndex under = indexAt(event->position().toPoint());
    if (!under.isValid() || under.row() == selectedRow())
        return;
    DataProvider *provider = m_source.provider();
    const RowDataPtr parent = provider ? provider->filteredParent() : nullptr;
    if (parent && parent->applyOnHover())
        return; // inside a previewing submenu the pointer does not move the selection
    selectRow(under.row());
}

void ListView::wheelEvent(QWheelEvent *event)
{
    if (m_source.mode() != PanelMode::QuickOpen || rowHeight() <= 1) {
        QListView::wheelEvent(event);
        return;
    }
    if (event->phase() == Qt::ScrollBegin || event->phase() == Qt::ScrollEnd)
        m_step.resetGesture();
    // Qt's positive delta shows earlier rows; one wheel notch (120) counts as one row.
    float delta = event->pixelDelta().isNull() ? -event->angleDelta().y() / 120.0f * rowHeight()
                                               : -static_cast<float>(event->pixelDelta().y());
    if (event->inverted())
        delta = -delta;
    const int rows = m_step.scrollWheel(delta, static_cast<float>(rowHeight()));
    if (rows != 0)
        setVisibleTop(visibleTop() + rows * rowHeight());
    event->accept();
}

} // namespace tavolin
