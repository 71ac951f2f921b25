#pragma once

#include "ui/shell/WelcomeBridge.h"

#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;

namespace tavolin {

// The first-run welcome page: what Tavolin does, a field that records the palette shortcut, start at
// login and sharing usage data, and a close button. Every control speaks to the same WelcomeBridge a web
// page would ("close", "setting", "hotkey"). Deletes itself when closed. Main thread.
class WelcomeWindow final : public QWidget
{
    Q_OBJECT
public:
    explicit WelcomeWindow(SettingsDomain &settings, QWidget *parent = nullptr);

    WelcomeBridge &bridge() { return m_bridge; }
    QLineEdit *shortcutField() const { return m_shortcut; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    WelcomeBridge m_bridge;
    QLineEdit *m_shortcut;
    QCheckBox *m_startOnLogin;
    QCheckBox *m_sendData;
};

} // namespace tavolin
