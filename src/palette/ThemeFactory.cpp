#include "palette/ThemeFactory.h"

namespace tavolin::ThemeFactory {
namespace {

// The highlight of the group label on recent rows while the panel is dark.
constexpr Rgba kRecentInDark = rgbaFromUnit(0.14, 0.79, 1);

// Sets the window, input and row backgrounds to one fixed colour.
void setBackgrounds(Theme &theme, Rgba colour)
{
    theme.window.background = colour;
    theme.input.background = colour;
    theme.row.background = colour;
}

} // namespace

Theme defaultTheme()
{
    Theme theme(QStringLiteral("default"));
    // A row background can only be a fixed colour; left absent, rows show the window's, which is the same
    // desktop control colour here.
    theme.window.background = SystemColor::ControlBackground;
    theme.input.background = SystemColor::ControlBackground;
    theme.row.recent.colorInDark = kRecentInDark;
    return theme;
}

Theme light()
{
    Theme theme(QStringLiteral("Light"));
    theme.appearance = ThemeAppearance::Aqua;
    setBackgrounds(theme, rgbaFromUnit(1, 0.99, 0.99));
    theme.row.text.size = 12;
    theme.row.text.color = grey(0.4);
    theme.highlightedRow.background = rgbaFromUnit(0.94, 0.93, 0.93);
    theme.highlightedRow.text.color = kBlack;
    theme.highlightedRow.shortcut.color = kBlack;
    theme.highlightedRow.secondLabel.color = grey(0.3);
    return theme;
}

Theme extraLight()
{
    Theme theme(QStringLiteral("Extra Light"));
    theme.appearance = ThemeAppearance::Aqua;
    theme.window.normalBorderSize = 4;
    setBackgrounds(theme, kWhite);
    theme.input.normalHeight = 36;
    theme.row.secondLabel.color = grey(0.7);
    theme.row.text.color = grey(0.5);
    theme.row.shortcut.color = grey(0.6);
    theme.highlightedRow.background = rgbaFromUnit(0.96, 0.97, 0.98);
    theme.highlightedRow.text.color = rgbaFromUnit(0.01, 0.33, 0.78);
    theme.highlightedRow.shortcut.color = rgbaFromUnit(0.13, 0.54, 1);
    theme.highlightedRow.secondLabel.color = grey(0.4);
    return theme;
}

Theme morning()
{
    Theme theme(QStringLiteral("morning"));
    theme.appearance = ThemeAppearance::Aqua;
    theme.window.normalBorderSize = 8;
    setBackgrounds(theme, rgbaFromUnit(0.95, 0.96, 0.95));
    theme.input.normalHeight = 28;
    theme.row.text.color = rgbaFromUnit(0.32, 0.29, 0.34);
    theme.row.shortcut.color = rgbaFromUnit(0.32, 0.29, 0.34);
    theme.highlightedRow.background = rgbaFromUnit(0.54, 0.63, 0.76);
    return theme;
}

Theme vibrancy()
{
    Theme theme(QStringLiteral("vibrancy"));
    theme.appearance = ThemeAppearance::VibrantLight;
    theme.window.background.reset();
    theme.row.recent.colorInDark = kRecentInDark;
    return theme;
}

Theme darkVibrancy()
{
    Theme theme(QStringLiteral("Dark Vibrancy"));
    theme.appearance = ThemeAppearance::VibrantDark;
    theme.window.background.reset();
    theme.highlightedRow.background = grey(0.2);
    theme.row.recent.colorInDark = kRecentInDark;
    return theme;
}

Theme deepblue()
{
    Theme theme(QStringLiteral("deepblue"));
    theme.appearance = ThemeAppearance::DarkAqua;
    theme.window.background.reset();
    theme.input.background = rgbaFromUnit(0.17, 0.23, 0.3);
    theme.row.background = rgbaFromUnit(0.17, 0.23, 0.3);
    theme.input.filter.color = grey(0.9);
    theme.input.placeholder.color = grey(0.5);
    theme.highlightedRow.background = rgbaFromUnit(0.32, 0.47, 0.62);
    theme.highlightedRow.text.color = kWhite;
    theme.row.recent.color = rgbaFromUnit(0.74, 0.94, 1);
    theme.row.secondLabel.color = grey(0.5);
    return theme;
}

Theme extraDark()
{
    Theme theme(QStringLiteral("Extra Dark"));
    theme.appearance = ThemeAppearance::DarkAqua;
    theme.window.normalBorderSize = 8;
    theme.row.background = grey(0.15);
    theme.window.background = grey(0.15);
    theme.input.normalHeight = 28;
    theme.highlightedRow.background = kBlack;
    return theme;
}

} // namespace tavolin::ThemeFactory
