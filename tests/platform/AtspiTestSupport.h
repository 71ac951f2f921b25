#pragma once

#include "AtspiTestThread.h"
#include "HeadlessSession.h"

#include "accessibility/AXMenu.h"
#include "accessibility/AXUtils.h"
#include "platform/linux/AtspiElementSource.h"
#include "support/WaitFor.h"

#include <QStandardPaths>

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <map>
#include <vector>

namespace tavolin::test {

struct MenuRow
{
    QString path; // "File > Recent > More"
    AXMenuItemPtr item;
};

// The menu tree of application element `app` as the reader builds it from `source`, flattened to its leaf
// rows keyed "PATH > TITLE". Empty when the application has no menu bar or did not answer. `inOrder`, when
// given, receives the keys of items and submenus in the menus' order.
inline std::map<QString, MenuRow> readMenuRows(const std::shared_ptr<ElementSource> &source, const ElementRef &app,
                                               std::vector<QString> *inOrder = nullptr)
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

// The display text of the shortcut of row `key` ("Ctrl+Shift+P"), "" without one, "<missing>" without the row.
inline QString shortcutText(const std::map<QString, MenuRow> &rows, const QString &key)
{
    const auto it = rows.find(key);
    if (it == rows.end())
        return QStringLiteral("<missing>");
    const auto shortcut = it->second.item->shortcut();
    return shortcut ? shortcut->displayText() : QString();
}

inline bool installed(const QString &program) { return !QStandardPaths::findExecutable(program).isEmpty(); }

// What the reader keeps of a row, as text: compared between ways of reading.
inline QString describe(const MenuRow &row)
{
    const auto shortcut = row.item->shortcut();
    return QStringLiteral("%1|%2|%3").arg(row.path, shortcut ? shortcut->toString() : QString(),
                                          row.item->checked() ? QStringLiteral("checked") : QString());
}

// Integration tests over the AT-SPI element source in the headless session; they skip, saying why, when
// the session or its accessibility bus is missing.
class AtspiSessionTest : public testing::Test
{
protected:
    void SetUp() override
    {
        if (!HeadlessSession::get())
            GTEST_SKIP() << HeadlessSession::reason().toStdString();
        m_source = std::make_shared<AtspiElementSource>(atspiTestThread());
        if (!m_source->isReady())
            GTEST_SKIP() << "the accessibility bus did not answer";
    }

    // The application element of `pid` once it registered (applications appear 0.2–0.7 s after start).
    ElementRef waitForApp(qint64 pid)
    {
        ElementRef app;
        waitFor([&] { return (app = m_source->applicationForPid(int32_t(pid))) != nullptr; }, std::chrono::seconds(10));
        return app;
    }

    // mousepad, without handing its files to a mousepad already running.
    static std::unique_ptr<TestApp> startMousepad(const QStringList &files = {})
    {
        return TestApp::start(QStringLiteral("mousepad"), QStringList{QStringLiteral("--disable-server")} + files);
    }

    // Starts `program` and waits until its menu bar is filled; null, with a failure added, when it did not
    // come up with its menus.
    std::unique_ptr<TestApp> startWithMenus(const QString &program, const QStringList &args, ElementRef &element,
                                            std::map<QString, MenuRow> &rows)
    {
        auto app = TestApp::start(program, args);
        if (!app || !(element = waitForApp(app->pid()))) {
            ADD_FAILURE() << program.toStdString() << " never appeared on the accessibility bus";
            return nullptr;
        }
        // GTK fills its menu bar after the window appears, and its items' shortcuts and states after that:
        // the menus are filled once two reads in a row give the same rows.
        std::map<QString, QString> previous;
        const bool settled = waitFor([&] {
            rows = readMenuRows(m_source, element);
            std::map<QString, QString> described;
            for (const auto &[key, row] : rows)
                described[key] = describe(row);
            const bool same = rows.size() > 100 && described == previous;
            previous = std::move(described);
            return same;
        }, std::chrono::seconds(10));
        if (!settled) {
            ADD_FAILURE() << program.toStdString() << "'s menus did not settle: " << rows.size() << " rows read";
            return nullptr;
        }
        if (qEnvironmentVariableIsSet("TAVOLIN_DUMP_ROWS")) {
            for (const auto &[key, row] : rows)
                std::printf("%s%s\n", qPrintable(key), row.item->checked() ? "  [checked]" : "");
        }
        return app;
    }

    std::shared_ptr<AtspiElementSource> m_source;
};

} // namespace tavolin::test
