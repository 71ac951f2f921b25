#pragma once

#include "palette/DataSource.h"

#include <QObject>
#include <QPointer>

class QGraphicsOpacityEffect;
class QPropertyAnimation;
class QWidget;

namespace tavolin {

class SettingsDomain;

// Controls the options button at the right of the input row: with "hideOptionIcon" on, the button is
// invisible in the command palette until the pointer enters the input row (it fades in over a second) and
// vanishes again when the pointer leaves. Watches the row's enter and leave events.
//
// Main thread. The row, button, data source and settings must outlive the controller.
class InputBackgroundController final : public QObject
{
    Q_OBJECT
public:
    static constexpr int kFadeMilliseconds = 1000;

    InputBackgroundController(QWidget &row, QWidget &stackIcon, DataSource &source, SettingsDomain &settings,
                              QObject *parent = nullptr);

    // True while the pointer is over the row; otherwise true unless "hideOptionIcon" is on in the command
    // palette mode.
    bool shouldShowOptionIcon() const;

    // The button's opacity (0 invisible, 1 shown); setting it stops a running fade.
    double iconAlpha() const;
    void setIconAlpha(double alpha);

    void mouseEntered();
    void mouseExited();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool hidesIconNow() const;

    QWidget &m_row;
    DataSource &m_source;
    SettingsDomain &m_settings;
    QGraphicsOpacityEffect *m_opacity;
    QPointer<QPropertyAnimation> m_fade;
    bool m_isOnHover = false;
};

} // namespace tavolin
