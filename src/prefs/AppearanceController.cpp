#include "AppearanceController.h"

#include "Settings.h"
#include "common/SettingsKeys.h"
#include "common/SettingsReads.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace tavolin {

AppearanceController::AppearanceController(PrefsContext &context, QWidget *parent)
    : Pane(parent), m_context(context),
      m_showAppIcon(new QCheckBox(tr("Show the application's icon"), this)),
      m_showOptionIcon(new QCheckBox(tr("Show the options icon"), this)),
      m_itemNumber(new QComboBox(this)),
      m_changeTheme(new QPushButton(tr("Change Theme…"), this)),
      m_installTheme(new QPushButton(tr("Install Theme…"), this))
{
    // Never fewer than five, so always the plural.
    for (int rows = kFirstListNumber; rows <= kLastListNumber; ++rows)
        m_itemNumber->addItem(tr("%1 rows").arg(rows));

    auto *themes = new QHBoxLayout;
    themes->addWidget(m_changeTheme);
    themes->addWidget(m_installTheme);
    themes->addStretch();
    auto *form = new QFormLayout;
    form->addRow(tr("Input row:"), m_showAppIcon);
    form->addRow(QString(), m_showOptionIcon);
    form->addRow(tr("Visible rows:"), m_itemNumber);
    form->addRow(tr("Theme:"), themes);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 20, 24, 20);
    layout->addLayout(form);
    layout->addStretch();

    connect(m_showAppIcon, &QCheckBox::clicked, this, &AppearanceController::onShowAppButtonChanged);
    connect(m_showOptionIcon, &QCheckBox::clicked, this, &AppearanceController::onShowOptionButtonChanged);
    connect(m_itemNumber, &QComboBox::activated, this, &AppearanceController::onListNumberButtonChanged);
    connect(m_changeTheme, &QPushButton::clicked, this, &AppearanceController::onClickChangeThemeButton);
    connect(m_installTheme, &QPushButton::clicked, this, &AppearanceController::onClickInstallThemeButton);
}

int AppearanceController::indexForListNumber(std::optional<qint64> stored)
{
    const qint64 rows = stored.value_or(settings::kDefaultListNumber);
    if (rows < kFirstListNumber || rows > kLastListNumber)
        return -1;
    return int(rows - kFirstListNumber);
}

void AppearanceController::loadSettings()
{
    const SettingsDomain &domain = m_context.settings.defaults();
    m_showAppIcon->setChecked(!settings::hideAppIcon(domain));
    m_showOptionIcon->setChecked(!settings::hideOptionIcon(domain));
    const QJsonValue stored = domain.value(settings::kListNumber);
    // A value of another type reads as unset, as in the palette; a fraction matches no item.
    std::optional<qint64> rows;
    if (stored.isDouble())
        rows = stored.toInteger(-1);
    const QSignalBlocker blocker(m_itemNumber);
    m_itemNumber->setCurrentIndex(indexForListNumber(rows));
}

void AppearanceController::onShowAppButtonChanged()
{
    m_context.settings.put(!m_showAppIcon->isChecked(), settings::kHideAppIcon);
}

void AppearanceController::onShowOptionButtonChanged()
{
    m_context.settings.put(!m_showOptionIcon->isChecked(), settings::kHideOptionIcon);
}

void AppearanceController::onListNumberButtonChanged(int index)
{
    if (index < 0)
        return;
    m_context.settings.put(qint64(index + kFirstListNumber), settings::kListNumber);
}

void AppearanceController::onClickChangeThemeButton()
{
    m_context.settings.sendCommand(command::kShowTheme);
}

void AppearanceController::onClickInstallThemeButton()
{
    m_installTheme->setText(tr("Coming soon"));
    m_installTheme->setEnabled(false);
}

} // namespace tavolin
