#include "ui/shell/Appcast.h"

#include <QList>
#include <QXmlStreamReader>

namespace tavolin::appcast {
namespace {

const QString kSparkleNs = QStringLiteral("http://www.andymatuschak.org/xml-namespaces/sparkle");

enum class PartKind { Number, Text, Separator };

struct Part
{
    PartKind kind;
    QString text;
};

PartKind kindOf(QChar c)
{
    if (c.isDigit())
        return PartKind::Number;
    if (c == QLatin1Char('.') || c == QLatin1Char('-') || c == QLatin1Char('_') || c == QLatin1Char('+')
        || c.isSpace())
        return PartKind::Separator;
    return PartKind::Text;
}

// "1.10b2" -> 1 . 10 b 2; separators are kept one per character so "1..2" is not "1.2".
QList<Part> split(const QString &version)
{
    QList<Part> parts;
    for (const QChar c : version) {
        const PartKind kind = kindOf(c);
        if (!parts.isEmpty() && parts.last().kind == kind && kind != PartKind::Separator)
            parts.last().text += c;
        else
            parts.append({kind, QString(c)});
    }
    return parts;
}

int compareNumbers(QString a, QString b)
{
    // By value without overflow: strip leading zeros, then longer is larger.
    while (a.size() > 1 && a.startsWith(QLatin1Char('0')))
        a.remove(0, 1);
    while (b.size() > 1 && b.startsWith(QLatin1Char('0')))
        b.remove(0, 1);
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    return a.compare(b);
}

// What the rest of the longer version means once the shorter one ran out: a text part ("b1") makes it a
// pre-release (older); any number other than zero makes it newer; zeros and separators are equal.
int compareTail(const QList<Part> &longer, qsizetype from)
{
    for (qsizetype i = from; i < longer.size(); ++i) {
        if (longer[i].kind == PartKind::Text)
            return -1;
        if (longer[i].kind == PartKind::Number && compareNumbers(longer[i].text, QStringLiteral("0")) != 0)
            return 1;
    }
    return 0;
}

QString attribute(const QXmlStreamAttributes &attributes, const QString &name)
{
    const QStringView value = attributes.value(kSparkleNs, name);
    return value.isEmpty() ? attributes.value(QStringLiteral("sparkle:") + name).toString() : value.toString();
}

void readItem(QXmlStreamReader &xml, AppcastItem &item)
{
    while (xml.readNextStartElement()) {
        const QStringView name = xml.name();
        const bool sparkle = xml.namespaceUri() == kSparkleNs;
        if (name == QLatin1String("enclosure")) {
            const QXmlStreamAttributes attributes = xml.attributes();
            if (const QString v = attribute(attributes, QStringLiteral("version")); !v.isEmpty())
                item.version = v;
            if (const QString v = attribute(attributes, QStringLiteral("shortVersionString")); !v.isEmpty())
                item.displayVersion = v;
            if (const QString url = attributes.value(QStringLiteral("url")).toString(); !url.isEmpty())
                item.downloadUrl = QUrl(url);
            xml.skipCurrentElement();
        } else if (sparkle && name == QLatin1String("version")) {
            item.version = xml.readElementText().trimmed();
        } else if (sparkle && name == QLatin1String("shortVersionString")) {
            item.displayVersion = xml.readElementText().trimmed();
        } else if (sparkle && name == QLatin1String("releaseNotesLink")) {
            item.notesUrl = QUrl(xml.readElementText().trimmed());
        } else if (name == QLatin1String("title")) {
            item.title = xml.readElementText().trimmed();
        } else if (name == QLatin1String("link") && item.downloadUrl.isEmpty()) {
            item.downloadUrl = QUrl(xml.readElementText().trimmed());
        } else {
            xml.skipCurrentElement();
        }
    }
}

} // namespace

int compareVersions(const QString &a, const QString &b)
{
    const QList<Part> left = split(a.trimmed());
    const QList<Part> right = split(b.trimmed());
    const qsizetype common = qMin(left.size(), right.size());
    for (qsizetype i = 0; i < common; ++i) {
        const Part &l = left[i];
        const Part &r = right[i];
        if (l.kind == r.kind) {
            int order = 0;
            if (l.kind == PartKind::Number)
                order = compareNumbers(l.text, r.text);
            else if (l.kind == PartKind::Text)
                order = l.text.compare(r.text);
            if (order != 0)
                return order < 0 ? -1 : 1;
            continue;
        }
        // Different kinds at one place: a number is newer than text ("1.0.1" > "1.0b"), and a separator
        // that goes on is newer than text ending a part ("1.0.1" > "1.0a").
        if (l.kind == PartKind::Text)
            return -1;
        if (r.kind == PartKind::Text)
            return 1;
        return l.kind == PartKind::Number ? 1 : -1;
    }
    if (left.size() == right.size())
        return 0;
    return left.size() > right.size() ? compareTail(left, common) : -compareTail(right, common);
}

std::optional<AppcastItem> newestItem(const QByteArray &feed)
{
    if (feed.isEmpty() || feed.size() > kMaxFeedBytes)
        return std::nullopt;
    QXmlStreamReader xml(feed);
    std::optional<AppcastItem> newest;
    int items = 0;
    bool sawRss = false;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QLatin1String("rss")) {
            sawRss = true;
            continue;
        }
        if (xml.name() != QLatin1String("item"))
            continue;
        if (++items > kMaxItems)
            break;
        AppcastItem item;
        readItem(xml, item);
        if (item.version.isEmpty())
            continue;
        if (item.displayVersion.isEmpty())
            item.displayVersion = item.version;
        if (!newest || compareVersions(item.version, newest->version) > 0)
            newest = std::move(item);
    }
    // A truncated or malformed document offers nothing: half a feed may miss the newest release.
    if (xml.hasError() || !sawRss)
        return std::nullopt;
    return newest;
}

} // namespace tavolin::appcast
