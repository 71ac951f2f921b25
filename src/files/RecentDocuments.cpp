#include "files/RecentDocuments.h"

#include "common/Log.h"

#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QXmlStreamReader>

#include <algorithm>

namespace tavolin::recentdocuments {
namespace {

constexpr auto kBookmarkNamespace = "http://www.freedesktop.org/standards/desktop-bookmarks";
constexpr qsizetype kMaxHrefLength = 8192;

// The first word of an "exec" line without its quotes and folder: "'/usr/bin/gedit' %u" → "gedit".
QString programOf(const QString &exec)
{
    QString first = exec.trimmed().section(QLatin1Char(' '), 0, 0);
    first.remove(QLatin1Char('\'')).remove(QLatin1Char('"'));
    return first.section(QLatin1Char('/'), -1);
}

QDateTime parseTime(const QXmlStreamAttributes &attributes)
{
    const QString modified = attributes.value(QLatin1String("modified")).toString();
    if (!modified.isEmpty()) {
        QDateTime time = QDateTime::fromString(modified, Qt::ISODateWithMs);
        if (!time.isValid())
            time = QDateTime::fromString(modified, Qt::ISODate);
        return time;
    }
    // Older files give seconds since the epoch.
    bool ok = false;
    const qint64 seconds = attributes.value(QLatin1String("timestamp")).toLongLong(&ok);
    return ok ? QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC) : QDateTime();
}

std::optional<QUrl> fileUrl(const QString &href)
{
    if (href.isEmpty() || href.size() > kMaxHrefLength)
        return std::nullopt;
    const QUrl url(href, QUrl::StrictMode);
    if (!url.isValid() || !url.isLocalFile() || !url.toLocalFile().startsWith(QLatin1Char('/')))
        return std::nullopt;
    return url;
}

// One pass over the document; false at the first thing that is not as it must be.
class Reader
{
public:
    Reader(const QByteArray &xbel, const AppMatch &app, const Limits &limits)
        : m_xml(xbel), m_app(app), m_limits(limits) {}

    bool run()
    {
        int depth = 0;
        while (!m_xml.atEnd()) {
            switch (m_xml.readNext()) {
            case QXmlStreamReader::DTD:
                // Never written by the desktop; refusing it leaves no room for entity tricks.
                return fail(QStringLiteral("a document type declaration"));
            case QXmlStreamReader::StartElement:
                if (++depth > m_limits.maxDepth)
                    return fail(QStringLiteral("elements nested too deeply"));
                if (!startElement(depth))
                    return false;
                break;
            case QXmlStreamReader::EndElement:
                if (depth == 2 && m_inBookmark)
                    endBookmark();
                --depth;
                break;
            default:
                break;
            }
        }
        if (m_xml.hasError())
            return fail(m_xml.errorString());
        return m_sawRoot;
    }

    QList<Document> documents;

private:
    bool fail(const QString &why)
    {
        log::info(QStringLiteral("recent files list refused: %1").arg(why));
        return false;
    }

    bool startElement(int depth)
    {
        const QStringView name = m_xml.name();
        if (depth == 1) {
            if (name != QLatin1String("xbel") || !m_xml.namespaceUri().isEmpty())
                return fail(QStringLiteral("the root element is not xbel"));
            m_sawRoot = true;
            return true;
        }
        if (depth == 2 && name == QLatin1String("bookmark")) {
            if (++m_bookmarks > m_limits.maxBookmarks)
                return fail(QStringLiteral("more than %1 bookmarks").arg(m_limits.maxBookmarks));
            const QStringView href = m_xml.attributes().value(QLatin1String("href"));
            if (href.isEmpty())
                return fail(QStringLiteral("a bookmark without href"));
            m_inBookmark = true;
            m_href = href.toString();
            m_used = std::nullopt;
            return true;
        }
        if (m_inBookmark && name == QLatin1String("application")
            && m_xml.namespaceUri() == QLatin1String(kBookmarkNamespace)) {
            const QXmlStreamAttributes attributes = m_xml.attributes();
            if (m_app.matches(attributes.value(QLatin1String("name")).toString(),
                              attributes.value(QLatin1String("exec")).toString())) {
                const QDateTime time = parseTime(attributes);
                if (!m_used || (time.isValid() && (!m_used->isValid() || time > *m_used)))
                    m_used = time;
            }
        }
        return true;
    }

    void endBookmark()
    {
        m_inBookmark = false;
        if (!m_used)
            return;
        if (const std::optional<QUrl> url = fileUrl(m_href))
            documents.push_back({*url, *m_used});
    }

    QXmlStreamReader m_xml;
    const AppMatch &m_app;
    const Limits &m_limits;
    bool m_sawRoot = false;
    bool m_inBookmark = false;
    int m_bookmarks = 0;
    QString m_href;
    std::optional<QDateTime> m_used; // set when the bookmark names the application
};

} // namespace

bool AppMatch::matches(const QString &name, const QString &exec) const
{
    if (!name.isEmpty()) {
        for (const QString &candidate : names) {
            if (!candidate.isEmpty() && name.compare(candidate, Qt::CaseInsensitive) == 0)
                return true;
        }
    }
    return !executable.isEmpty() && programOf(exec) == executable;
}

std::optional<QList<Document>> parse(const QByteArray &xbel, const AppMatch &app, const Limits &limits)
{
    if (xbel.size() > limits.maxBytes) {
        log::info(QStringLiteral("recent files list refused: larger than %1 bytes").arg(limits.maxBytes));
        return std::nullopt;
    }
    Reader reader(xbel, app, limits);
    if (!reader.run())
        return std::nullopt;
    QList<Document> documents = std::move(reader.documents);
    std::stable_sort(documents.begin(), documents.end(), [](const Document &a, const Document &b) {
        if (a.used.isValid() != b.used.isValid())
            return a.used.isValid();
        return a.used.isValid() && a.used > b.used;
    });
    if (documents.size() > limits.maxDocuments)
        documents.resize(limits.maxDocuments);
    return documents;
}

std::optional<QList<Document>> readFile(const QString &path, const AppMatch &app, const Limits &limits)
{
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    if (file.size() > limits.maxBytes) {
        log::info(QStringLiteral("recent files list refused: larger than %1 bytes").arg(limits.maxBytes));
        return std::nullopt;
    }
    // One byte more than allowed, so a file that grew since size() is still refused.
    return parse(file.read(limits.maxBytes + 1), app, limits);
}

QString defaultFile()
{
    const QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return dataHome.isEmpty() ? QString() : dataHome + QLatin1String("/recently-used.xbel");
}

} // namespace tavolin::recentdocuments
