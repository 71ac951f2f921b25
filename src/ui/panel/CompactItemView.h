#pragma once

#include "ui/panel/ItemView.h"

namespace tavolin {

// The one-line cell of a file row in quick open. Rows in view are numbered from 1 in their shortcut text
// ("Ctrl+1"...), so the number follows the list's first visible row (updateScrollOffset); the group label
// shows on the first visible row and where a group starts. Plain values, main thread.
class CompactItemView
{
public:
    void render(const FileRowFields &file, bool firstInGroup, qsizetype index);
    // Command rows have no compact form: nothing changes.
    void render(const MenuItemData &, bool) {}
    // The index of the first row in view; a negative value means unknown.
    void updateScrollOffset(qsizetype first);
    // A reused cell forgets the row it showed.
    void prepareForReuse();
    void setBackgroundStyle(bool emphasized, const Theme &theme, bool dark);

    void paint(QPainter &painter, const QRect &rect) const;

    qsizetype index = -1;
    bool firstInGroup = false;
    QString title;
    QString path;
    QString shortcut;
    QString group;
    QString iconName;
    bool groupVisible = false;

    themecolors::RowTextColors colors;
};

} // namespace tavolin
