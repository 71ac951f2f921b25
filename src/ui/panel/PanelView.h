#pragma once

#include "palette/DataSource.h"

#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QToolButton>
#include <QWidget>

#include <chrono>
#include <optional>

namespace tavolin {

class ClickableLabel;
class InputBackgroundController;
class ListView;
class PanelDelegate;
class SettingsDomain;

// When `typed` matches the start of `title` (ignoring case and marks), the rest of the title; else none.
std::optional<QString> hintRemainder(const QString &title, const QString &typed);

// The input field of the panel: hands every key press to its PanelView before editing it, and keys that
// editing leaves alone back to the view (bypass).
class PanelLineEdit final : public QLineEdit
{
    Q_OBJECT
public:
    explicit PanelLineEdit(QWidget *parent);
    // Where the text starts, in the field's coordinates.
    int textLeft() const;
    // Drops the field's own undo history (a submenu move starts a new chapter).
    void clearUndoHistory();

protected:
    bool event(QEvent *event) override;
};

// The input row of the panel: application icon, the "where am I" label, the text field with the autocomplete
// hint after the typed text, and the options button. It turns key presses into calls on its delegate (the
// window controller): the key table first, then the text-editing commands, then the field's own editing,
// and what nobody handled goes to bypassKeyEvent. Titles and labels are plain text.
//
// Main thread. The data source, settings, list and delegate must outlive the view.
class PanelView final : public QWidget
{
    Q_OBJECT
public:
    PanelView(DataSource &source, SettingsDomain &settings, QWidget *parent = nullptr);
    ~PanelView() override;

    void setDelegate(PanelDelegate *delegate) { m_delegate = delegate; }
    void setList(ListView *list) { m_list = list; }

    PanelLineEdit *input() const { return m_input; }
    ClickableLabel *hint() const { return m_hint; }
    QLabel *menuLabel() const { return m_menuLabel; }
    QToolButton *stackIcon() const { return m_stackIcon; }
    InputBackgroundController *inputBackgroundController() const { return m_inputBackground; }

    // The row offered by the hint; null when no hint is shown.
    RowDataPtr hintItem() const { return m_hintItem; }
    // Width given to the typed text before the hint: its advance + 2 when the hint continues the word,
    // + 8 otherwise.
    int inputWidth() const { return m_inputWidth; }
    void renderHint(const RowDataPtr &row);
    void hideHint();
    // Accepts the hint: enters it or performs it. False when there was no hint.
    bool completeFilter();

    // Icon (theme name or absolute path); none clears it.
    void setIcon(const std::optional<QString> &icon);
    void setStackImage(const QString &name); // "gear", "update", "back" or "" for none
    QString stackImage() const { return m_stackImage; }
    void setPlaceholder(const QString &text);

    // Sizes from the theme and mode.
    void setMetrics(int fontPixels, int iconSize, int margin);
    void setColors(std::optional<QColor> background, const QColor &text, const QColor &label,
                   const QColor &placeholder);

    // Key handling in the order the panel gives it; each returns whether the key was used.
    bool handleKeyEquivalent(QKeyEvent &event);
    bool handleTextCommand(QKeyEvent &event);
    bool handleUndo(QKeyEvent &event);
    bool handleUnusedKey(QKeyEvent &event);
    // Return chooses the row when it comes up (see choosePendingRow()); any other key first settles a choice
    // still waiting for it: Escape drops it, the rest make it at once. Each returns whether the key was used.
    bool handleKeyRelease(QKeyEvent &event);
    bool settlePendingChoice(QKeyEvent &event);
    // How long a held Return may stay down before its row is chosen anyway (kReleaseWaitMs unless set).
    void setReleaseWait(std::chrono::milliseconds wait) { m_releaseWait.setInterval(wait); }

    // Places icon, label, input, hint and button after a change of size or label.
    void layoutRow();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void placeHint();
    bool listIsEmpty() const;
    void choosePendingRow();

    DataSource &m_source;
    SettingsDomain &m_settings;
    PanelDelegate *m_delegate = nullptr;
    ListView *m_list = nullptr;
    PanelLineEdit *m_input;
    ClickableLabel *m_hint;
    QLabel *m_menuLabel;
    QLabel *m_iconLabel;
    QToolButton *m_stackIcon;
    InputBackgroundController *m_inputBackground;
    RowDataPtr m_hintItem;
    std::optional<QString> m_icon;
    QString m_stackImage;
    std::optional<QColor> m_background;
    int m_inputWidth = 0;
    int m_iconSize = 32;
    int m_margin = 0;
    bool m_pendingChoice = false; // a Return still held down
    QTimer m_releaseWait;
};

} // namespace tavolin
