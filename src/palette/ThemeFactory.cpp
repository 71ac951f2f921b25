#include "palette/ThemeFactory.h"

namespace tavolin::ThemeFactory {
namespace {

// The highlight of the group label on recent rows while the panel is dark.
constexpr Rgba kRecentInDark = rgbaFromUnit(0.14, 0.79, 1);

// What a built-in theme sets over Theme's constructor values: an absent border size or input height keeps the
// constructor's; every other absent value is none (the window background included). Every member has an
// initializer, so a row of the table names only what it sets.
struct Look
{
    struct Texts
    {
        std::optional<Rgba> text = {};
        std::optional<Rgba> secondLabel = {};
        std::optional<Rgba> shortcut = {};
    };

    const char *name = nullptr;
    ThemeAppearance appearance = ThemeAppearance::Auto;
    std::optional<Rgba> background = {}; // window, input and rows alike; else the three below
    std::optional<ThemeColor> windowBackground = {};
    std::optional<ThemeColor> inputBackground = {};
    std::optional<Rgba> rowBackground = {};
    std::optional<float> borderSize = {};  // window.normalBorderSize
    std::optional<float> inputHeight = {}; // input.normalHeight
    std::optional<Rgba> filterColor = {};
    std::optional<Rgba> placeholderColor = {};
    std::optional<float> rowTextSize = {};
    Texts row = {};
    std::optional<Rgba> recentColor = {};
    std::optional<Rgba> recentColorInDark = {};
    std::optional<Rgba> highlightedBackground = {};
    Texts highlighted = {};
};

// In the order the options list shows them; "default" first. A row background can only be a fixed colour:
// "default" leaves it absent, so rows show the window's, which is the same desktop control colour there.
const Look kLooks[] = {
    {.name = "default",
     .windowBackground = SystemColor::ControlBackground,
     .inputBackground = SystemColor::ControlBackground,
     .recentColorInDark = kRecentInDark},
    {.name = "Light",
     .appearance = ThemeAppearance::Aqua,
     .background = rgbaFromUnit(1, 0.99, 0.99),
     .rowTextSize = 12,
     .row = {.text = grey(0.4)},
     .highlightedBackground = rgbaFromUnit(0.94, 0.93, 0.93),
     .highlighted = {.text = kBlack, .secondLabel = grey(0.3), .shortcut = kBlack}},
    {.name = "Extra Light",
     .appearance = ThemeAppearance::Aqua,
     .background = kWhite,
     .borderSize = 4,
     .inputHeight = 36,
     .row = {.text = grey(0.5), .secondLabel = grey(0.7), .shortcut = grey(0.6)},
     .highlightedBackground = rgbaFromUnit(0.96, 0.97, 0.98),
     .highlighted = {.text = rgbaFromUnit(0.01, 0.33, 0.78),
                     .secondLabel = grey(0.4),
                     .shortcut = rgbaFromUnit(0.13, 0.54, 1)}},
    {.name = "morning",
     .appearance = ThemeAppearance::Aqua,
     .background = rgbaFromUnit(0.95, 0.96, 0.95),
     .borderSize = 8,
     .inputHeight = 28,
     .row = {.text = rgbaFromUnit(0.32, 0.29, 0.34), .shortcut = rgbaFromUnit(0.32, 0.29, 0.34)},
     .highlightedBackground = rgbaFromUnit(0.54, 0.63, 0.76)},
    {.name = "vibrancy", .appearance = ThemeAppearance::VibrantLight, .recentColorInDark = kRecentInDark},
    {.name = "Dark Vibrancy",
     .appearance = ThemeAppearance::VibrantDark,
     .recentColorInDark = kRecentInDark,
     .highlightedBackground = grey(0.2)},
    {.name = "deepblue",
     .appearance = ThemeAppearance::DarkAqua,
     .inputBackground = rgbaFromUnit(0.17, 0.23, 0.3),
     .rowBackground = rgbaFromUnit(0.17, 0.23, 0.3),
     .filterColor = grey(0.9),
     .placeholderColor = grey(0.5),
     .row = {.secondLabel = grey(0.5)},
     .recentColor = rgbaFromUnit(0.74, 0.94, 1),
     .highlightedBackground = rgbaFromUnit(0.32, 0.47, 0.62),
     .highlighted = {.text = kWhite}},
    {.name = "Extra Dark",
     .appearance = ThemeAppearance::DarkAqua,
     .windowBackground = grey(0.15),
     .rowBackground = grey(0.15),
     .borderSize = 8,
     .inputHeight = 28,
     .highlightedBackground = kBlack},
};

template<typename T>
void setIfGiven(T &field, const std::optional<T> &value)
{
    if (value)
        field = *value;
}

void setTexts(RowStyle &style, const Look::Texts &texts)
{
    style.text.color = texts.text;
    style.secondLabel.color = texts.secondLabel;
    style.shortcut.color = texts.shortcut;
}

Theme themeOf(const Look &look)
{
    Theme theme(QString::fromLatin1(look.name));
    theme.appearance = look.appearance;
    theme.window.background = look.windowBackground;
    theme.input.background = look.inputBackground;
    theme.row.background = look.rowBackground;
    if (look.background) {
        theme.window.background = *look.background;
        theme.input.background = *look.background;
        theme.row.background = *look.background;
    }
    setIfGiven(theme.window.normalBorderSize, look.borderSize);
    setIfGiven(theme.input.normalHeight, look.inputHeight);
    theme.input.filter.color = look.filterColor;
    theme.input.placeholder.color = look.placeholderColor;
    theme.row.text.size = look.rowTextSize;
    setTexts(theme.row, look.row);
    theme.row.recent.color = look.recentColor;
    theme.row.recent.colorInDark = look.recentColorInDark;
    theme.highlightedRow.background = look.highlightedBackground;
    setTexts(theme.highlightedRow, look.highlighted);
    return theme;
}

} // namespace

QList<Theme> all()
{
    QList<Theme> themes;
    themes.reserve(std::size(kLooks));
    for (const Look &look : kLooks)
        themes.append(themeOf(look));
    return themes;
}

Theme defaultTheme()
{
    return themeOf(kLooks[0]);
}

} // namespace tavolin::ThemeFactory
