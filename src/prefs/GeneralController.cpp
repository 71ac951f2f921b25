#include "GeneralController.h"

#include "Links.h"
#include "Settings.h"
#include "common/Autostart.h"
#include "common/Log.h"
#include "common/SettingsKeys.h"
#include "common/SettingsReads.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStandardPaths>
#include <QUrl>
#include <QVBoxLayout>

namespace tavolin {

GeneralController::GeneralController(PrefsContext &context, QWidget *parent)
    : Pane(parent), m_context(context),
      m_startOnLogin(new QCheckBox(tr("Start Tavolin at login"), this)),
      m_sendData(new QCheckBox(tr("Send anonymous crash and usage data"), this)),
      m_checkUpdate(new QPushButton(tr("Check for Updates"), this)),
      m_quit(new QPushButton(tr("Quit Tavolin"), this))
{
    auto *accessibility = new QPushButton(tr("Accessibility Settings…"), this);
    auto *privacy = new QPushButton(tr("Privacy Policy"), this);
    privacy->setFlat(true);
    auto *hint = new QLabel(tr("Tavolin reads menus through the desktop's accessibility bus. "
                               "If menus stay empty, turn accessibility on."), this);
    hint->setWordWrap(true);

    auto *privacyRow = new QHBoxLayout;
    privacyRow->addWidget(m_sendData);
    privacyRow->addWidget(privacy);
    privacyRow->addStretch();
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_checkUpdate);
    buttons->addWidget(m_quit);
    buttons->addStretch();
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 20, 24, 20);
    layout->addWidget(m_startOnLogin);
    layout->addLayout(privacyRow);
    layout->addSpacing(12);
    layout->addLayout(buttons);
    layout->addSpacing(12);
    layout->addWidget(hint);
    layout->addWidget(accessibility, 0, Qt::AlignLeft);
    layout->addStretch();

    connect(m_startOnLogin, &QCheckBox::clicked, this, &GeneralController::toggleStartOnLogin);
    connect(m_sendData, &QCheckBox::clicked, this, &GeneralController::toggleSendData);
    connect(m_checkUpdate, &QPushButton::clicked, this, &GeneralController::checkUpdates);
    connect(m_quit, &QPushButton::clicked, this, &GeneralController::quitTavolin);
    connect(accessibility, &QPushButton::clicked, this, &GeneralController::openAccessibilityPanel);
    connect(privacy, &QPushButton::clicked, this, &GeneralController::openPrivacyPolicy);
}

void GeneralController::loadSettings()
{
    const SettingsDomain &domain = m_context.settings.defaults();
    m_startOnLogin->setChecked(settings::startOnLogin(domain));
    m_sendData->setChecked(settings::sendData(domain));
    // Opening the preferences starts the palette, once: after "Quit Tavolin" it stays quit.
    if (!m_checkedPalette) {
        m_checkedPalette = true;
        m_context.launcher.ensureRunning();
    }
}

void GeneralController::toggleStartOnLogin()
{
    const bool enabled = m_startOnLogin->isChecked();
    m_context.settings.put(enabled, settings::kStartOnLogin);
    // The palette applies it too when it runs; when it does not, nobody else would until its next start.
    const QString executable = m_context.launcher.executable();
    if (enabled && executable.isEmpty()) {
        log::error(QStringLiteral("start at login: the palette program is not installed"));
        return;
    }
    if (!autostart::setEnabled(enabled, executable))
        log::error(QStringLiteral("start at login: could not write %1").arg(autostart::entryPath()));
}

void GeneralController::toggleSendData()
{
    m_context.settings.put(m_sendData->isChecked(), settings::kSendData);
}

void GeneralController::checkUpdates()
{
    m_context.settings.sendCommand(command::kCheckUpdates);
}

void GeneralController::quitTavolin()
{
    m_context.launcher.terminate();
}

void GeneralController::openAccessibilityPanel()
{
    // GNOME's accessibility panel when there is one; elsewhere the page that explains the switch.
    const QString panel = QStandardPaths::findExecutable(QStringLiteral("gnome-control-center"));
    if (!panel.isEmpty() && m_context.desktop.startProgram(panel, {QStringLiteral("universal-access")}))
        return;
    m_context.desktop.openUrl(QUrl(QString::fromLatin1(links::kAccessibilityHelp)));
}

void GeneralController::openPrivacyPolicy()
{
    m_context.desktop.openUrl(QUrl(QString::fromLatin1(links::kPrivacyPolicy)));
}

} // namespace tavolin
