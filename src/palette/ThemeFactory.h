#pragma once

#include "palette/Theme.h"

#include <QList>

namespace tavolin {

// The eight built-in themes. Each starts from Theme's constructor values and changes only what makes it
// different. There are no theme files. Any thread.
namespace ThemeFactory {

// "default", "Light", "Extra Light", "morning", "vibrancy", "Dark Vibrancy", "deepblue", "Extra Dark", in
// that order.
QList<Theme> all();
// "default": follows the desktop's light or dark look.
Theme defaultTheme();

} // namespace ThemeFactory
} // namespace tavolin
