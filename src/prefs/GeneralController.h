#pragma once

#include "Pane.h"
#include "PrefsContext.h"

class QCheckBox;
class QPushButton;

namespace tavolin {

// General pane: start at login, anonymous reporting, update check, quitting the palette, accessibility
// settings. The first time it is shown it starts the palette when that is not running.
class GeneralController : public Pane
{
    Q_OBJECT
public:
    explicit GeneralController(PrefsContext &context, QWidget *parent = nullptr);

    void loadSettings() override;

    QCheckBox *startOnLoginButton() const { return m_startOnLogin; }
    QCheckBox *sendDataButton() const { return m_sendData; }
    QPushButton *checkUpdateButton() const { return m_checkUpdate; }
    QPushButton *quitButton() const { return m_quit; }

    void toggleStartOnLogin();
    void toggleSendData();
    void checkUpdates();
    void quitTavolin();
    void openAccessibilityPanel();
    void openPrivacyPolicy();

private:
    PrefsContext &m_context;
    QCheckBox *m_startOnLogin;
    QCheckBox *m_sendData;
    QPushButton *m_checkUpdate;
    QPushButton *m_quit;
    bool m_checkedPalette = false;
};

} // namespace tavolin
