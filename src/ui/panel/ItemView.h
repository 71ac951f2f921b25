#pragma once

#include "palette/MenuItemData.h"
#include "palette/Theme.h"
#include "ui/panel/ThemeColors.h"

#include <QColor>
#include <QString>

#include <functional>
#include <optional>

class QPainter;
class QRect;

namespace tavolin {

// What the list needs of a file row (quick open). The files layer registers a reader with
// setFileRowReader(); rows it does not recognise are drawn as command rows.
struct FileRowFields
{
    QString title;
    QString filePath; // absolute; "" when the row has no file
    QString iconName; // theme icon name or path; "" for none
    QString group;
};
using FileRowReader = std::function<std::optional<FileRowFields>(const RowData &row)>;
// Main thread, at start-up. An empty reader recognises nothing.
void setFileRowReader(FileRowReader reader);
std::optional<FileRowFields> readFileRow(const RowData &row);
// The folder holding `filePath`, with the home folder written "~"; "" without a path.
QString abbreviatedFolder(const QString &filePath);

// The cell of one command row (also able to show a file row): the texts it shows and their colours,
// painted into a row rectangle. Filled by render() and setBackgroundStyle(); plain values, main thread.
// Texts are always drawn as plain text: "<b>" or "&" in a title shows as typed.
class ItemView
{
public:
    static constexpr int kMarginWithState = 24;
    static constexpr int kMarginWithoutState = 18;
    static constexpr int kFileMargin = 42;

    // A command row; `recent` marks the first row when it came from the history. `showMenuState` is the
    // rules' menu-state display (check marks and wider margins).
    void render(const MenuItemData &item, bool recent, bool showMenuState);
    // A file row.
    void render(const FileRowFields &file, bool firstInGroup);
    // Re-colours the texts for the row's selection state.
    void setBackgroundStyle(bool emphasized, const Theme &theme, bool dark);

    void paint(QPainter &painter, const QRect &rect) const;

    QString title;
    QString path;
    QString shortcut;
    QString status;
    QString groupLabel;
    QString iconName;
    bool groupLabelVisible = false;
    bool iconVisible = false;
    int stateMargin = kMarginWithoutState;

    themecolors::RowTextColors colors;
    float titleSize = 14;
    float pathSize = 11;
    float shortcutSize = 13;
};

} // namespace tavolin
