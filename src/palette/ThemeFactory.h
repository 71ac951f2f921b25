#pragma once

#include "palette/Theme.h"

namespace tavolin {

// The eight built-in themes. Each starts from Theme's constructor values and changes only what makes it
// different. There are no theme files. Any thread.
namespace ThemeFactory {

Theme defaultTheme(); // "default": follows the desktop's light or dark look
Theme light();        // "Light"
Theme extraLight();   // "Extra Light"
Theme morning();      // "morning"
Theme vibrancy();     // "vibrancy"
Theme darkVibrancy(); // "Dark Vibrancy"
Theme deepblue();     // "deepblue"
Theme extraDark();    // "Extra Dark"

} // namespace ThemeFactory
} // namespace tavolin
