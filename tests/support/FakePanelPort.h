#pragma once

#include "palette/PanelPort.h"

#include <QStringList>

namespace tavolin::test {

// A panel that keeps its state in fields and records every request as a line ("close", "select:0",
// "refresh:<app name>", "icon:<name or none>", "show", "update", "move:<x>,<y>", "mode:<n>",
// "expand:<title>", "exit"). Geometry answers come from the fields. Main thread, like the real one.
class FakePanelPort final : public PanelPort
{
public:
    bool visible = false;
    std::optional<QRect> frame = QRect(0, 0, 600, 400);
    std::optional<QRect> screen = QRect(0, 0, 1920, 1080);
    std::optional<QRect> mainScreen = QRect(0, 0, 1920, 1080);
    int rowHeight = 40;
    PanelMode mode = PanelMode::CommandPalette;
    QStringList requests;

    bool isVisible() const override { return visible; }
    void close() override
    {
        visible = false;
        requests << QStringLiteral("close");
    }
    void selectRow(qsizetype row) override { requests << QStringLiteral("select:%1").arg(row); }
    void refreshApp(const AXAppPtr &app) override
    {
        requests << QStringLiteral("refresh:") + (app ? app->name().value_or(QString()) : QStringLiteral("none"));
    }
    void setAppIcon(const std::optional<QString> &icon) override
    {
        requests << QStringLiteral("icon:") + icon.value_or(QStringLiteral("none"));
    }
    void showPanel() override
    {
        visible = true;
        requests << QStringLiteral("show");
    }
    void updateUI() override { requests << QStringLiteral("update"); }
    std::optional<QRect> windowFrame() const override { return frame; }
    std::optional<QRect> windowScreenFrame() const override { return screen; }
    std::optional<QRect> mainScreenFrame() const override { return mainScreen; }
    void moveWindow(const QPoint &origin) override
    {
        if (frame)
            frame->moveTo(origin);
        requests << QStringLiteral("move:%1,%2").arg(origin.x()).arg(origin.y());
    }
    int listHeight(int rows) const override { return rows * rowHeight; }
    void switchMode(PanelMode newMode) override
    {
        mode = newMode;
        requests << QStringLiteral("mode:%1").arg(static_cast<int>(newMode));
    }
    void expandRow(const RowDataPtr &row) override
    {
        requests << QStringLiteral("expand:") + (row ? row->title() : QStringLiteral("none"));
    }
    void exitPanel() override
    {
        visible = false;
        requests << QStringLiteral("exit");
    }

    qsizetype count(const QString &request) const { return requests.count(request); }
};

} // namespace tavolin::test
