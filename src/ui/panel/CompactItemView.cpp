#include "ui/panel/CompactItemView.h"

#include "common/KeyData.h"
#include "ui/panel/RowTexts.h"
#include "ui/panel/ThemeColors.h"

#include <QFont>
#include <QFontMetrics>
#include <QIcon>
#include <QPainter>

namespace tavolin {
namespace {

constexpr int kIconSize = 20;
constexpr int kMargin = 10;

QFont fontOfSize(int size)
{
    QFont font;
    font.setPixelSize(size);
    return font;
}

} // namespace

void CompactItemView::render(const FileRowFields &file, bool firstInGroupFlag, qsizetype rowIndex)
{
    title = file.title;
    path = abbreviatedFolder(file.filePath);
    iconName = file.iconName;
    shortcut.clear();
    group = shownGroup(file.group);
    index = rowIndex;
    firstInGroup = firstInGroupFlag;
}

void CompactItemView::updateScrollOffset(qsizetype first)
{
    if (first >= 0 && index >= 1)
        groupVisible = index == first || firstInGroup;
    else
        groupVisible = index == 0;
    const qsizetype number = index - first + 1;
    // Command and the number, shown the Linux way ("Ctrl+1").
    shortcut = KeyData(QString::number(number), 0, 0).displayText();
}

void CompactItemView::prepareForReuse()
{
    index = -1;
    firstInGroup = false;
}

void CompactItemView::setBackgroundStyle(bool emphasized, const Theme &theme, bool dark)
{
    colors = themecolors::rowTextColors(emphasized, theme, dark);
}

void CompactItemView::paint(QPainter &painter, const QRect &rect) const
{
    painter.save();
    const int centreY = rect.center().y();
    int left = rect.left() + kMargin;
    if (!iconName.isEmpty()) {
        const QIcon icon = iconName.startsWith(QLatin1Char('/')) ? QIcon(iconName) : QIcon::fromTheme(iconName);
        icon.paint(&painter, QRect(left, centreY - kIconSize / 2, kIconSize, kIconSize));
    }
    left += kIconSize + 8;
    int right = rect.right() - kMargin;

    const QFont small = fontOfSize(11);
    if (!shortcut.isEmpty()) {
        painter.setFont(small);
        painter.setPen(colors.shortcut);
        const int width = QFontMetrics(small).horizontalAdvance(shortcut);
        painter.drawText(QRect(right - width, rect.top(), width, rect.height()), Qt::AlignVCenter, shortcut);
        right -= width + 10;
    }
    if (groupVisible && !group.isEmpty()) {
        painter.setFont(small);
        painter.setPen(colors.group);
        const int width = QFontMetrics(small).horizontalAdvance(group);
        painter.drawText(QRect(right - width, rect.top(), width, rect.height()), Qt::AlignVCenter, group);
        right -= width + 10;
    }

    const QFont titleFont = fontOfSize(13);
    const QFontMetrics titleMetrics(titleFont);
    const int available = qMax(0, right - left);
    const QString shownTitle = titleMetrics.elidedText(title, Qt::ElideMiddle, available);
    painter.setFont(titleFont);
    painter.setPen(colors.title);
    painter.drawText(QRect(left, rect.top(), available, rect.height()), Qt::AlignVCenter | Qt::AlignLeft, shownTitle);
    const int pathLeft = left + titleMetrics.horizontalAdvance(shownTitle) + 8;
    if (!path.isEmpty() && pathLeft < right) {
        painter.setFont(small);
        painter.setPen(colors.path);
        painter.drawText(QRect(pathLeft, rect.top(), right - pathLeft, rect.height()), Qt::AlignVCenter | Qt::AlignLeft,
                         QFontMetrics(small).elidedText(path, Qt::ElideLeft, right - pathLeft));
    }
    painter.restore();
}

} // namespace tavolin
