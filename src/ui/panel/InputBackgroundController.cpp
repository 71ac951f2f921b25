#include "ui/panel/InputBackgroundController.h"

#include "common/SettingsDomain.h"
#include "common/SettingsReads.h"

#include <QEvent>
#include <QGraphicsOpacityEffect>
#include <QPropertyAnimation>
#include <QWidget>

namespace tavolin {

InputBackgroundController::InputBackgroundController(QWidget &row, QWidget &stackIcon, DataSource &source,
                                                     SettingsDomain &settings, QObject *parent)
    : QObject(parent), m_row(row), m_source(source), m_settings(settings),
      m_opacity(new QGraphicsOpacityEffect(&stackIcon))
{
    m_opacity->setOpacity(1.0);
    stackIcon.setGraphicsEffect(m_opacity); // the button owns the effect
    m_row.setAttribute(Qt::WA_Hover);
    m_row.installEventFilter(this);
}

bool InputBackgroundController::hidesIconNow() const
{
    return settings::hideOptionIcon(m_settings) && m_source.mode() == PanelMode::CommandPalette;
}

bool InputBackgroundController::shouldShowOptionIcon() const
{
    return m_isOnHover || !hidesIconNow();
}

double InputBackgroundController::iconAlpha() const
{
    return m_opacity->opacity();
}

void InputBackgroundController::setIconAlpha(double alpha)
{
    if (m_fade)
        m_fade->stop();
    m_opacity->setOpacity(alpha);
}

void InputBackgroundController::mouseEntered()
{
    m_isOnHover = true;
    if (!hidesIconNow())
        return;
    if (m_fade)
        m_fade->stop();
    auto *fade = new QPropertyAnimation(m_opacity, "opacity", this);
    fade->setDuration(kFadeMilliseconds);
    fade->setEndValue(1.0);
    m_fade = fade;
    fade->start(QAbstractAnimation::DeleteWhenStopped);
}

void InputBackgroundController::mouseExited()
{
    m_isOnHover = false;
    if (hidesIconNow())
        setIconAlpha(0.0);
}

bool InputBackgroundController::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == &m_row) {
        if (event->type() == QEvent::Enter)
            mouseEntered();
        else if (event->type() == QEvent::Leave)
            mouseExited();
    }
    return QObject::eventFilter(watched, event);
}

} // namespace tavolin
