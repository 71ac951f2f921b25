#include "WidgetPrompter.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QIcon>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace tavolin {

QIcon applicationIcon(const DesktopApp &app)
{
    const QIcon fallback = QIcon::fromTheme(QStringLiteral("application-x-executable"));
    if (app.icon.startsWith(QLatin1Char('/')))
        return QFileInfo::exists(app.icon) ? QIcon(app.icon) : fallback;
    return app.icon.isEmpty() ? fallback : QIcon::fromTheme(app.icon, fallback);
}

void WidgetPrompter::showMessage(QWidget *parent, Style style, const QString &text, const QString &informative)
{
    QMessageBox box(parent);
    box.setWindowModality(Qt::WindowModal);
    box.setIcon(style == Style::Critical  ? QMessageBox::Critical
                : style == Style::Warning ? QMessageBox::Warning
                                          : QMessageBox::Information);
    box.setText(text);
    box.setInformativeText(informative);
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
}

bool WidgetPrompter::confirm(QWidget *parent, const QString &text, const QString &informative,
                             const QString &acceptLabel)
{
    QMessageBox box(parent);
    box.setWindowModality(Qt::WindowModal);
    box.setIcon(QMessageBox::Warning);
    box.setText(text);
    box.setInformativeText(informative);
    QPushButton *accept = box.addButton(acceptLabel, QMessageBox::AcceptRole);
    box.addButton(QMessageBox::Cancel);
    box.setDefaultButton(accept);
    box.exec();
    return box.clickedButton() == accept;
}

bool WidgetPrompter::runDialog(QDialog &dialog)
{
    dialog.setWindowModality(Qt::WindowModal);
    return dialog.exec() == QDialog::Accepted;
}

namespace {

// Qt's own file dialog where a folder with one of the given endings (a bundle, such as an extension's
// ".pext") is chosen as a whole, whether opened by a double click or with the Open button; the desktop's
// dialog would only ever show its contents.
class BundleFileDialog final : public QFileDialog
{
public:
    BundleFileDialog(QWidget *parent, const QString &title, QStringList bundleSuffixes)
        : QFileDialog(parent, title), m_bundleSuffixes(std::move(bundleSuffixes))
    {
        setOption(QFileDialog::DontUseNativeDialog);
        setFileMode(QFileDialog::ExistingFile);
        connect(this, &QFileDialog::directoryEntered, this, [this](const QString &folder) { chooseIfBundle(folder); });
    }

    QString chosen() const { return m_bundle.isEmpty() ? selectedFiles().value(0) : m_bundle; }

protected:
    void accept() override
    {
        if (!chooseIfBundle(selectedFiles().value(0)))
            QFileDialog::accept();
    }

private:
    bool chooseIfBundle(const QString &path)
    {
        const QFileInfo info(path);
        if (!info.isDir() || info.suffix().isEmpty() || !m_bundleSuffixes.contains(info.suffix()))
            return false;
        m_bundle = info.absoluteFilePath();
        done(QDialog::Accepted);
        return true;
    }

    QStringList m_bundleSuffixes;
    QString m_bundle;
};

} // namespace

QString WidgetPrompter::chooseFile(QWidget *parent, const QString &title, const QStringList &suffixes)
{
    QStringList patterns;
    for (const QString &suffix : suffixes) {
        if (!suffix.isEmpty())
            patterns << QStringLiteral("*.") + suffix;
    }
    BundleFileDialog dialog(parent, title, suffixes);
    // Files without an ending cannot be expressed as a pattern; offer everything next to the list.
    QString filter = QObject::tr("Extensions (%1)").arg(patterns.join(QLatin1Char(' ')));
    if (suffixes.isEmpty() || suffixes.contains(QString()))
        filter += QStringLiteral(";;") + QObject::tr("All files (*)");
    if (!patterns.isEmpty())
        dialog.setNameFilter(filter);
    dialog.setWindowModality(Qt::WindowModal);
    return dialog.exec() == QDialog::Accepted ? dialog.chosen() : QString();
}

QList<DesktopApp> WidgetPrompter::chooseApplications(QWidget *parent, const QList<DesktopApp> &installed,
                                                     bool multiple)
{
    QDialog dialog(parent);
    dialog.setWindowTitle(QObject::tr("Choose Application"));
    auto *list = new QListWidget(&dialog);
    list->setSelectionMode(multiple ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection);
    for (const DesktopApp &app : installed) {
        auto *item = new QListWidgetItem(applicationIcon(app), app.name, list);
        item->setToolTip(app.desktopId);
    }
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QPushButton *others = buttons->addButton(QObject::tr("Others…"), QDialogButtonBox::ActionRole);
    auto *layout = new QVBoxLayout(&dialog);
    layout->addWidget(list);
    layout->addWidget(buttons);
    QList<DesktopApp> chosen;
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    QObject::connect(list, &QListWidget::itemDoubleClicked, &dialog, &QDialog::accept);
    QObject::connect(others, &QPushButton::clicked, &dialog, [&] {
        const QString path = chooseExecutable(&dialog);
        if (path.isEmpty())
            return;
        chosen = {ApplicationCatalog::fromExecutablePath(path, installed)};
        dialog.done(QDialog::Accepted + 1);
    });
    dialog.resize(420, 480);
    const int result = dialog.exec();
    if (result == QDialog::Accepted + 1)
        return chosen;
    if (result != QDialog::Accepted)
        return {};
    for (int row = 0; row < list->count(); ++row) {
        if (list->item(row)->isSelected())
            chosen << installed.at(row);
    }
    return chosen;
}

QString WidgetPrompter::chooseExecutable(QWidget *parent)
{
    const QString path = QFileDialog::getOpenFileName(parent, QObject::tr("Choose a Program"),
                                                      QStringLiteral("/usr/bin"));
    return QFileInfo(path).isFile() ? path : QString();
}

} // namespace tavolin
