#include "platform/linux/WindowTitleDocument.h"

#include <QDir>
#include <QFileInfo>

#include <vector>

namespace tavolin::windowtitle {
namespace {

constexpr qsizetype kMaxTitleLength = 4096 + 256; // a path as long as the system allows, plus decoration
constexpr int kMaxParts = 12;                     // more separators than this is not a document title

// A title split at its separators: part i is text.mid(starts[i], ends[i] - starts[i]).
struct Parts
{
    std::vector<qsizetype> starts;
    std::vector<qsizetype> ends;
};

Parts splitParts(const QString &text)
{
    static const QString kSeparators[] = {QStringLiteral(" - "), QStringLiteral(" \u2014 "),
                                          QStringLiteral(" \u2013 ")};
    Parts parts;
    parts.starts.push_back(0);
    for (qsizetype i = 0; i < text.size() && int(parts.starts.size()) < kMaxParts; ++i) {
        for (const QString &separator : kSeparators) {
            if (QStringView(text).mid(i).startsWith(separator)) {
                parts.ends.push_back(i);
                parts.starts.push_back(i + separator.size());
                i += separator.size() - 1;
                break;
            }
        }
    }
    parts.ends.push_back(text.size());
    return parts;
}

bool isPlainName(const QString &name)
{
    return !name.isEmpty() && !name.contains(QLatin1Char('/')) && name != QLatin1String(".")
        && name != QLatin1String("..");
}

class Matcher
{
public:
    Matcher(const QString &home, const IsFile &isFile) : m_home(home), m_isFile(isFile) {}

    // `candidate` as an absolute path ("~" expanded) when it names an existing regular file.
    std::optional<QString> accept(const QString &candidate) const
    {
        QString path = candidate.trimmed();
        if (path.startsWith(QLatin1String("~/")) && !m_home.isEmpty())
            path = m_home + path.mid(1);
        if (!path.startsWith(QLatin1Char('/')) || path.contains(QChar(0)))
            return std::nullopt;
        path = QDir::cleanPath(path);
        if (path == QLatin1String("/") || !m_isFile || !m_isFile(path))
            return std::nullopt;
        return path;
    }

    std::optional<QString> inFolder(const QString &name, const QString &folder) const
    {
        const QString trimmedName = name.trimmed();
        const QString trimmedFolder = folder.trimmed();
        if (!isPlainName(trimmedName)
            || !(trimmedFolder.startsWith(QLatin1Char('/')) || trimmedFolder.startsWith(QLatin1Char('~'))))
            return std::nullopt;
        const QString base = trimmedFolder == QLatin1String("~") ? QStringLiteral("~/") : trimmedFolder;
        return accept(base + QLatin1Char('/') + trimmedName);
    }

    // "name (folder)"
    std::optional<QString> parenthesised(const QString &text) const
    {
        const QString trimmed = text.trimmed();
        if (!trimmed.endsWith(QLatin1Char(')')))
            return std::nullopt;
        const qsizetype open = trimmed.lastIndexOf(QLatin1String(" ("));
        if (open <= 0)
            return std::nullopt;
        return inFolder(trimmed.left(open), trimmed.mid(open + 2, trimmed.size() - open - 3));
    }

private:
    QString m_home;
    const IsFile &m_isFile;
};

} // namespace

std::optional<QString> documentPath(const QString &title, const QString &homePath, const IsFile &isFile)
{
    QString text = title.trimmed();
    if (text.isEmpty() || text.size() > kMaxTitleLength)
        return std::nullopt;
    // Editors mark unsaved changes in front of the title.
    while (!text.isEmpty()
           && (text.front() == QLatin1Char('*') || text.front() == QChar(0x2022) || text.front() == QChar(0x25CF)))
        text = text.mid(1).trimmed();

    const Matcher matcher(homePath, isFile);
    const Parts parts = splitParts(text);
    const int count = int(parts.starts.size());
    const auto span = [&](int first, int last) {
        return text.mid(parts.starts[first], parts.ends[last] - parts.starts[first]);
    };
    // A path may itself hold a separator ("a - b.txt"): try the longest span first.
    for (int first = 0; first < count; ++first) {
        for (int last = count - 1; last >= first; --last) {
            const QString candidate = span(first, last);
            if (candidate.startsWith(QLatin1Char('/')) || candidate.startsWith(QLatin1String("~/"))) {
                if (auto path = matcher.accept(candidate))
                    return path;
            }
            if (auto path = matcher.parenthesised(candidate))
                return path;
        }
    }
    for (int first = 0; first < count; ++first) {
        for (int cut = first; cut + 1 < count; ++cut) {
            for (int last = count - 1; last > cut; --last) {
                if (auto path = matcher.inFolder(span(first, cut), span(cut + 1, last)))
                    return path;
            }
        }
    }
    return std::nullopt;
}

std::optional<QString> documentPath(const QString &title)
{
    return documentPath(title, QDir::homePath(), [](const QString &path) { return QFileInfo(path).isFile(); });
}

} // namespace tavolin::windowtitle
