#pragma once

#include "accessibility/AXMenuItem.h"
#include "accessibility/ElementSource.h"

#include <QString>

#include <map>
#include <memory>
#include <vector>

namespace tavolin::test {

struct MenuRow
{
    QString path; // "File > Recent > More"
    AXMenuItemPtr item;
};

// The menu tree of application element `app` as the reader builds it from `source`, flattened to its leaf
// rows keyed "PATH > TITLE". Empty when the application has no menu bar or did not answer. `inOrder`, when
// given, receives the keys in the menus' order.
std::map<QString, MenuRow> readMenuRows(const std::shared_ptr<ElementSource> &source, const ElementRef &app,
                                        std::vector<QString> *inOrder = nullptr);

// The display text of the shortcut of row `key` ("Ctrl+Shift+P"), "" without one, "<missing>" without the row.
QString shortcutText(const std::map<QString, MenuRow> &rows, const QString &key);

} // namespace tavolin::test
