#pragma once

#include <QString>
#include <QWidget>

class QDragEnterEvent;
class QDropEvent;
class QMimeData;
class QTabWidget;

namespace tavolin {

// The palette pane: a tab view (Palette, App Rules, Menu Rules, Extensions — the last one always last) that
// also accepts extension files dropped on it. Main thread.
class PalettePane : public QWidget
{
    Q_OBJECT
public:
    explicit PalettePane(QWidget *parent = nullptr);

    QTabWidget *tabControl() const { return m_tabs; }
    void addTab(QWidget *page, const QString &label);
    void selectLastTab();

    // True for a local file an extension can be imported from: no ending, or ".pext", ".sh", ".py", ".scpt".
    static bool isImportableFile(const QString &path);
    // Whether `path` ends the way an extension file or bundle does (".pext", ".sh", ".py", ".scpt" or no
    // ending), whether or not it exists.
    static bool hasExtensionSuffix(const QString &path);

Q_SIGNALS:
    // An importable file was dropped on the pane.
    void fileDropped(const QString &path);

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    QString importableFileFrom(const QMimeData *mime) const;

    QTabWidget *m_tabs;
};

} // namespace tavolin
