#pragma once

#include <cstdint>
#include <optional>

namespace tavolin {

// A colour as plain 8-bit RGBA; painting converts it.
struct Rgba
{
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    uint8_t alpha = 255;

    bool operator==(const Rgba &) const = default;
};

// How one text of a row is drawn. Absent values fall back to the view's defaults.
struct TextStyle
{
    std::optional<float> size;
    std::optional<Rgba> color;
    std::optional<Rgba> colorInDark;

    bool operator==(const TextStyle &) const = default;
};

// The drawing style of one kind of row (a theme has one for normal rows and one for the highlighted row).
// Heights are in points: `height` for the normal panel, `compactHeight` for the compact one.
struct RowStyle
{
    std::optional<float> height;
    std::optional<float> compactHeight;
    std::optional<Rgba> background;
    TextStyle text;        // the title
    TextStyle secondLabel; // the path label
    TextStyle shortcut;    // the shortcut text
    std::optional<Rgba> borderColor;
    TextStyle recent;      // rows that come from the history

    bool operator==(const RowStyle &) const = default;
};

} // namespace tavolin
