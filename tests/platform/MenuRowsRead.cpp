#include "MenuRowsRead.h"

#include "accessibility/AXMenu.h"
#include "accessibility/AXUtils.h"

#include <functional>

namespace tavolin::test {

std::map<QString, MenuRow> readMenuRows(const std::shared_ptr<ElementSource> &source, const ElementRef &app,
                                        std::vector<QString> *inOrder)
{
    auto context = std::make_shared<AXReadContext>();
    context->source = source;
    std::map<QString, MenuRow> rows;
    const auto bar = AXUtils::getAny<ElementRef>(*source, AXAttribute::MenuBar, app);
    if (!bar)
        return rows;
    AXMenu menuBar;
    menuBar.readMenuItems(context, *bar, MenuLevel::TopLevel);
    std::function<void(const AXMenu &, const QString &)> add = [&](const AXMenu &menu, const QString &path) {
        for (const AXMenuItemPtr &item : menu.items()) {
            const QString key = path.isEmpty() ? *item->title() : path + QStringLiteral(" > ") + *item->title();
            if (item->submenu())
                add(*item->submenu(), key);
            else
                rows[key] = MenuRow{path, item};
            if (inOrder)
                inOrder->push_back(key);
        }
    };
    for (const AXMenuItemPtr &top : menuBar.items()) {
        top->readSubmenu();
        if (top->submenu())
            add(*top->submenu(), *top->title());
    }
    return rows;
}

QString shortcutText(const std::map<QString, MenuRow> &rows, const QString &key)
{
    const auto it = rows.find(key);
    if (it == rows.end())
        return QStringLiteral("<missing>");
    const auto shortcut = it->second.item->shortcut();
    return shortcut ? shortcut->displayText() : QString();
}

} // namespace tavolin::test
