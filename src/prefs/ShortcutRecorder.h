#pragma once

#include "common/Shortcut.h"

#include <QString>
#include <QWidget>

#include <optional>

class QPushButton;
class QToolButton;

namespace tavolin {

class ShortcutValidator;

// A field that records one key combination: click it (or press Space/Return on it), then press the keys;
// it holds the keyboard meanwhile, so combinations other programs grab reach it too.
// Escape cancels, Backspace or Delete without modifiers clears. A combination the validator refuses is not
// taken; the field says so and keeps recording. The clear button empties it.
//
// Keys map to the palette's key space with KeyCodeHelper: Ctrl is Command, Super is Control, Alt is Option.
// The validator is not owned and may be null (every combination with a named key is taken). Main thread.
class ShortcutRecorder : public QWidget
{
    Q_OBJECT
public:
    explicit ShortcutRecorder(QWidget *parent = nullptr);

    void setValidator(const ShortcutValidator *validator) { m_validator = validator; }

    std::optional<Shortcut> shortcut() const { return m_shortcut; }
    // Shows `shortcut` without emitting shortcutChanged.
    void setShortcut(const std::optional<Shortcut> &shortcut);
    // Text shown while the field is empty (for example the default that applies).
    void setPlaceholder(const QString &text);

    bool isRecording() const { return m_recording; }
    void startRecording();
    void cancelRecording();

    // Handles one key press as the recorder does while recording; returns true when it was used. Public so a
    // window can forward keys and tests can drive it without a keyboard grab.
    bool recordKey(int qtKey, Qt::KeyboardModifiers modifiers);

    // The text people read for a shortcut, e.g. "Ctrl+Shift+P".
    static QString displayText(const Shortcut &shortcut);

Q_SIGNALS:
    // The person recorded or cleared a combination (nullopt).
    void shortcutChanged(const std::optional<Shortcut> &shortcut);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void stopRecording();
    void refresh(const QString &hint = QString());
    void commit(const std::optional<Shortcut> &shortcut);

    const ShortcutValidator *m_validator = nullptr;
    std::optional<Shortcut> m_shortcut;
    QString m_placeholder;
    bool m_recording = false;
    QPushButton *m_field;
    QToolButton *m_clear;
};

} // namespace tavolin
