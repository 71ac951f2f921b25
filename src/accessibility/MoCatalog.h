#pragma once

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

namespace tavolin {

// One translation of a compiled gettext catalog. Plural entries keep their singular forms.
struct MoEntry
{
    QString context; // msgctxt, "" when none
    QString msgid;
    QString msgstr;
};

// A strict reader of compiled gettext catalogs (.mo). Every offset and length is checked against the data
// size before it is used; anything malformed, truncated, not UTF-8 or larger than kMaxFileSize is refused as
// a whole (none), quietly. Pure functions: thread-safe.
class MoCatalog
{
public:
    static constexpr qint64 kMaxFileSize = 64 * 1024 * 1024;

    static std::optional<std::vector<MoEntry>> parse(const QByteArray &data);
    // Reads and parses the file; none when it cannot be read or is refused.
    static std::optional<std::vector<MoEntry>> readFile(const QString &path);
};

} // namespace tavolin
