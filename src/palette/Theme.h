#pragma once

#include "palette/PanelMode.h"
#include "palette/RowStyle.h"

#include <QString>

#include <cmath>
#include <optional>
#include <variant>

namespace tavolin {

// A colour given in 0..1 components, as the built-in themes are written, rounded to 8 bits.
constexpr Rgba rgbaFromUnit(double red, double green, double blue, double alpha = 1.0)
{
    auto byte = [](double v) { return static_cast<uint8_t>(v <= 0 ? 0 : v >= 1 ? 255 : v * 255 + 0.5); };
    return Rgba{byte(red), byte(green), byte(blue), byte(alpha)};
}
constexpr Rgba grey(double brightness) { return rgbaFromUnit(brightness, brightness, brightness); }
inline constexpr Rgba kWhite = rgbaFromUnit(1, 1, 1);
inline constexpr Rgba kBlack = rgbaFromUnit(0, 0, 0);

// Colours the desktop decides; the panel resolves them from its palette (window and base colours).
enum class SystemColor { WindowBackground, ControlBackground };
using ThemeColor = std::variant<Rgba, SystemColor>;

// How a theme asks to look. `Aqua` is the light system look.
enum class ThemeAppearance { Auto, Aqua, DarkAqua, Vibrant, VibrantLight, VibrantDark };
// The look the panel takes once the desktop's own darkness is known.
enum class AppearanceName { Aqua, DarkAqua, VibrantLight, VibrantDark };

struct WindowStyle
{
    float compactBorderSize = 0;
    float normalBorderSize = 0;
    std::optional<ThemeColor> background = SystemColor::WindowBackground;

    bool operator==(const WindowStyle &) const = default;
};

struct InputStyle
{
    float compactHeight = 32;
    float normalHeight = 48;
    std::optional<ThemeColor> background;
    TextStyle text;
    TextStyle filter;
    TextStyle placeholder;
    std::optional<Rgba> borderColor;

    bool operator==(const InputStyle &) const = default;
};

// The look of the palette panel: appearance, window, input row, rows and the selected row. Plain data;
// absent values leave the view's own default in place. Painting is the panel's. Any thread.
struct Theme
{
    static constexpr float kDefaultRowHeight = 46;
    static constexpr float kDefaultCompactRowHeight = 30;

    explicit Theme(QString name = QStringLiteral("default")) : name(std::move(name)) {}

    QString name;
    ThemeAppearance appearance = ThemeAppearance::Auto;
    WindowStyle window;
    InputStyle input;
    RowStyle row;
    RowStyle highlightedRow;

    // `desktopIsDark`: whether the desktop's current look is dark (what Auto and Vibrant follow).
    AppearanceName appearanceName(bool desktopIsDark) const;
    bool isDark(bool desktopIsDark) const;
    // Row height: in QuickOpen (the compact panel) row.compactHeight, else row.height; 30 and 46 when absent.
    float rowHeight(PanelMode mode) const;

    bool operator==(const Theme &) const = default;
};

} // namespace tavolin
