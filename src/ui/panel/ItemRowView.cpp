#include "ui/panel/ItemRowView.h"

#include "ui/panel/ThemeColors.h"

#include <QPainter>

namespace tavolin {

void ItemRowView::paint(QPainter &painter, const QRect &rect, bool selected, const Theme &theme, bool dark)
{
    painter.save();
    if (selected) {
        const QColor fill = theme.highlightedRow.background ? themecolors::toQColor(*theme.highlightedRow.background)
                                                            : themecolors::defaultSelection(dark);
        painter.fillRect(rect, fill);
    }
    if (theme.row.borderColor) {
        painter.setPen(themecolors::toQColor(*theme.row.borderColor));
        painter.drawLine(rect.topLeft(), rect.topRight());
        painter.drawLine(rect.bottomLeft(), rect.bottomRight());
    }
    painter.restore();
}

} // namespace tavolin
