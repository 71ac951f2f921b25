#include "ui/panel/ItemView.h"

#include "ui/panel/RowTexts.h"
#include "ui/panel/ThemeColors.h"

#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QFontMetrics>
#include <QIcon>
#include <QPainter>

namespace tavolin {
namespace {

FileRowReader &fileRowReader()
{
    static FileRowReader reader;
    return reader;
}

QFont fontOfSize(float size)
{
    QFont font;
    font.setPixelSize(qMax(1, qRound(size)));
    return font;
}

constexpr int kRightMargin = 14;
constexpr int kIconSize = 24;

} // namespace

void setFileRowReader(FileRowReader reader)
{
    fileRowReader() = std::move(reader);
}

std::optional<FileRowFields> readFileRow(const RowData &row)
{
    const FileRowReader &reader = fileRowReader();
    return reader ? reader(row) : std::nullopt;
}

QString abbreviatedFolder(const QString &filePath)
{
    if (filePath.isEmpty())
        return QString();
    const QString folder = QFileInfo(filePath).absolutePath();
    const QString home = QDir::homePath();
    if (folder == home)
        return QStringLiteral("~");
    if (folder.startsWith(home + QLatin1Char('/')))
        return QLatin1Char('~') + folder.mid(home.size());
    return folder;
}

void ItemView::render(const MenuItemData &item, bool recent, bool showMenuState)
{
    stateMargin = showMenuState ? kMarginWithState : kMarginWithoutState;
    if (item.expands())
        shortcut = QStringLiteral("▶");
    else if (item.shortcut())
        shortcut = item.shortcut()->displayText();
    else
        shortcut.clear();

    if (recent) {
        groupLabel = shownGroup(QStringLiteral("Recent"));
        groupLabelVisible = true;
    } else if (item.primaryHint()) {
        groupLabel = shownGroup(*item.primaryHint());
        groupLabelVisible = true;
    } else {
        groupLabel.clear();
        groupLabelVisible = false;
    }
    title = item.title();
    path = item.hintLabel() ? *item.hintLabel() : item.secondaryLabel();
    iconVisible = false;
    iconName.clear();
    status = showMenuState && item.isChecked() ? QStringLiteral("✓") : QString();
}

void ItemView::render(const FileRowFields &file, bool firstInGroup)
{
    title = file.title;
    path = abbreviatedFolder(file.filePath);
    iconName = file.iconName;
    iconVisible = true;
    shortcut.clear();
    status.clear();
    groupLabel = firstInGroup ? shownGroup(file.group) : QString();
    groupLabelVisible = !groupLabel.isEmpty();
    stateMargin = kFileMargin;
}

void ItemView::setBackgroundStyle(bool emphasized, const Theme &theme, bool dark)
{
    const RowStyle &style = emphasized ? theme.highlightedRow : theme.row;
    colors = themecolors::rowTextColors(emphasized, theme, dark);
    if (emphasized) {
        if (theme.highlightedRow.recent.color)
            colors.group = themecolors::toQColor(*theme.highlightedRow.recent.color);
        else if (theme.highlightedRow.text.color)
            colors.group = themecolors::toQColor(*theme.highlightedRow.text.color);
    }
    titleSize = style.text.size.value_or(theme.row.text.size.value_or(14));
    pathSize = style.secondLabel.size.value_or(theme.row.secondLabel.size.value_or(11));
    shortcutSize = style.shortcut.size.value_or(theme.row.shortcut.size.value_or(13));
}

void ItemView::paint(QPainter &painter, const QRect &rect) const
{
    painter.save();
    int left = rect.left() + stateMargin;
    if (!status.isEmpty()) {
        painter.setFont(fontOfSize(titleSize));
        painter.setPen(colors.title);
        painter.drawText(QRect(rect.left(), rect.top(), stateMargin, rect.height()), Qt::AlignCenter, status);
    }
    if (iconVisible && !iconName.isEmpty()) {
        const QIcon icon = iconName.startsWith(QLatin1Char('/')) ? QIcon(iconName) : QIcon::fromTheme(iconName);
        const int iconLeft = rect.left() + (stateMargin - kIconSize) / 2;
        icon.paint(&painter, QRect(iconLeft, rect.center().y() - kIconSize / 2, kIconSize, kIconSize));
    }

    int right = rect.right() - kRightMargin;
    if (!shortcut.isEmpty()) {
        const QFont font = fontOfSize(shortcutSize);
        painter.setFont(font);
        painter.setPen(colors.shortcut);
        const int width = QFontMetrics(font).horizontalAdvance(shortcut);
        painter.drawText(QRect(right - width, rect.top(), width, rect.height()), Qt::AlignVCenter | Qt::AlignRight,
                         shortcut);
        right -= width + 10;
    }
    if (groupLabelVisible && !groupLabel.isEmpty()) {
        const QFont font = fontOfSize(10);
        painter.setFont(font);
        painter.setPen(colors.group);
        const QRect top(left, rect.top() + 2, rect.right() - kRightMargin - left, QFontMetrics(font).height());
        painter.drawText(top, Qt::AlignRight | Qt::AlignTop, groupLabel);
    }

    const QFont titleFont = fontOfSize(titleSize);
    const QFont pathFont = fontOfSize(pathSize);
    const int titleHeight = QFontMetrics(titleFont).height();
    const int pathHeight = path.isEmpty() ? 0 : QFontMetrics(pathFont).height();
    const int width = qMax(0, right - left);
    int y = rect.top() + (rect.height() - titleHeight - pathHeight) / 2;
    painter.setFont(titleFont);
    painter.setPen(colors.title);
    painter.drawText(QRect(left, y, width, titleHeight), Qt::AlignLeft | Qt::AlignVCenter,
                     QFontMetrics(titleFont).elidedText(title, Qt::ElideRight, width));
    if (pathHeight > 0) {
        y += titleHeight;
        painter.setFont(pathFont);
        painter.setPen(colors.path);
        painter.drawText(QRect(left, y, width, pathHeight), Qt::AlignLeft | Qt::AlignVCenter,
                         QFontMetrics(pathFont).elidedText(path, Qt::ElideMiddle, width));
    }
    painter.restore();
}

} // namespace tavolin
