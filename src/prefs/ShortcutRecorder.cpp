#include "ShortcutRecorder.h"

#include "common/KeyCodeHelper.h"
#include "common/KeyData.h"
#include "common/ShortcutValidator.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPushButton>
#include <QToolButton>

namespace tavolin {
namespace {

bool isModifierKey(int key)
{
    return key == Qt::Key_Shift || key == Qt::Key_Control || key == Qt::Key_Meta || key == Qt::Key_Alt
        || key == Qt::Key_AltGr || key == Qt::Key_Super_L || key == Qt::Key_Super_R || key == Qt::Key_CapsLock
        || key == Qt::Key_Hyper_L || key == Qt::Key_Hyper_R;
}

} // namespace

ShortcutRecorder::ShortcutRecorder(QWidget *parent)
    : QWidget(parent), m_field(new QPushButton(this)), m_clear(new QToolButton(this))
{
    m_field->setMinimumWidth(160);
    m_field->installEventFilter(this);
    m_clear->setText(QStringLiteral("×"));
    m_clear->setAccessibleName(tr("Clear shortcut"));
    m_clear->setToolTip(tr("Clear shortcut"));
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(m_field, 1);
    layout->addWidget(m_clear);
    connect(m_field, &QPushButton::clicked, this, [this] { m_recording ? cancelRecording() : startRecording(); });
    connect(m_clear, &QToolButton::clicked, this, [this] {
        cancelRecording();
        commit(std::nullopt);
    });
    refresh();
}

QString ShortcutRecorder::displayText(const Shortcut &shortcut)
{
    const QString text = KeyData::keyDataFromShortcut(shortcut).displayText();
    return text.isEmpty() ? shortcut.description() : text;
}

void ShortcutRecorder::setShortcut(const std::optional<Shortcut> &shortcut)
{
    m_shortcut = shortcut;
    refresh();
}

void ShortcutRecorder::setPlaceholder(const QString &text)
{
    m_placeholder = text;
    refresh();
}

// While recording the field holds the keyboard: a combination that some program (the palette among them)
// has grabbed for itself would otherwise go to that program, and could never be recorded to learn it is taken.
void ShortcutRecorder::startRecording()
{
    m_recording = true;
    m_field->setFocus(Qt::OtherFocusReason);
    m_field->grabKeyboard();
    refresh();
}

void ShortcutRecorder::stopRecording()
{
    if (m_recording)
        m_field->releaseKeyboard();
    m_recording = false;
}

void ShortcutRecorder::cancelRecording()
{
    stopRecording();
    refresh();
}

void ShortcutRecorder::commit(const std::optional<Shortcut> &shortcut)
{
    stopRecording();
    const bool changed = shortcut != m_shortcut;
    m_shortcut = shortcut;
    refresh();
    if (changed)
        Q_EMIT shortcutChanged(m_shortcut);
}

bool ShortcutRecorder::recordKey(int qtKey, Qt::KeyboardModifiers modifiers)
{
    if (!m_recording)
        return false;
    const Qt::KeyboardModifiers plain = modifiers & ~Qt::KeypadModifier;
    if (isModifierKey(qtKey))
        return true;
    if (plain == Qt::NoModifier && qtKey == Qt::Key_Escape) {
        cancelRecording();
        return true;
    }
    if (plain == Qt::NoModifier && (qtKey == Qt::Key_Backspace || qtKey == Qt::Key_Delete)) {
        commit(std::nullopt);
        return true;
    }
    const int64_t keyCode = KeyCodeHelper::keyCodeForQtKey(qtKey, modifiers);
    if (keyCode < 0) {
        refresh(tr("Key not supported"));
        return true;
    }
    const Shortcut shortcut(keyCode, KeyCodeHelper::eventFlagsForQtModifiers(plain));
    if (m_validator && !m_validator->isShortcutValid(shortcut)) {
        refresh(tr("%1 cannot be used").arg(displayText(shortcut)));
        return true;
    }
    commit(shortcut);
    return true;
}

bool ShortcutRecorder::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_field && m_recording) {
        if (event->type() == QEvent::ShortcutOverride) {
            event->accept(); // keep window shortcuts from eating the keys being recorded
            return true;
        }
        if (event->type() == QEvent::KeyPress) {
            const auto *key = static_cast<QKeyEvent *>(event);
            return recordKey(key->key(), key->modifiers());
        }
        if (event->type() == QEvent::FocusOut)
            cancelRecording();
    }
    return QWidget::eventFilter(watched, event);
}

void ShortcutRecorder::refresh(const QString &hint)
{
    if (m_recording)
        m_field->setText(hint.isEmpty() ? tr("Type shortcut…") : hint);
    else if (m_shortcut)
        m_field->setText(displayText(*m_shortcut));
    else
        m_field->setText(m_placeholder.isEmpty() ? tr("Record Shortcut") : m_placeholder);
    m_clear->setEnabled(m_shortcut.has_value());
}

} // namespace tavolin
