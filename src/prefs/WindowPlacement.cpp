#include "WindowPlacement.h"

#include "common/Paths.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

namespace tavolin::windowplacement {
namespace {

// A place file is two short numbers; anything longer is not ours.
constexpr qint64 kMaxFileSize = 64;

} // namespace

QString filePath()
{
    return paths::stateDir() + QStringLiteral("/preferences-window");
}

std::optional<QPoint> load()
{
    QFile file(filePath());
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QList<QByteArray> parts = file.read(kMaxFileSize).simplified().split(' ');
    if (parts.size() != 2)
        return std::nullopt;
    bool xOk = false;
    bool yOk = false;
    const int x = parts.at(0).toInt(&xOk);
    const int y = parts.at(1).toInt(&yOk);
    return xOk && yOk ? std::optional<QPoint>(QPoint(x, y)) : std::nullopt;
}

bool save(QPoint topLeft)
{
    if (!QDir().mkpath(paths::stateDir()))
        return false;
    QSaveFile file(filePath());
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(QByteArray::number(topLeft.x()) + ' ' + QByteArray::number(topLeft.y()) + '\n');
    return file.commit();
}

QPoint placeFor(std::optional<QPoint> saved, QSize size, const QList<QRect> &screens, const QRect &primary)
{
    if (saved) {
        const QRect titleArea(*saved, QSize(size.width(), kVisibleMargin));
        for (const QRect &screen : screens) {
            const QRect shown = screen.intersected(titleArea);
            if (shown.width() >= kVisibleMargin && shown.height() >= kVisibleMargin / 2)
                return *saved;
        }
    }
    return primary.center() - QPoint(size.width() / 2, size.height() / 2);
}

} // namespace tavolin::windowplacement
