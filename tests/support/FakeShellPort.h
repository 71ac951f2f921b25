#pragma once

#include "palette/ShellPort.h"

#include <QStringList>

namespace tavolin::test {

// A shell that records every request as a line ("accessibilityPanel", "openUrl:<url>", "openPreferences",
// "checkForUpdates", "terminate") and holds the current application in memory. Main thread, like the real
// one.
class FakeShellPort final : public ShellPort
{
public:
    bool welcomeFocused = false;
    bool preferencesInstalled = true;
    bool urlOpens = true;
    QStringList requests;

    AXAppPtr currentApp() const override { return m_currentApp; }
    void setCurrentApp(AXAppPtr app) override { m_currentApp = std::move(app); }
    bool isWelcomeWindowFocused() const override { return welcomeFocused; }
    void showRequestAccessibilityPanel() override { requests << QStringLiteral("accessibilityPanel"); }
    bool hasPreferencesProgram() const override { return preferencesInstalled; }
    bool openUrl(const QString &url) override
    {
        requests << QStringLiteral("openUrl:") + url;
        return urlOpens;
    }
    void openPreferences() override { requests << QStringLiteral("openPreferences"); }
    void checkForUpdates() override { requests << QStringLiteral("checkForUpdates"); }
    void terminate() override { requests << QStringLiteral("terminate"); }

private:
    AXAppPtr m_currentApp;
};

} // namespace tavolin::test
