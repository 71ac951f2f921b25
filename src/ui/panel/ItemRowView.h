#pragma once

#include "palette/Theme.h"

class QPainter;
class QRect;

namespace tavolin {

// Paints what lies under a row's cell: the separator lines (when the theme has a row border colour) and the
// selection fill (the highlighted row's background, else the desktop's selection colour). Main thread.
class ItemRowView
{
public:
    static void paint(QPainter &painter, const QRect &rect, bool selected, const Theme &theme, bool dark);
};

} // namespace tavolin
