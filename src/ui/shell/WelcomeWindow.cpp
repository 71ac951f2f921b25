#include "ui/shell/WelcomeWindow.h"

#include "common/KeyCodeHelper.h"
#include "common/KeyData.h"
#include "common/SafeKeyCodeString.h"
#include "common/SettingsDomain.h"
#include "common/SettingsKeys.h"
#include "common/SettingsReads.h"
#include "common/WaylandSession.h"

#include <QCheckBox>
#include <QJsonArray>
#include <QJsonObject>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tavolin {
namespace {

// The modifier symbols the bridge takes, from Qt's modifiers on Linux's terms (Ctrl is Command).
QJsonArray modifierSymbols(Qt::KeyboardModifiers modifiers)
{
    QJsonArray symbols;
    if (modifiers & Qt::ControlModifier)
        symbols.append(QStringLiteral("⌘"));
    if (modifiers & Qt::ShiftModifier)
        symbols.append(QStringLiteral("⇧"));
    if (modifiers & Qt::MetaModifier)
        symbols.append(QStringLiteral("⌃"));
    if (modifiers & Qt::AltModifier)
        symbols.append(QStringLiteral("⌥"));
    return symbols;
}

QString shortcutText(const SettingsDomain &settings)
{
    const std::optional<Shortcut> current =
        KeyCodeHelper::deserializeShortcut(settings.value(settings::kPaletteShortcut));
    return current ? KeyData::keyDataFromShortcut(*current).displayText() : QStringLiteral("Ctrl+Shift+P");
}

} // namespace

WelcomeWindow::WelcomeWindow(SettingsDomain &settings, QWidget *parent)
    : QWidget(parent, Qt::Window), m_bridge(settings, [this] { close(); }), m_shortcut(new QLineEdit(this)),
      m_startOnLogin(new QCheckBox(tr("Start Tavolin at login"), this)),
      m_sendData(new QCheckBox(tr("Share anonymous usage data"), this)),
      m_getStarted(new QPushButton(tr("Get Started"), this))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(tr("Welcome to Tavolin"));
    auto *layout = new QVBoxLayout(this);
    auto *heading = new QLabel(tr("Welcome to Tavolin"), this);
    QFont big = heading->font();
    big.setPixelSize(24);
    heading->setFont(big);
    auto *text = new QLabel(tr("Press the palette shortcut in any application to search its menu "
                               "commands. Type to filter, Return to run the command."),
                            this);
    text->setWordWrap(true);
    layout->addWidget(heading);
    layout->addWidget(text);
    layout->addWidget(
        new QLabel(tr("Palette shortcut (click it or press Space on it, then press the keys):"), this));
    m_shortcut->setReadOnly(true);
    m_shortcut->setAccessibleName(tr("Palette shortcut"));
    m_shownShortcut = shortcutText(settings);
    m_shortcut->setText(m_shownShortcut);
    m_shortcut->installEventFilter(this);
    layout->addWidget(m_shortcut);
    if (isWaylandSession()) {
        auto *binding = new QLabel(compositorBindingAdvice(m_shownShortcut), this);
        binding->setWordWrap(true);
        binding->setTextInteractionFlags(Qt::TextSelectableByMouse);
        layout->addWidget(binding);
    }
    m_startOnLogin->setChecked(settings::startOnLogin(settings));
    m_sendData->setChecked(settings::sendData(settings));
    layout->addWidget(m_startOnLogin);
    layout->addWidget(m_sendData);
    m_getStarted->setDefault(true);
    layout->addWidget(m_getStarted);

    auto speakSetting = [this](const char *key, bool value) {
        m_bridge.handleMessage(QStringLiteral("setting"),
                               QJsonObject{{QStringLiteral("key"), QString::fromLatin1(key)},
                                           {QStringLiteral("value"), value}});
    };
    connect(m_startOnLogin, &QCheckBox::toggled, this,
            [speakSetting](bool on) { speakSetting("startOnLogin", on); });
    connect(m_sendData, &QCheckBox::toggled, this, [speakSetting](bool on) { speakSetting("sendData", on); });
    connect(m_getStarted, &QPushButton::clicked, this,
            [this] { m_bridge.handleMessage(QStringLiteral("close"), QJsonValue()); });
    resize(460, 320);
}

bool WelcomeWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_shortcut)
        return QWidget::eventFilter(watched, event);
    if (event->type() == QEvent::MouseButtonPress) {
        setRecording(true);
        return false;
    }
    if (event->type() == QEvent::FocusOut) {
        setRecording(false);
        return false;
    }
    if (event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    const auto *key = static_cast<QKeyEvent *>(event);
    if (!m_recording) {
        if (key->key() == Qt::Key_Space && key->modifiers() == Qt::NoModifier) {
            setRecording(true);
            return true;
        }
        return false; // Tab, Return and Escape go on to the window
    }
    if (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier) {
        setRecording(false);
        return true;
    }
    if (recordKey(*key))
        setRecording(false);
    return true;
}

// True once a valid combination was stored; a modifier alone or an invalid combination keeps recording.
bool WelcomeWindow::recordKey(const QKeyEvent &key)
{
    const int64_t code = KeyCodeHelper::keyCodeForQtKey(key.key(), key.modifiers());
    const QString name = code >= 0 ? SafeKeyCodeString::stringForKeyCode(code) : QString();
    if (name.isEmpty())
        return false;
    const QJsonObject body{{QStringLiteral("key"), name},
                           {QStringLiteral("modifiers"), modifierSymbols(key.modifiers())}};
    if (!m_bridge.handleMessage(QStringLiteral("hotkey"), body))
        return false;
    const Shortcut shortcut(code, KeyCodeHelper::eventFlagsForQtModifiers(key.modifiers()));
    m_shownShortcut = KeyData::keyDataFromShortcut(shortcut).displayText();
    return true;
}

void WelcomeWindow::setRecording(bool recording)
{
    m_recording = recording;
    m_shortcut->setText(recording ? QString() : m_shownShortcut);
    m_shortcut->setPlaceholderText(recording ? tr("Press the keys, or Escape") : QString());
}

void WelcomeWindow::keyPressEvent(QKeyEvent *event)
{
    const bool plain = event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier;
    if (plain && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        m_getStarted->click();
        return;
    }
    if (plain && event->key() == Qt::Key_Escape) {
        m_bridge.handleMessage(QStringLiteral("close"), QJsonValue());
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace tavolin
