#pragma once

#include <QLabel>

#include <functional>

namespace tavolin {

// A plain-text label that runs an action on a mouse press (the hint after the typed text: a click accepts
// it). Main thread.
class ClickableLabel final : public QLabel
{
    Q_OBJECT
public:
    explicit ClickableLabel(QWidget *parent = nullptr);

    // Called on a left mouse press; empty does nothing.
    void setClickAction(std::function<void()> action) { m_clickAction = std::move(action); }

protected:
    void mousePressEvent(QMouseEvent *event) override;

private:
    std::function<void()> m_clickAction;
};

} // namespace tavolin
