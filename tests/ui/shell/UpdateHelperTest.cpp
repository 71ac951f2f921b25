#include "support/FakeShellPort.h"
#include "support/IsolatedHome.h"
#include "support/ManualDispatcher.h"
#include "support/WaitFor.h"

#include "common/SettingsDomain.h"
#include "common/SettingsKeys.h"
#include "palette/OptionDataProvider.h"
#include "palette/ThemeManager.h"
#include "ui/shell/UpdateHelper.h"

#include <QFile>
#include <QNetworkReply>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>

namespace tavolin::test {
namespace {

QByteArray feedFor(const QByteArray &version, const QByteArray &display)
{
    return "<?xml version=\"1.0\"?><rss version=\"2.0\" "
           "xmlns:sparkle=\"http://www.andymatuschak.org/xml-namespaces/sparkle\"><channel><item>"
           "<title>Tavolin " + display + "</title>"
           "<enclosure url=\"https://example.org/tavolin-" + display + ".tar.gz\" sparkle:version=\"" + version
           + "\" sparkle:shortVersionString=\"" + display + "\"/></item></channel></rss>";
}

// Records the questions of an interactive check and answers with `answer`.
class RecordingPrompt final : public UpdatePrompt
{
public:
    Choice offerUpdate(const AppcastItem &item, const QString &) override
    {
        offered << item.displayVersion;
        return answer;
    }
    void inform(const QString &message) override { messages << message; }
    void openUrl(const QUrl &url) override { opened << url; }

    Choice answer = Choice::Later;
    QStringList offered;
    QStringList messages;
    QList<QUrl> opened;
};

// Serves one fixed HTTP response to every request, on 127.0.0.1 only.
class LoopbackServer
{
public:
    LoopbackServer(int status, const QByteArray &body)
        : m_response("HTTP/1.1 " + QByteArray::number(status) + " X\r\nContent-Type: application/rss+xml\r\n"
                     "Content-Length: " + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body)
    {
        QObject::connect(&m_server, &QTcpServer::newConnection, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection()) {
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                    socket->readAll();
                    ++requests;
                    socket->write(m_response);
                    socket->disconnectFromHost();
                });
                QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
        m_server.listen(QHostAddress::LocalHost);
    }
    QString url() const { return u"http://127.0.0.1:%1/appcast.xml"_qs.arg(m_server.serverPort()); }
    int requests = 0;

private:
    QTcpServer m_server;
    QByteArray m_response;
};

class UpdateHelperTest : public ::testing::Test
{
protected:
    void serveFile(const QByteArray &feed)
    {
        const QString path = m_dir.filePath(u"appcast.xml"_qs);
        QFile out(path);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(feed);
        m_settings.setValue(settings::kUpdateFeedURL, QUrl::fromLocalFile(path).toString());
    }

    // Nothing here may reach the project's real feed.
    UpdateHelperTest() { m_helper.setDefaultFeedUrl(QUrl()); }

    // Runs one check and waits for its end.
    void check(bool interactive)
    {
        QSignalSpy finished(&m_helper, &UpdateHelper::checkFinished);
        if (interactive)
            m_helper.checkInteractively();
        else
            m_helper.checkUpdate();
        ASSERT_TRUE(waitFor([&] { return finished.count() > 0; }));
    }

    bool updateRowShown() const
    {
        return !m_options.allRows.isEmpty() && m_options.allRows.first() == m_options.updateMenuItem()
               && m_options.updateMenuItem();
    }

    IsolatedHome m_home;
    QTemporaryDir m_dir;
    SettingsDomain m_settings;
    ThemeManager m_themes{m_settings};
    FakeShellPort m_shell;
    ManualDispatcher m_dispatcher;
    OptionDataProvider m_options{m_shell, m_themes, m_dispatcher, u"0.1.0"_qs};
    RecordingPrompt m_prompt;
    UpdateHelper m_helper{m_settings, m_prompt, u"0.1.0"_qs, &m_options};
};

// A silent check adds the update row and asks nothing; asked, Download opens the release and skipping the
// version removes the row for good.
TEST_F(UpdateHelperTest, NewerReleaseAddsTheUpdateRowUntilItsVersionIsSkipped)
{
    serveFile(feedFor("0.2.0", "0.2"));
    check(false);
    EXPECT_TRUE(m_helper.hasUpdate());
    EXPECT_EQ(m_helper.nextVersion(), u"0.2"_qs);
    EXPECT_TRUE(m_helper.askNow());
    ASSERT_TRUE(updateRowShown());
    EXPECT_EQ(m_options.updateMenuItem()->title(), u"Update"_qs);
    EXPECT_TRUE(m_prompt.offered.isEmpty()) << "a silent check asks nothing";

    m_prompt.answer = UpdatePrompt::Choice::Download;
    check(true);
    EXPECT_EQ(m_prompt.opened, QList<QUrl>{QUrl(u"https://example.org/tavolin-0.2.tar.gz"_qs)});

    m_prompt.answer = UpdatePrompt::Choice::SkipThisVersion;
    check(true);
    EXPECT_EQ(m_prompt.offered, (QStringList{u"0.2"_qs, u"0.2"_qs}));
    EXPECT_EQ(m_settings.stringValue(settings::kSkippedVersion), u"0.2"_qs);
    EXPECT_FALSE(m_helper.hasUpdate());
    EXPECT_FALSE(updateRowShown());

    check(false);
    EXPECT_FALSE(m_helper.hasUpdate()) << "the skipped version came back";
    EXPECT_FALSE(updateRowShown());
}

TEST_F(UpdateHelperTest, SameOrOlderReleaseOffersNothing)
{
    serveFile(feedFor("0.1.0", "0.1.0"));
    check(false);
    EXPECT_FALSE(m_helper.hasUpdate());
    EXPECT_FALSE(updateRowShown());

    serveFile(feedFor("0.0.9", "0.0.9"));
    check(true);
    EXPECT_FALSE(m_helper.hasUpdate());
    EXPECT_TRUE(m_prompt.offered.isEmpty());
    ASSERT_EQ(m_prompt.messages.size(), 1);
    EXPECT_TRUE(m_prompt.messages[0].contains(u"newest"_qs));
}

TEST_F(UpdateHelperTest, OnlyWebAndFileAddressesAreFetchedAndWithoutTheSettingTheProjectFeedIs)
{
    const UpdateHelper helper(m_settings, m_prompt, u"0.1.0"_qs);
    const QUrl projectFeed(QString::fromLatin1(UpdateHelper::kDefaultFeedUrl));
    EXPECT_EQ(helper.feedUrl(), projectFeed);
    EXPECT_EQ(projectFeed.scheme(), u"https"_qs);
    m_settings.setValue(settings::kUpdateFeedURL, u"  "_qs);
    EXPECT_EQ(helper.feedUrl(), projectFeed);

    const struct { const char *address; bool accepted; } addresses[] = {
        {"https://example.org/appcast.xml", true}, {"http://127.0.0.1:8080/appcast.xml", true},
        {"file:///tmp/appcast.xml", true},        {"javascript:alert(1)", false},
        {"::not a url::", false},                 {"ftp://example.org/appcast.xml", false},
    };
    for (const auto &a : addresses) {
        m_settings.setValue(settings::kUpdateFeedURL, QString::fromLatin1(a.address));
        EXPECT_EQ(m_helper.feedUrl(), a.accepted ? QUrl(QString::fromLatin1(a.address)) : QUrl()) << a.address;
    }
    check(true);
    EXPECT_FALSE(m_helper.hasUpdate());
    ASSERT_EQ(m_prompt.messages.size(), 1);
    EXPECT_TRUE(m_prompt.messages[0].contains(u"No update feed"_qs)) << "an unusable address is no check, and says so";

}

// Over HTTP: a server error is told and changes nothing, a feed over the size limit is cut off.
TEST_F(UpdateHelperTest, FetchesTheFeedOverHttp)
{
    QByteArray oversized = feedFor("9.0", "9.0");
    oversized.insert(oversized.indexOf("<channel>") + 9, QByteArray(appcast::kMaxFeedBytes + 1024, ' '));
    // message null: a silent check
    const struct { const char *name; int status; QByteArray body; const char *message; bool hasUpdate; } cases[] = {
        {"server error", 404, "not here", "could not be fetched", false},
        {"oversized", 200, oversized, nullptr, false},
        {"newer release", 200, feedFor("0.3.0", "0.3"), nullptr, true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        LoopbackServer server(c.status, c.body);
        m_settings.setValue(settings::kUpdateFeedURL, server.url());
        m_prompt.messages.clear();
        check(c.message != nullptr);
        EXPECT_EQ(server.requests, 1);
        EXPECT_EQ(m_helper.hasUpdate(), c.hasUpdate);
        EXPECT_EQ(m_prompt.messages.size(), c.message ? 1 : 0);
        if (c.message) {
            EXPECT_TRUE(m_prompt.messages.value(0).contains(QString::fromLatin1(c.message)));
        }
    }
    EXPECT_EQ(m_helper.nextVersion(), u"0.3"_qs);
}

TEST_F(UpdateHelperTest, AnInteractiveCheckReplacesARunningOne)
{
    LoopbackServer server(200, feedFor("0.2.0", "0.2"));
    m_settings.setValue(settings::kUpdateFeedURL, server.url());
    QSignalSpy finished(&m_helper, &UpdateHelper::checkFinished);
    m_helper.checkUpdate();
    m_helper.checkInteractively();
    // A request still running could report later; once none runs, every report that can come has come.
    const auto requestsRunning = [&] {
        const QList<QNetworkReply *> replies = m_helper.findChildren<QNetworkReply *>();
        return std::count_if(replies.begin(), replies.end(), [](QNetworkReply *reply) { return reply->isRunning(); });
    };
    ASSERT_TRUE(waitFor([&] { return finished.count() > 0 && requestsRunning() == 0; }))
        << finished.count() << " reports, " << requestsRunning() << " requests running";

    EXPECT_EQ(finished.count(), 1) << "the replaced check must not report";
    EXPECT_EQ(m_prompt.offered, QStringList{u"0.2"_qs});
    EXPECT_FALSE(m_helper.isChecking());
}

} // namespace
} // namespace tavolin::test
