#pragma once

#include "ui/shell/Appcast.h"

#include <QNetworkReply>
#include <QObject>
#include <QPointer>
#include <QUrl>

#include <functional>
#include <optional>

class QNetworkAccessManager;
class QTimer;

namespace tavolin {

class OptionDataProvider;
class SettingsDomain;

// How an interactive check talks to the user. The shell shows dialogs; tests record.
class UpdatePrompt
{
public:
    enum class Choice { Download, SkipThisVersion, Later };
    virtual ~UpdatePrompt() = default;
    // A newer release was found; what should happen to it.
    virtual Choice offerUpdate(const AppcastItem &item, const QString &currentVersion) = 0;
    // The check ended without an update to offer, or failed; `message` says which.
    virtual void inform(const QString &message) = 0;
    // Opens the release's download or notes address in the browser.
    virtual void openUrl(const QUrl &url) = 0;
};

// Update checks against the project's appcast feed (kDefaultFeedUrl), or the setting "updateFeedURL" when
// it is set (http, https or file; any other address: no checks, and an interactive check says why). A silent check that finds a release newer than the running version, other than
// "skippedVersion", offers it through the "Update" option row; an interactive check (the "checkUpdates"
// command, the "Update" row, the panel's update button) asks the user, who may skip that version.
//
// Ownership: the settings, the prompt and the option provider (which may be null) are not owned and must
// outlive the helper. Threads: main thread; replies arrive on it. Failure: a feed that cannot be fetched
// or read is logged (and told to the user in an interactive check); nothing else changes.
class UpdateHelper final : public QObject
{
    Q_OBJECT
public:
    static constexpr int kCheckIntervalMs = 86400 * 1000;
    static constexpr int kFirstCheckDelayMs = 5 * 60 * 1000;
    static constexpr int kTransferTimeoutMs = 30 * 1000;
    static constexpr auto kDefaultFeedUrl = "https://quorvane.io/tavolin/appcast.xml";

    UpdateHelper(SettingsDomain &settings, UpdatePrompt &prompt, QString currentVersion,
                 OptionDataProvider *options = nullptr, QObject *parent = nullptr);
    ~UpdateHelper() override;

    // A silent check kFirstCheckDelayMs after start, then once a day: a start stays quiet on the network,
    // and a palette that runs only briefly (a test, a session ending) asks nothing.
    void run();
    // A silent check now (nothing shown unless an update is found).
    void checkUpdate();
    // A check the user asked for: the outcome is shown. A check already running is replaced.
    void checkInteractively();

    bool hasUpdate() const { return m_hasUpdate; }
    const std::optional<QString> &nextVersion() const { return m_nextVersion; }
    // Whether the panel's button may offer the update (cleared once it did).
    bool askNow() const { return m_askNow; }
    void clearAskNow() { m_askNow = false; }
    // The setting's address when set, else the default; empty when the setting is not http(s)/file.
    QUrl feedUrl() const;
    // Tests replace the project's feed so that nothing leaves the machine.
    void setDefaultFeedUrl(const QUrl &url) { m_defaultFeedUrl = url; }
    bool isChecking() const { return m_reply != nullptr; }

    // The updater's callbacks, public for tests.
    void didFindValidUpdate(const AppcastItem &item);
    void userDidSkipThisVersion(const AppcastItem &item);

Q_SIGNALS:
    // A check ended (found or not, failed or not).
    void checkFinished();

private:
    void startCheck(bool interactive);
    void onFinished(QNetworkReply *reply, bool interactive);
    void finishInteractive(const std::optional<AppcastItem> &item, const QString &failure);
    void setHasUpdate(bool value);

    SettingsDomain &m_settings;
    UpdatePrompt &m_prompt;
    QString m_currentVersion;
    QUrl m_defaultFeedUrl{QString::fromLatin1(kDefaultFeedUrl)};
    OptionDataProvider *m_options;
    QNetworkAccessManager *m_network;
    QTimer *m_timer;
    QPointer<QNetworkReply> m_reply;
    bool m_hasUpdate = false;
    bool m_askNow = false;
    std::optional<QString> m_nextVersion;
};

} // namespace tavolin
