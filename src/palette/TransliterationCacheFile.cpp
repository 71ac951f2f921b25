#include "palette/TransliterationCacheFile.h"

#include <QStringDecoder>

#include <algorithm>

namespace tavolin::transliterationcache {
namespace {

constexpr QByteArrayView kMagic = "tavolin-transliterations 1 ";

bool storable(const QString &text)
{
    return std::none_of(text.cbegin(), text.cend(), [](QChar c) { return c == u'\t' || c == u'\n' || c == u'\r'; });
}

std::optional<QString> strictUtf8(QByteArrayView bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

} // namespace

QByteArray encode(const Entries &entries, const QByteArray &tag)
{
    QByteArray out = kMagic.toByteArray() + tag + '\n';
    qsizetype written = 0;
    for (auto it = entries.cbegin(); it != entries.cend() && written < kMaxEntries; ++it) {
        if (it.key().isEmpty() || !storable(it.key()) || !storable(it.value()))
            continue;
        const QByteArray line = it.key().toUtf8() + '\t' + it.value().toUtf8() + '\n';
        if (out.size() + line.size() > kMaxBytes)
            break;
        out += line;
        ++written;
    }
    return out;
}

std::optional<Entries> decode(QByteArrayView bytes, const QByteArray &tag)
{
    const QByteArray header = kMagic.toByteArray() + tag + '\n';
    if (bytes.size() > kMaxBytes || !bytes.startsWith(header))
        return std::nullopt;
    Entries entries;
    QByteArrayView rest = bytes.sliced(header.size());
    while (!rest.isEmpty()) {
        const qsizetype end = rest.indexOf('\n');
        if (end < 0 || entries.size() >= kMaxEntries)
            return std::nullopt;
        const QByteArrayView line = rest.first(end);
        rest = rest.sliced(end + 1);
        const qsizetype tab = line.indexOf('\t');
        if (tab <= 0 || line.sliced(tab + 1).contains('\t') || line.contains('\r'))
            return std::nullopt;
        std::optional<QString> part = strictUtf8(line.first(tab));
        std::optional<QString> latin = strictUtf8(line.sliced(tab + 1));
        if (!part || !latin)
            return std::nullopt;
        entries.insert(*part, *latin);
    }
    return entries;
}

} // namespace tavolin::transliterationcache
