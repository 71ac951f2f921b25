#pragma once

#include <QWidget>

#include <functional>

class QKeyEvent;
class QLabel;
class QPushButton;

namespace tavolin {

// Asks for the accessibility access the palette needs to read menus: the desktop's accessibility switch
// must be on. The button turns it on (through `turnOn`) and closes the window; it has the focus and takes
// Return, and Escape closes the window. Deletes itself when closed. Main thread.
class PermissionWindow final : public QWidget
{
    Q_OBJECT
public:
    static constexpr auto kDetailsUrl = "https://www.freedesktop.org/wiki/Accessibility/AT-SPI2/";

    // `turnOn` returns whether the switch took; the window closes either way.
    explicit PermissionWindow(std::function<bool()> turnOn, QWidget *parent = nullptr);

    void showSystemPreference();

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    std::function<bool()> m_turnOn;
    QLabel *m_description;
    QPushButton *m_button;
};

} // namespace tavolin
