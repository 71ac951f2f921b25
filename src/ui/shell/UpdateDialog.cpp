#include "ui/shell/UpdateDialog.h"

#include <QDesktopServices>
#include <QMessageBox>
#include <QPushButton>

namespace tavolin {

UpdatePrompt::Choice DialogUpdatePrompt::offerUpdate(const AppcastItem &item, const QString &currentVersion)
{
    QMessageBox box;
    box.setWindowTitle(tr("Tavolin Update"));
    box.setTextFormat(Qt::PlainText); // feed text is never markup
    box.setText(tr("A new version of Tavolin is available: %1 (you have %2).")
                    .arg(item.displayVersion, currentVersion));
    if (!item.title.isEmpty())
        box.setInformativeText(item.title);
    QPushButton *download = box.addButton(tr("Download"), QMessageBox::AcceptRole);
    QPushButton *skip = box.addButton(tr("Skip This Version"), QMessageBox::DestructiveRole);
    box.addButton(tr("Remind Me Later"), QMessageBox::RejectRole);
    box.setDefaultButton(download);
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    box.exec();
    if (box.clickedButton() == download)
        return Choice::Download;
    if (box.clickedButton() == skip)
        return Choice::SkipThisVersion;
    return Choice::Later;
}

void DialogUpdatePrompt::inform(const QString &message)
{
    QMessageBox box;
    box.setWindowTitle(tr("Tavolin Update"));
    box.setTextFormat(Qt::PlainText);
    box.setText(message);
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    box.exec();
}

void DialogUpdatePrompt::openUrl(const QUrl &url)
{
    // Only web addresses: a feed must not make the desktop run a local file.
    if (url.scheme() == QLatin1String("https") || url.scheme() == QLatin1String("http"))
        QDesktopServices::openUrl(url);
}

} // namespace tavolin
