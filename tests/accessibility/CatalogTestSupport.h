#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QString>

#include <algorithm>
#include <utility>
#include <vector>

namespace tavolin::test {

// Compiles `po` (gettext source text) into `moPath` with msgfmt; false with `error` set when it failed.
inline bool compileCatalog(const QString &po, const QString &moPath, QString *error)
{
    const QString msgfmt = QStandardPaths::findExecutable(QStringLiteral("msgfmt"));
    if (msgfmt.isEmpty()) {
        *error = QStringLiteral("msgfmt not found (Debian package gettext; scripts/install-deps.sh installs it)");
        return false;
    }
    QDir().mkpath(QFileInfo(moPath).path());
    const QString poPath = moPath + QStringLiteral(".po");
    QFile file(poPath);
    if (!file.open(QIODevice::WriteOnly) || file.write(po.toUtf8()) < 0) {
        *error = QStringLiteral("cannot write %1").arg(poPath);
        return false;
    }
    file.close();
    QProcess process;
    process.start(msgfmt, {QStringLiteral("-o"), moPath, poPath});
    if (!process.waitForFinished(30'000) || process.exitCode() != 0) {
        *error = QString::fromLocal8Bit(process.readAllStandardError());
        return false;
    }
    return true;
}

// A catalog header declaring UTF-8, as msgfmt expects.
inline QString poHeader()
{
    return QStringLiteral("msgid \"\"\nmsgstr \"\"\n\"Content-Type: text/plain; charset=UTF-8\\n\"\n\n");
}

inline QString poEntry(const QString &msgid, const QString &msgstr)
{
    return QStringLiteral("msgid \"%1\"\nmsgstr \"%2\"\n\n").arg(msgid, msgstr);
}

// Builds .mo bytes by hand, for shapes msgfmt never writes (big-endian, chosen corruption).
inline QByteArray buildMo(std::vector<std::pair<QByteArray, QByteArray>> entries, bool bigEndian)
{
    std::sort(entries.begin(), entries.end());
    QByteArray out;
    auto word = [&out, bigEndian](quint32 v) {
        const char b[4] = {char(v & 0xff), char((v >> 8) & 0xff), char((v >> 16) & 0xff), char(v >> 24)};
        if (bigEndian)
            out.append(b[3]).append(b[2]).append(b[1]).append(b[0]);
        else
            out.append(b, 4);
    };
    const quint32 n = quint32(entries.size());
    const quint32 originals = 28, translations = originals + 8 * n, strings = translations + 8 * n;
    for (const quint32 v : {0x950412deu, 0u, n, originals, translations, 0u, 0u})
        word(v);
    // The originals' table, then the translations', each slot the length and offset of a string in the pool.
    QByteArray pool;
    for (const bool translated : {false, true}) {
        for (const auto &[id, str] : entries) {
            const QByteArray &text = translated ? str : id;
            word(quint32(text.size()));
            word(strings + quint32(pool.size()));
            pool.append(text).append('\0');
        }
    }
    out.append(pool);
    return out;
}

} // namespace tavolin::test
