#pragma once

// Addresses the preferences program opens in the browser or mail program.
namespace tavolin::links {

inline constexpr auto kDocumentation = "https://quorvane.io/tavolin/docs/";
inline constexpr auto kShortcutHelp = "https://quorvane.io/tavolin/docs/shortcuts";
inline constexpr auto kPrivacyPolicy = "https://quorvane.io/tavolin/privacy";
inline constexpr auto kLicense = "https://quorvane.io/tavolin/license";
inline constexpr auto kCredits = "https://quorvane.io/tavolin/credits";
inline constexpr auto kContact = "mailto:support@quorvane.io?subject=Tavolin";
inline constexpr auto kAccessibilityHelp = "https://quorvane.io/tavolin/docs/accessibility";

} // namespace tavolin::links
