// The panel's look and size: theme application, window geometry and the placement of its views.
#include "ui/panel/PanelWindowController.h"

#include "common/SettingsDomain.h"
#include "common/SettingsKeys.h"
#include "ui/panel/ListView.h"
#include "ui/panel/PanelView.h"
#include "ui/panel/ThemeColors.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>

namespace tavolin {

// The hairline around the panel, drawn above the views that fill the window to its edge. Takes no input.
class WindowOutline final : public QWidget
{
public:
    explicit WindowOutline(QWidget *window) : QWidget(window)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        setFocusPolicy(Qt::NoFocus);
    }
    void setDark(bool dark)
    {
        m_dark = dark;
        update();
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setPen(themecolors::windowOutline(m_dark));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }

private:
    bool m_dark = false;
};

PanelWindow::PanelWindow(PanelWindowController &controller)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint), m_controller(controller),
      m_outline(new WindowOutline(this))
{
    // Themes without a window colour draw a translucent fill; the others paint every pixel.
    setAttribute(Qt::WA_TranslucentBackground);
    setWindowTitle(QStringLiteral("Tavolin"));
}

void PanelWindow::setBackground(std::optional<QColor> color, bool dark)
{
    m_background = color;
    m_dark = dark;
    m_outline->setDark(dark);
    update();
}

void PanelWindow::raiseOutline()
{
    m_outline->setGeometry(rect());
    m_outline->raise();
}

void PanelWindow::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(rect(), m_background ? *m_background : themecolors::translucentBackground(m_dark));
}

void PanelWindow::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_controller.layoutContents();
}

void PanelWindow::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && !isActiveWindow())
        m_controller.windowResignedKey();
}

int PanelWindowController::border() const
{
    const Theme &theme = *m_themes.currentTheme();
    return qRound(m_source.mode() == PanelMode::QuickOpen ? theme.window.compactBorderSize
                                                          : theme.window.normalBorderSize);
}

int PanelWindowController::inputHeight() const
{
    const Theme &theme = *m_themes.currentTheme();
    return qRound(m_source.mode() == PanelMode::QuickOpen ? theme.input.compactHeight : theme.input.normalHeight);
}

int PanelWindowController::panelWidth() const
{
    return m_source.mode() == PanelMode::QuickOpen ? kCompactPanelWidth : kPanelWidth;
}

ThemeManager::ThemePtr PanelWindowController::applyTheme(bool useCurrentHeight)
{
    const ThemeManager::ThemePtr theme = m_themes.currentTheme();
    const bool dark = themecolors::panelIsDark(*theme);
    m_window->setBackground(themecolors::resolve(theme->window.background, dark), dark);
    m_list->setTheme(theme, dark);
    applyThemeOnTable(*theme, dark);
    applyThemeOnInput(*theme, dark);
    applyThemeOnLayouts(*theme, useCurrentHeight);
    return theme;
}

void PanelWindowController::applyThemeOnTable(const Theme &theme, bool dark)
{
    std::optional<QColor> colour = theme.row.background ? std::optional<QColor>(themecolors::toQColor(*theme.row.background))
                                                        : themecolors::resolve(theme.window.background, dark);
    QPalette palette = m_list->palette();
    palette.setColor(QPalette::Base, colour.value_or(QColor(255, 255, 255, 0)));
    m_list->setPalette(palette);
    m_list->viewport()->setAutoFillBackground(colour.has_value());
}

void PanelWindowController::applyThemeOnInput(const Theme &theme, bool dark)
{
    const std::optional<QColor> background = theme.input.background ? themecolors::resolve(theme.input.background, dark)
                                                                     : themecolors::resolve(theme.window.background, dark);
    const QColor text = themecolors::textColor(theme.input.text, dark, themecolors::defaultText(dark));
    const QColor label = themecolors::textColor(theme.input.filter, dark, themecolors::defaultSecondaryText(dark));
    const QColor placeholder = themecolors::textColor(theme.input.placeholder, dark, themecolors::defaultPlaceholder(dark));
    m_panel->setColors(background, text, label, placeholder);
    DataProvider *current = provider();
    m_panel->setPlaceholder(current ? current->inputHint() : QString());
    m_showInputBorder = theme.input.borderColor.has_value();
    if (theme.input.borderColor) {
        QPalette palette = m_inputBorder->palette();
        palette.setColor(QPalette::Window, themecolors::toQColor(*theme.input.borderColor));
        m_inputBorder->setPalette(palette);
    }
    m_inputBorder->setVisible(m_showInputBorder && m_list->rowCount() > 0);
}

void PanelWindowController::applyThemeOnLayouts(const Theme &theme, bool useCurrentHeight)
{
    const bool compact = m_source.mode() == PanelMode::QuickOpen;
    m_panel->setMetrics(compact ? kCompactInputFont : kInputFont, compact ? kCompactIconSize : kIconSize,
                        border());
    if (compact && m_panel->input()->placeholderText().isEmpty())
        m_panel->setPlaceholder(QStringLiteral(" "));
    m_inputMargin = border();
    m_list->setTheme(m_themes.currentTheme(), themecolors::panelIsDark(theme));

    int rows = m_source.visibleRowLimit(m_source.mode(), m_settings);
    if (useCurrentHeight && m_list->rowCount() < rows)
        rows = static_cast<int>(m_list->rowCount());
    const int height = ListView::calcHeight(rows, theme, m_source.mode());
    const int width = panelWidth() + 2 * border();
    if (const QScreen *screen = m_window->screen() ? m_window->screen() : QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        place(QRect(area.x() + (area.width() - width) / 2, area.y() + (area.height() - height) / 2, width, height));
    } else {
        place(QRect(0, 0, width, height));
    }
    layoutContents();
}

void PanelWindowController::onChangeTheme()
{
    const QRect old = m_placement;
    const ThemeManager::ThemePtr theme = applyTheme(true);
    if (const QScreen *screen = m_window->screen()) {
        const QRect area = screen->geometry();
        const QRect now = m_placement;
        place(QRect(area.x() + (area.width() - now.width()) / 2, old.top(), now.width(), now.height()));
    }
    // Row heights first, then the window fits the rows on the next turn.
    m_list->doItemsLayout();
    QTimer::singleShot(0, this, [this] {
        fitContentHeight();
        m_panel->input()->setFocus();
    });
    m_settings.setValue(settings::kTheme, theme->name);
}

void PanelWindowController::fitContentHeight()
{
    const int limit = m_source.visibleRowLimit(m_source.mode(), m_settings);
    const qsizetype count = m_list->rowCount();
    fitWindow(static_cast<int>(qMin<qsizetype>(count, limit)));
    m_list->setVerticalScrollBarPolicy(count > limit ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
}

void PanelWindowController::fitWindow(int rows)
{
    m_inputMargin = rows == 0 ? 0 : border();
    m_inputBorder->setVisible(rows > 0 && m_showInputBorder);
    const QRect old = m_placement;
    const int width = panelWidth() + 2 * border();
    const int height = ListView::calcHeight(rows, *m_themes.currentTheme(), m_source.mode());
    if (height != old.height() || width != old.width())
        place(QRect(old.x() + (old.width() - width) / 2, old.y(), width, height));
    layoutContents();
}

void PanelWindowController::place(const QRect &frame)
{
    m_placement = frame;
    // A Wayland client cannot place itself, and a tiling compositor tiles every plain top-level window. A
    // fixed width (with a non-zero minimum height) is what sway, like other compositors, takes for a window
    // that floats: it then centres the panel on the output and keeps it above the application.
    if (QGuiApplication::platformName() == QLatin1String("wayland")) {
        m_window->setFixedWidth(frame.width());
        m_window->setMinimumHeight(1);
    }
    m_window->setGeometry(frame);
}

void PanelWindowController::layoutContents()
{
    const int b = border();
    const int width = m_window->width();
    const int inputH = inputHeight();
    m_panel->setGeometry(m_inputMargin, b, qMax(0, width - 2 * m_inputMargin), inputH);
    const int listTop = b + inputH + b;
    m_inputBorder->setGeometry(0, b + inputH + b / 2, width, 1);
    m_list->setGeometry(b, listTop, qMax(0, width - 2 * b), qMax(0, m_window->height() - listTop - b));
    m_window->raiseOutline();
}

} // namespace tavolin
