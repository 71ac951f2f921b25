#include "palette/Theme.h"

namespace tavolin {

AppearanceName Theme::appearanceName(bool desktopIsDark) const
{
    switch (appearance) {
    case ThemeAppearance::Auto:
        return desktopIsDark ? AppearanceName::DarkAqua : AppearanceName::Aqua;
    case ThemeAppearance::Aqua:
        return AppearanceName::Aqua;
    case ThemeAppearance::DarkAqua:
        return AppearanceName::DarkAqua;
    case ThemeAppearance::Vibrant:
        return desktopIsDark ? AppearanceName::VibrantDark : AppearanceName::VibrantLight;
    case ThemeAppearance::VibrantLight:
        return AppearanceName::VibrantLight;
    case ThemeAppearance::VibrantDark:
        return AppearanceName::VibrantDark;
    }
    return AppearanceName::Aqua;
}

bool Theme::isDark(bool desktopIsDark) const
{
    const AppearanceName name = appearanceName(desktopIsDark);
    return name == AppearanceName::DarkAqua || name == AppearanceName::VibrantDark;
}

float Theme::rowHeight(PanelMode mode) const
{
    if (mode == PanelMode::QuickOpen)
        return row.compactHeight.value_or(kDefaultCompactRowHeight);
    return row.height.value_or(kDefaultRowHeight);
}

} // namespace tavolin
