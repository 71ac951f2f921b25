#include "PaletteViewController.h"

#include "Links.h"
#include "Settings.h"
#include "ShortcutRecorder.h"
#include "common/HotkeyBinder.h"
#include "common/KeyCodeHelper.h"
#include "common/KeyData.h"
#include "common/SettingsDomain.h"
#include "common/SettingsKeys.h"
#include "common/SettingsReads.h"
#include "common/WaylandSession.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

namespace tavolin {

PaletteViewController::PaletteViewController(PrefsContext &context, QWidget *parent)
    : Pane(parent), m_context(context), m_shortcutView(new ShortcutRecorder(this)),
      m_openShortcutView(new ShortcutRecorder(this)), m_shortcutProblem(new QLabel(this)),
      m_openShortcutProblem(new QLabel(this)),
      m_showMenuState(new QCheckBox(tr("Show the state of menu items (✓)"), this)),
      m_usePreferenceShortcut(new QCheckBox(tr("Ctrl+, shows Tavolin's own commands"), this)),
      m_helpButton(new QToolButton(this)), m_helpPopover(new QFrame(this, Qt::Popup)),
      m_quickOpen(new QCheckBox(tr("Quick open the application's files"), this)),
      m_deleteHistory(new QPushButton(tr("Delete History"), this))
{
    m_shortcutValidator.setAllowAnyShortcutWithOptionModifier(true);
    m_shortcutView->setValidator(&m_shortcutValidator);
    m_openShortcutView->setValidator(&m_shortcutValidator);
    m_openShortcutView->setPlaceholder(ShortcutRecorder::displayText(
        Shortcut(settings::kDefaultOpenShortcutKeyCode, settings::kDefaultOpenShortcutFlags)));

    m_helpButton->setText(QStringLiteral("?"));
    m_helpButton->setToolTip(tr("When on, Ctrl+, shows Tavolin's own commands instead of reaching the focused "
                                "application."));
    m_helpButton->setAccessibleName(tr("About Ctrl+,"));
    auto *popoverText = new QLabel(tr("While the palette lists an application's menu commands, Ctrl+, normally "
                                      "reaches that application (usually its preferences). With this option "
                                      "it switches the palette to Tavolin's own commands instead."),
                                   m_helpPopover);
    popoverText->setWordWrap(true);
    popoverText->setFixedWidth(280);
    m_helpPopover->setFrameShape(QFrame::StyledPanel);
    auto *popoverLayout = new QVBoxLayout(m_helpPopover);
    popoverLayout->addWidget(popoverText);

    auto *shortcutHelp = new QPushButton(tr("About shortcuts"), this);
    shortcutHelp->setFlat(true);
    auto *shortcutRow = new QHBoxLayout;
    shortcutRow->addWidget(m_shortcutView);
    shortcutRow->addWidget(shortcutHelp);
    auto *preferenceRow = new QHBoxLayout;
    preferenceRow->addWidget(m_usePreferenceShortcut);
    preferenceRow->addWidget(m_helpButton);
    preferenceRow->addStretch();
    for (QLabel *problem : {m_shortcutProblem, m_openShortcutProblem}) {
        problem->setWordWrap(true);
        problem->setTextInteractionFlags(Qt::TextSelectableByMouse);
        problem->setStyleSheet(QStringLiteral("color: #c01c28;"));
        problem->hide();
    }
    auto *form = new QFormLayout;
    form->addRow(tr("Palette shortcut:"), shortcutRow);
    form->addRow(QString(), m_shortcutProblem);
    if (isWaylandSession()) {
        m_waylandBinding = new QLabel(this);
        m_waylandBinding->setWordWrap(true);
        m_waylandBinding->setTextInteractionFlags(Qt::TextSelectableByMouse);
        form->addRow(QString(), m_waylandBinding);
        showWaylandBinding();
    }
    form->addRow(tr("Menus:"), m_showMenuState);
    form->addRow(QString(), preferenceRow);
    form->addRow(tr("Quick open:"), m_quickOpen);
    form->addRow(tr("Quick open shortcut:"), m_openShortcutView);
    form->addRow(QString(), m_openShortcutProblem);
    form->addRow(tr("History:"), m_deleteHistory);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 16);
    layout->addLayout(form);
    layout->addStretch();

    connect(m_shortcutView, &ShortcutRecorder::shortcutChanged, this,
            &PaletteViewController::onPaletteShortcutRecorded);
    connect(m_openShortcutView, &ShortcutRecorder::shortcutChanged, this,
            &PaletteViewController::onOpenShortcutRecorded);
    connect(m_showMenuState, &QCheckBox::clicked, this, &PaletteViewController::onShowMenuStateChanged);
    connect(m_usePreferenceShortcut, &QCheckBox::clicked, this,
            &PaletteViewController::onUsePreferenceShortcutChanged);
    connect(m_helpButton, &QToolButton::clicked, this, &PaletteViewController::onShowUsePreferenceShortcutHelp);
    connect(shortcutHelp, &QPushButton::clicked, this, &PaletteViewController::openHelpForShortcut);
    connect(m_quickOpen, &QCheckBox::clicked, this, &PaletteViewController::onQuickOpenChanged);
    connect(m_deleteHistory, &QPushButton::clicked, this, &PaletteViewController::deleteHistoryRecords);
    connect(&m_context.settings.defaults(), &SettingsDomain::valueChanged, this,
            &PaletteViewController::onSettingChanged);
    showProblems();
}

void PaletteViewController::loadSettings()
{
    const SettingsDomain &domain = m_context.settings.defaults();
    m_shortcutView->setShortcut(KeyCodeHelper::deserializeShortcut(domain.value(settings::kPaletteShortcut)));
    m_openShortcutView->setShortcut(KeyCodeHelper::deserializeShortcut(domain.value(settings::kOpenShortcut)));
    m_showMenuState->setChecked(settings::showMenuState(domain));
    m_usePreferenceShortcut->setChecked(settings::usePreferenceShortcut(domain));
    m_quickOpen->setChecked(domain.boolValue(kQuickOpenKey, false));
    m_openShortcutView->setEnabled(m_quickOpen->isChecked());
    showProblems();
}

// The palette writes a shortcut back when it keeps the old one, and says why: both show at once.
void PaletteViewController::onSettingChanged(const QString &key)
{
    const SettingsDomain &domain = m_context.settings.defaults();
    if (key == settings::kPaletteShortcut || key == settings::kPaletteShortcutDesktopTrigger)
        showWaylandBinding();
    if (key == settings::kPaletteShortcut && !m_shortcutView->isRecording())
        m_shortcutView->setShortcut(KeyCodeHelper::deserializeShortcut(domain.value(settings::kPaletteShortcut)));
    else if (key == settings::kOpenShortcut && !m_openShortcutView->isRecording())
        m_openShortcutView->setShortcut(KeyCodeHelper::deserializeShortcut(domain.value(settings::kOpenShortcut)));
    else if (key == HotkeyBinder::problemKeyFor(settings::kPaletteShortcut)
             || key == HotkeyBinder::problemKeyFor(settings::kOpenShortcut))
        showProblems();
}

void PaletteViewController::showProblems()
{
    const SettingsDomain &domain = m_context.settings.defaults();
    const std::pair<QLabel *, QString> rows[] = {{m_shortcutProblem, settings::kPaletteShortcut},
                                                 {m_openShortcutProblem, settings::kOpenShortcut}};
    for (const auto &[label, key] : rows) {
        const QString problem = domain.stringValue(HotkeyBinder::problemKeyFor(key));
        label->setText(problem);
        label->setVisible(!problem.isEmpty());
    }
}

void PaletteViewController::showWaylandBinding()
{
    if (!m_waylandBinding)
        return;
    const SettingsDomain &domain = m_context.settings.defaults();
    const QString trigger = domain.stringValue(settings::kPaletteShortcutDesktopTrigger);
    if (!trigger.isEmpty()) {
        m_waylandBinding->setText(tr("The desktop shows the palette on %1 (set in its own shortcut settings).").arg(trigger));
        return;
    }
    const std::optional<Shortcut> shortcut = KeyCodeHelper::deserializeShortcut(domain.value(settings::kPaletteShortcut));
    m_waylandBinding->setText(compositorBindingAdvice(shortcut ? KeyData::keyDataFromShortcut(*shortcut).displayText()
                                                               : QStringLiteral("Ctrl+Shift+P")));
}

void PaletteViewController::onPaletteShortcutRecorded(const std::optional<Shortcut> &shortcut)
{
    if (!shortcut) {
        m_context.settings.put(QJsonValue::Undefined, settings::kPaletteShortcut);
        m_context.settings.put(QJsonValue::Undefined, settings::kPaletteShortcutString);
        return;
    }
    const QJsonValue stored = KeyCodeHelper::serializeShortcut(*shortcut);
    if (stored.isUndefined() || !m_context.settings.put(stored, settings::kPaletteShortcut)) {
        loadSettings(); // the combination has no stored form: show what is stored
        return;
    }
    m_context.settings.put(shortcut->description(), settings::kPaletteShortcutString);
}

void PaletteViewController::onOpenShortcutRecorded(const std::optional<Shortcut> &shortcut)
{
    const QJsonValue stored = shortcut ? KeyCodeHelper::serializeShortcut(*shortcut) : QJsonValue::Undefined;
    if (shortcut && stored.isUndefined()) {
        loadSettings();
        return;
    }
    m_context.settings.put(stored, settings::kOpenShortcut);
}

void PaletteViewController::onShowMenuStateChanged()
{
    m_context.settings.put(m_showMenuState->isChecked(), settings::kShowMenuState);
}

void PaletteViewController::onUsePreferenceShortcutChanged()
{
    m_context.settings.put(m_usePreferenceShortcut->isChecked(), settings::kUsePreferenceShortcut);
}

void PaletteViewController::onQuickOpenChanged()
{
    m_context.settings.put(m_quickOpen->isChecked(), kQuickOpenKey);
    m_openShortcutView->setEnabled(m_quickOpen->isChecked());
}

void PaletteViewController::onShowUsePreferenceShortcutHelp()
{
    m_helpPopover->adjustSize();
    const QPoint rightEdge = m_helpButton->mapToGlobal(QPoint(m_helpButton->width(), 0));
    m_helpPopover->move(rightEdge);
    m_helpPopover->show();
}

void PaletteViewController::openHelpForShortcut()
{
    m_context.desktop.openUrl(QUrl(QString::fromLatin1(links::kShortcutHelp)));
}

void PaletteViewController::deleteHistoryRecords()
{
    m_context.settings.sendCommand(command::kClearHistory);
}

} // namespace tavolin
