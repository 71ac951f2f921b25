#include "accessibility/MoCatalog.h"

#include <QFile>
#include <QStringDecoder>

#include <cstdint>

namespace tavolin {
namespace {

constexpr uint32_t kMagic = 0x950412de;
constexpr uint64_t kHeaderSize = 28;
constexpr uint64_t kTableEntrySize = 8; // length and offset, 32 bits each

class Reader
{
public:
    Reader(const QByteArray &data, bool bigEndian) : m_data(data), m_bigEndian(bigEndian) {}

    uint64_t size() const { return static_cast<uint64_t>(m_data.size()); }

    // The 32-bit word at `offset`; the caller has checked that it lies inside the data.
    uint32_t word(uint64_t offset) const
    {
        const auto *p = reinterpret_cast<const unsigned char *>(m_data.constData()) + offset;
        if (m_bigEndian)
            return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
        return uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | uint32_t(p[0]);
    }

    // The string described by table entry `index` of the table at `table`; none when out of bounds.
    std::optional<QByteArray> string(uint64_t table, uint64_t index) const
    {
        const uint64_t entry = table + index * kTableEntrySize;
        const uint64_t length = word(entry);
        const uint64_t offset = word(entry + 4);
        if (offset > size() || length > size() - offset)
            return std::nullopt;
        return QByteArray(m_data.constData() + offset, static_cast<qsizetype>(length));
    }

private:
    const QByteArray &m_data;
    bool m_bigEndian;
};

std::optional<QString> decodeUtf8(const QByteArray &bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

// Plural entries hold their forms separated by NUL; the singular comes first.
QByteArray singular(const QByteArray &bytes)
{
    const qsizetype nul = bytes.indexOf('\0');
    return nul < 0 ? bytes : bytes.left(nul);
}

std::optional<MoEntry> entry(const QByteArray &original, const QByteArray &translation)
{
    QByteArray id = singular(original);
    QByteArray context;
    if (const qsizetype eot = id.indexOf('\x04'); eot >= 0) {
        context = id.left(eot);
        id = id.mid(eot + 1);
    }
    std::optional<QString> msgid = decodeUtf8(id);
    std::optional<QString> msgstr = decodeUtf8(singular(translation));
    std::optional<QString> msgctxt = decodeUtf8(context);
    if (!msgid || !msgstr || !msgctxt)
        return std::nullopt;
    return MoEntry{*msgctxt, *msgid, *msgstr};
}

} // namespace

std::optional<std::vector<MoEntry>> MoCatalog::parse(const QByteArray &data)
{
    if (static_cast<uint64_t>(data.size()) < kHeaderSize || data.size() > kMaxFileSize)
        return std::nullopt;
    bool bigEndian = false;
    if (Reader(data, false).word(0) != kMagic) {
        if (Reader(data, true).word(0) != kMagic)
            return std::nullopt;
        bigEndian = true;
    }
    const Reader reader(data, bigEndian);
    if ((reader.word(4) >> 16) > 1) // major revisions 0 and 1 share this layout
        return std::nullopt;
    const uint64_t count = reader.word(8);
    const uint64_t originals = reader.word(12);
    const uint64_t translations = reader.word(16);
    const uint64_t tableSize = count * kTableEntrySize;
    if (originals > reader.size() || tableSize > reader.size() - originals)
        return std::nullopt;
    if (translations > reader.size() || tableSize > reader.size() - translations)
        return std::nullopt;

    std::vector<MoEntry> entries;
    entries.reserve(static_cast<size_t>(count));
    for (uint64_t i = 0; i < count; ++i) {
        const std::optional<QByteArray> original = reader.string(originals, i);
        const std::optional<QByteArray> translation = reader.string(translations, i);
        if (!original || !translation)
            return std::nullopt;
        std::optional<MoEntry> decoded = entry(*original, *translation);
        if (!decoded)
            return std::nullopt;
        entries.push_back(std::move(*decoded));
    }
    return entries;
}

std::optional<std::vector<MoEntry>> MoCatalog::readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxFileSize)
        return std::nullopt;
    const QByteArray data = file.read(kMaxFileSize + 1);
    if (data.size() != file.size())
        return std::nullopt;
    return parse(data);
}

} // namespace tavolin
