#include "ui/shell/UpdateHelper.h"

#include "common/Log.h"
#include "common/SettingsDomain.h"
#include "common/SettingsKeys.h"
#include "palette/OptionDataProvider.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

namespace tavolin {

UpdateHelper::UpdateHelper(SettingsDomain &settings, UpdatePrompt &prompt, QString currentVersion,
                           OptionDataProvider *options, QObject *parent)
    : QObject(parent), m_settings(settings), m_prompt(prompt), m_currentVersion(std::move(currentVersion)),
      m_options(options), m_network(new QNetworkAccessManager(this)), m_timer(new QTimer(this))
{
    m_timer->setInterval(kCheckIntervalMs);
    connect(m_timer, &QTimer::timeout, this, &UpdateHelper::checkUpdate);
}

UpdateHelper::~UpdateHelper()
{
    if (m_reply)
        m_reply->abort();
    if (m_options && m_hasUpdate)
        m_options->removeUpdateMenu();
}

void UpdateHelper::run()
{
    QTimer::singleShot(kFirstCheckDelayMs, this, [this] {
        checkUpdate();
        m_timer->start();
    });
}

void UpdateHelper::checkUpdate()
{
    // A daily check must not cut short one the user is waiting for.
    if (!m_reply)
        startCheck(false);
}

void UpdateHelper::checkInteractively()
{
    startCheck(true);
}

QUrl UpdateHelper::feedUrl() const
{
    const QString setting = m_settings.stringValue(settings::kUpdateFeedURL).trimmed();
    if (setting.isEmpty())
        return m_defaultFeedUrl;
    const QUrl url(setting, QUrl::StrictMode);
    const QString scheme = url.scheme();
    if (!url.isValid() || (scheme != QLatin1String("https") && scheme != QLatin1String("http")
                           && scheme != QLatin1String("file")))
        return QUrl();
    return url;
}

void UpdateHelper::startCheck(bool interactive)
{
    if (m_reply) {
        QNetworkReply *old = m_reply;
        m_reply = nullptr;
        old->disconnect(this);
        old->abort();
        old->deleteLater();
    }
    const QUrl url = feedUrl();
    if (url.isEmpty()) {
        log::info(QStringLiteral("no usable update feed address"));
        if (interactive)
            finishInteractive(std::nullopt, tr("No update feed is set: the address in the settings is not an "
                                               "http, https or file address."));
        Q_EMIT checkFinished();
        return;
    }
    QNetworkRequest request(url);
    request.setTransferTimeout(kTransferTimeoutMs);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setHeader(QNetworkRequest::UserAgentHeader, QStringLiteral("Tavolin/%1").arg(m_currentVersion));
    QNetworkReply *reply = m_network->get(request);
    m_reply = reply;
    // A feed is small: a server sending megabytes is cut off instead of filling memory.
    connect(reply, &QNetworkReply::downloadProgress, this, [reply](qint64 received, qint64) {
        if (received > appcast::kMaxFeedBytes)
            reply->abort();
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply, interactive] { onFinished(reply, interactive); });
}

void UpdateHelper::onFinished(QNetworkReply *reply, bool interactive)
{
    reply->deleteLater();
    if (reply != m_reply)
        return;
    m_reply = nullptr;
    std::optional<AppcastItem> item;
    // The log keeps the English text; the user reads it in their language.
    static constexpr const char *kFetchFailed = QT_TR_NOOP(
        "Could not check for updates: the update feed could not be fetched (%1). Check the network connection "
        "and try again.");
    static constexpr const char *kUnreadable = QT_TR_NOOP("The update feed could not be read.");
    const char *failed = nullptr;
    if (reply->error() != QNetworkReply::NoError) {
        failed = kFetchFailed;
    } else {
        item = appcast::newestItem(reply->read(appcast::kMaxFeedBytes + 1));
        if (!item)
            failed = kUnreadable;
    }
    QString failure;
    if (failed) {
        // Offline is ordinary for a check nobody asked for: only one the user asked for fails as an error.
        const auto filled = [&](const QString &text) {
            return failed == kFetchFailed ? text.arg(reply->errorString()) : text;
        };
        const QString logged = filled(QString::fromUtf8(failed));
        interactive ? log::error(logged) : log::info(logged);
        failure = filled(tr(failed));
    }
    const bool newer = item && appcast::compareVersions(item->version, m_currentVersion) > 0;
    if (newer)
        didFindValidUpdate(*item);
    if (interactive)
        finishInteractive(newer ? item : std::nullopt, failure);
    Q_EMIT checkFinished();
}

void UpdateHelper::finishInteractive(const std::optional<AppcastItem> &item, const QString &failure)
{
    if (!item) {
        m_prompt.inform(failure.isEmpty()
                            ? tr("Tavolin %1 is the newest version available.").arg(m_currentVersion)
                            : failure);
        return;
    }
    // Asked for by the user: a skipped version is offered again, as a check from the menu would.
    switch (m_prompt.offerUpdate(*item, m_currentVersion)) {
    case UpdatePrompt::Choice::Download:
        if (const QUrl url = item->downloadUrl.isEmpty() ? item->notesUrl : item->downloadUrl; !url.isEmpty())
            m_prompt.openUrl(url);
        break;
    case UpdatePrompt::Choice::SkipThisVersion:
        userDidSkipThisVersion(*item);
        break;
    case UpdatePrompt::Choice::Later:
        break;
    }
}

void UpdateHelper::didFindValidUpdate(const AppcastItem &item)
{
    if (item.displayVersion == m_settings.stringValue(settings::kSkippedVersion))
        return;
    log::info(QStringLiteral("update %1 is available").arg(item.displayVersion));
    const bool changed = m_nextVersion != item.displayVersion;
    m_nextVersion = item.displayVersion;
    if (changed)
        m_askNow = true;
    setHasUpdate(true);
    if (m_options)
        m_options->addUpdateMenu(item.displayVersion);
}

void UpdateHelper::userDidSkipThisVersion(const AppcastItem &item)
{
    m_settings.setValue(settings::kSkippedVersion, item.displayVersion);
    m_askNow = false;
    setHasUpdate(false);
    if (m_options)
        m_options->removeUpdateMenu();
}

void UpdateHelper::setHasUpdate(bool value)
{
    m_hasUpdate = value;
}

} // namespace tavolin
