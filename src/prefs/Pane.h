#pragma once

#include <QShowEvent>
#include <QWidget>

namespace tavolin {

// A pane of the preferences window. Its controls read their settings every time it is shown (another
// program may have changed them meanwhile) and write them the moment they change. Main thread.
class Pane : public QWidget
{
    Q_OBJECT
public:
    using QWidget::QWidget;

    // Reads every control's setting; called whenever the pane is shown.
    virtual void loadSettings() = 0;

protected:
    void showEvent(QShowEvent *event) override
    {
        loadSettings();
        QWidget::showEvent(event);
    }
};

} // namespace tavolin
