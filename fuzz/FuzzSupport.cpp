#include "FuzzSupport.h"

#include "common/Log.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

namespace tavolin::fuzz {

const QString &setUpApplication()
{
    static const QString home = [] {
        // In memory where there is such a folder: every settings write is flushed to disk, which on a disk
        // costs tens of milliseconds and would make the file targets a hundred times slower.
        const QString scratch = QFileInfo(QStringLiteral("/dev/shm")).isWritable() ? QStringLiteral("/dev/shm")
                                                                                    : QDir::tempPath();
        static QTemporaryDir dir(scratch + QStringLiteral("/tavolin-fuzz-XXXXXX"));
        const QString path = dir.path();
        for (const char *name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"})
            qputenv(name, QFile::encodeName(path + QLatin1Char('/') + QLatin1String(name)));
        static int argc = 1;
        static char name[] = "tavolin-fuzz";
        static char *argv[] = {name, nullptr};
        static QCoreApplication app(argc, argv);
        // Refused input is logged on every run; the lines would drown the fuzzer's own.
        log::setSink([](log::Level, const QString &) {});
        return path;
    }();
    return home;
}

QList<QByteArray> splitInput(const uint8_t *data, size_t size, int parts)
{
    const QByteArray all(reinterpret_cast<const char *>(data), qsizetype(size));
    QList<QByteArray> pieces;
    qsizetype from = 0;
    while (pieces.size() + 1 < parts) {
        const qsizetype nul = all.indexOf('\0', from);
        if (nul < 0)
            break;
        pieces.append(all.mid(from, nul - from));
        from = nul + 1;
    }
    pieces.append(all.mid(from));
    while (pieces.size() < parts)
        pieces.append(QByteArray());
    return pieces;
}

void require(bool holds, const char *property, const QString &detail)
{
    if (holds)
        return;
    std::fprintf(stderr, "property broken: %s\n%s\n", property, detail.toUtf8().constData());
    std::abort();
}

} // namespace tavolin::fuzz
