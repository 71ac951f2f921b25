#include "ui/panel/ThemeColors.h"

#include <QApplication>
#include <QPalette>

namespace tavolin::themecolors {
namespace {

std::optional<bool> g_darkOverride;

QColor systemColor(SystemColor which, bool dark)
{
    if (dark == desktopIsDark()) {
        const QPalette palette = QApplication::palette();
        return which == SystemColor::WindowBackground ? palette.color(QPalette::Window)
                                                      : palette.color(QPalette::Base);
    }
    if (which == SystemColor::WindowBackground)
        return dark ? QColor(50, 50, 50) : QColor(236, 236, 236);
    return dark ? QColor(30, 30, 30) : QColor(255, 255, 255);
}

bool paletteMatches(bool dark)
{
    return dark == desktopIsDark();
}

} // namespace

bool desktopIsDark()
{
    if (g_darkOverride)
        return *g_darkOverride;
    return QApplication::palette().color(QPalette::Window).lightness() < 128;
}

void setDesktopDarkForTesting(std::optional<bool> dark)
{
    g_darkOverride = dark;
}

bool panelIsDark(const Theme &theme)
{
    return theme.isDark(desktopIsDark());
}

QColor toQColor(const Rgba &rgba)
{
    return QColor(rgba.red, rgba.green, rgba.blue, rgba.alpha);
}

QColor resolve(const ThemeColor &color, bool dark)
{
    if (const Rgba *rgba = std::get_if<Rgba>(&color))
        return toQColor(*rgba);
    return systemColor(std::get<SystemColor>(color), dark);
}

std::optional<QColor> resolve(const std::optional<ThemeColor> &color, bool dark)
{
    if (!color)
        return std::nullopt;
    return resolve(*color, dark);
}

QColor textColor(const TextStyle &style, bool dark, const QColor &fallback)
{
    if (dark && style.colorInDark)
        return toQColor(*style.colorInDark);
    if (style.color)
        return toQColor(*style.color);
    return fallback;
}

QColor defaultText(bool dark)
{
    if (paletteMatches(dark))
        return QApplication::palette().color(QPalette::Text);
    return dark ? QColor(230, 230, 230) : QColor(26, 26, 26);
}

QColor defaultSecondaryText(bool dark)
{
    return dark ? QColor(150, 150, 150) : QColor(128, 128, 128);
}

QColor defaultPlaceholder(bool dark)
{
    return dark ? QColor(120, 120, 120) : QColor(170, 170, 170);
}

QColor defaultLink(bool dark)
{
    if (paletteMatches(dark))
        return QApplication::palette().color(QPalette::Link);
    return dark ? QColor(64, 156, 255) : QColor(10, 100, 214);
}

QColor defaultSelection(bool dark)
{
    if (paletteMatches(dark))
        return QApplication::palette().color(QPalette::Highlight);
    return dark ? QColor(70, 70, 70) : QColor(220, 220, 220);
}

RowTextColors rowTextColors(bool selected, const Theme &theme, bool dark)
{
    QColor text = defaultText(dark);
    QColor secondary = defaultSecondaryText(dark);
    if (selected && !theme.highlightedRow.background && paletteMatches(dark)) {
        text = QApplication::palette().color(QPalette::HighlightedText);
        secondary = text;
        secondary.setAlpha(190);
    }
    const RowStyle &style = selected ? theme.highlightedRow : theme.row;
    return {textColor(style.text, dark, text), textColor(style.secondLabel, dark, secondary),
            textColor(style.shortcut, dark, secondary), textColor(style.recent, dark, defaultLink(dark))};
}

QColor translucentBackground(bool dark)
{
    return dark ? QColor(36, 36, 38, 225) : QColor(246, 246, 246, 225);
}

QColor windowOutline(bool dark)
{
    return dark ? QColor(255, 255, 255, 56) : QColor(0, 0, 0, 72);
}

} // namespace tavolin::themecolors
