#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QString>

#include <optional>

namespace tavolin::transliterationcache {

// The Latin forms of title parts, as a file keeps them between processes. The file is a cache: one that does
// not read whole (another tag, a line out of shape, text that is not UTF-8, too many entries or bytes) reads
// as nothing and is written anew.
//
// Its form, UTF-8 text:
//   tavolin-transliterations 1 <tag>\n
//   <part>\t<latin>\n ...
// A part or Latin form holding a tab, line feed or carriage return is left out when writing.
using Entries = QHash<QString, QString>;

constexpr qsizetype kMaxEntries = 32768;
constexpr qsizetype kMaxBytes = 4 * 1024 * 1024;

QByteArray encode(const Entries &entries, const QByteArray &tag);
// The entries of `bytes` when they were written by encode() with the same `tag`.
std::optional<Entries> decode(QByteArrayView bytes, const QByteArray &tag);

} // namespace tavolin::transliterationcache
