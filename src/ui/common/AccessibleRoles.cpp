#include "ui/common/AccessibleRoles.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAccessibleWidget>

namespace tavolin {
namespace {

// Dynamic properties that tell the factory below which widgets to speak for.
constexpr auto kBarProperty = "tavolinPaneBar";
constexpr auto kTabProperty = "tavolinPaneTab";

class PaneTab final : public QAccessibleWidget
{
public:
    explicit PaneTab(QAbstractButton *button) : QAccessibleWidget(button, QAccessible::PageTab) {}

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name && widget()->accessibleName().isEmpty())
            return button()->text();
        return QAccessibleWidget::text(t);
    }

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.selectable = true;
        state.selected = button()->isChecked();
        return state;
    }

    QStringList actionNames() const override { return {pressAction()}; }

    void doAction(const QString &action) override
    {
        if (action == pressAction())
            button()->click();
    }

private:
    QAbstractButton *button() const { return static_cast<QAbstractButton *>(widget()); }
};

QAccessibleInterface *roleFactory(const QString &className, QObject *object)
{
    auto *widget = qobject_cast<QWidget *>(object);
    if (!widget)
        return nullptr;
    // Asked class by class from the most derived: reaching plain QWidget means no class on the way has an
    // interface of its own (dialogs, for one, have).
    if (widget->isWindow() && className == QLatin1String("QWidget"))
        return new QAccessibleWidget(widget, QAccessible::Window);
    if (widget->property(kBarProperty).toBool())
        return new QAccessibleWidget(widget, QAccessible::PageTabList);
    if (auto *button = qobject_cast<QAbstractButton *>(widget); button && button->property(kTabProperty).toBool())
        return new PaneTab(button);
    return nullptr;
}

} // namespace

void installAccessibleRoles()
{
    static const bool installed = [] {
        QAccessible::installFactory(roleFactory);
        return true;
    }();
    (void)installed;
}

void markAsPaneBar(QWidget &bar, const QString &name)
{
    bar.setProperty(kBarProperty, true);
    bar.setAccessibleName(name);
}

void markAsPaneTab(QAbstractButton &button) { button.setProperty(kTabProperty, true); }

} // namespace tavolin
