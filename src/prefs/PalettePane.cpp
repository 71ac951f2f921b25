#include "PalettePane.h"

#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QTabWidget>
#include <QUrl>
#include <QVBoxLayout>

namespace tavolin {

PalettePane::PalettePane(QWidget *parent) : QWidget(parent), m_tabs(new QTabWidget(this))
{
    setAcceptDrops(true);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addWidget(m_tabs);
}

void PalettePane::addTab(QWidget *page, const QString &label)
{
    m_tabs->addTab(page, label);
}

void PalettePane::selectLastTab()
{
    m_tabs->setCurrentIndex(m_tabs->count() - 1);
}

bool PalettePane::hasExtensionSuffix(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix();
    return suffix.isEmpty() || suffix == QLatin1String("pext") || suffix == QLatin1String("sh")
        || suffix == QLatin1String("py") || suffix == QLatin1String("scpt");
}

bool PalettePane::isImportableFile(const QString &path)
{
    const QString clean = QDir::cleanPath(path);
    return QFileInfo::exists(clean) && hasExtensionSuffix(clean);
}

QString PalettePane::importableFileFrom(const QMimeData *mime) const
{
    if (!mime || !mime->hasUrls())
        return QString();
    const QList<QUrl> urls = mime->urls();
    if (urls.isEmpty() || !urls.first().isLocalFile())
        return QString();
    const QString path = QDir::cleanPath(urls.first().toLocalFile());
    return isImportableFile(path) ? path : QString();
}

void PalettePane::dragEnterEvent(QDragEnterEvent *event)
{
    if (!importableFileFrom(event->mimeData()).isEmpty())
        event->acceptProposedAction();
    else
        event->ignore();
}

void PalettePane::dropEvent(QDropEvent *event)
{
    const QString path = importableFileFrom(event->mimeData());
    if (path.isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    Q_EMIT fileDropped(path);
}

} // namespace tavolin
