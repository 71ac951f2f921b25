#include "ui/panel/ClickableLabel.h"

#include <QMouseEvent>

namespace tavolin {

ClickableLabel::ClickableLabel(QWidget *parent) : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
    setCursor(Qt::PointingHandCursor);
}

void ClickableLabel::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !m_clickAction) {
        QLabel::mousePressEvent(event);
        return;
    }
    event->accept();
    // The action may close the panel and so hide this label: copy it first.
    const std::function<void()> action = m_clickAction;
    action();
}

} // namespace tavolin
