#pragma once

#include "PrefsContext.h"

class QIcon;

namespace tavolin {

// Prompter with real windows: QMessageBox alerts, QFileDialog choosers and a list of the installed
// applications with an "Others…" button. Each is modal to the parent's window.
class WidgetPrompter final : public Prompter
{
public:
    void showMessage(QWidget *parent, Style style, const QString &text, const QString &informative) override;
    bool confirm(QWidget *parent, const QString &text, const QString &informative,
                 const QString &acceptLabel) override;
    bool runDialog(QDialog &dialog) override;
    QString chooseFile(QWidget *parent, const QString &title, const QStringList &suffixes) override;
    QList<DesktopApp> chooseApplications(QWidget *parent, const QList<DesktopApp> &installed,
                                         bool multiple) override;
    QString chooseExecutable(QWidget *parent) override;
};

// Icon of an application: its theme icon name or icon file, else a generic program icon.
QIcon applicationIcon(const DesktopApp &app);

} // namespace tavolin
