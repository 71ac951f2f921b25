#pragma once

#include "ui/shell/WelcomeBridge.h"

#include <QWidget>

class QCheckBox;
class QLabel;
class QKeyEvent;
class QLineEdit;
class QPushButton;

namespace tavolin {

// The first-run welcome page: what Tavolin does, a field that records the palette shortcut, start at
// login and sharing usage data, and a close button. Every control speaks to the same WelcomeBridge a web
// page would ("close", "setting", "hotkey"). The shortcut field records only once clicked (or Space is pressed
// on it) and until it took a combination or Escape; otherwise keys work as in any window: Tab moves on,
// Return is "Get Started", Escape closes. Deletes itself when closed. Main thread.
class WelcomeWindow final : public QWidget
{
    Q_OBJECT
public:
    explicit WelcomeWindow(SettingsDomain &settings, QWidget *parent = nullptr);

    bool isRecording() const { return m_recording; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void setRecording(bool recording);
    bool recordKey(const QKeyEvent &key);

    WelcomeBridge m_bridge;
    QLineEdit *m_shortcut;
    QCheckBox *m_startOnLogin;
    QCheckBox *m_sendData;
    QPushButton *m_getStarted;
    QString m_shownShortcut;
    bool m_recording = false;
};

} // namespace tavolin
