#include "ui/shell/PermissionWindow.h"

#include "common/Log.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace tavolin {

PermissionWindow::PermissionWindow(std::function<bool()> turnOn, QWidget *parent)
    : QWidget(parent, Qt::Window), m_turnOn(std::move(turnOn)), m_description(new QLabel(this)),
      m_button(new QPushButton(tr("Turn On Accessibility"), this))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Tavolin"));
    QFont font = m_description->font();
    font.setPixelSize(13);
    m_description->setFont(font);
    m_description->setWordWrap(true);
    m_description->setOpenExternalLinks(true);
    m_description->setTextFormat(Qt::RichText);
    m_description->setText(
        tr("Tavolin needs to use accessibility features<br><br>"
           "To continue, please turn on accessibility for this desktop (Settings → Accessibility, "
           "or the button below, which switches on the desktop's accessibility bus; applications "
           "started before may need a restart). or see <a href=\"%1\">More Details</a>.")
            .arg(QString::fromLatin1(kDetailsUrl)));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_description);
    layout->addWidget(m_button);
    connect(m_button, &QPushButton::clicked, this, &PermissionWindow::showSystemPreference);
    m_button->setDefault(true);
    m_button->setFocus();
    resize(420, 180);
}

void PermissionWindow::keyPressEvent(QKeyEvent *event)
{
    const bool plain = event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier;
    if (plain && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        m_button->click();
        return;
    }
    if (plain && event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void PermissionWindow::showSystemPreference()
{
    close();
    const bool on = m_turnOn && m_turnOn();
    log::info(QStringLiteral("accessibility switched on: %1").arg(on ? QStringLiteral("YES") : QStringLiteral("NO")));
}

} // namespace tavolin
