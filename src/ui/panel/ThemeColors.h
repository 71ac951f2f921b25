#pragma once

#include "palette/Theme.h"

#include <QColor>

#include <optional>

namespace tavolin {

// Turns a theme's colours into Qt colours for the panel's painting. Colours the theme leaves to the desktop
// (SystemColor, absent text colours) come from the application palette while the panel's darkness matches
// the desktop's, else from a fixed light or dark set, so a dark theme stays dark on a light desktop.
//
// Main thread (reads the application palette).
namespace themecolors {

// Whether the desktop's look is dark: the palette's window colour is dark. setDesktopDarkForTesting()
// overrides it until called with nullopt.
bool desktopIsDark();
void setDesktopDarkForTesting(std::optional<bool> dark);

// The panel's darkness under `theme` (Theme::isDark over the desktop's look).
bool panelIsDark(const Theme &theme);

QColor toQColor(const Rgba &rgba);
QColor resolve(const ThemeColor &color, bool dark);
std::optional<QColor> resolve(const std::optional<ThemeColor> &color, bool dark);

// A text colour: colorInDark when dark and set, else color, else `fallback`.
QColor textColor(const TextStyle &style, bool dark, const QColor &fallback);

// Defaults of the views when the theme says nothing.
QColor defaultText(bool dark);
QColor defaultSecondaryText(bool dark);
QColor defaultPlaceholder(bool dark);
QColor defaultLink(bool dark);
QColor defaultSelection(bool dark);
// The label colours of a row under the row style of `theme` (the highlighted row's when selected). Where
// the theme says nothing, a selected row drawn on the desktop's selection colour takes the desktop's
// selected-text colour, so its labels stay readable on a strong highlight.
struct RowTextColors
{
    QColor title;
    QColor path;
    QColor shortcut;
    QColor group; // the group label of history rows
};
RowTextColors rowTextColors(bool selected, const Theme &theme, bool dark);
// The translucent fill used when the theme has no window colour.
QColor translucentBackground(bool dark);
// The hairline around the panel's edge: without a compositor's shadow, a light panel over a white page
// would have no visible edge.
QColor windowOutline(bool dark);

} // namespace themecolors
} // namespace tavolin
