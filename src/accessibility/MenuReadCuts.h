#pragma once

#include <QStringList>

#include <chrono>

namespace tavolin {

// Bounds on reading one application's menus. Every application on the accessibility bus is untrusted input:
// a buggy toolkit or a hostile program can serve a menu that lists itself, a menu listing the next one ten
// times over twelve levels (10^12 paths), or answer every call just inside the time-out.
namespace menulimits {
// Menus nested below the menu bar; real applications stop at five or six.
inline constexpr int kMaxDepth = 32;
// Elements read per application; the largest real menu bars hold a few thousand.
inline constexpr int kMaxRows = 50000;
// The whole reading of one application at one palette call, however many calls it takes.
inline constexpr std::chrono::milliseconds kReadBudget{3000};
} // namespace menulimits

// What cut a reading short, besides a time-out (which ElementSource::applicationAnswers tells).
struct MenuReadCuts
{
    bool cycle = false;    // an element met a second time (listed under itself, or under two menus): read once
    bool depth = false;    // menus nested deeper than kMaxDepth were left out
    bool rows = false;     // the reading stopped after kMaxRows elements
    bool budget = false;   // the reading stopped when kReadBudget had passed
    bool vanished = false; // an element was destroyed while it was read: it and what is below it are missing

    bool any() const { return cycle || depth || rows || budget || vanished; }
    // A reading that left part of the menus out (a cycle cut leaves out nothing that was not read already).
    bool partial() const { return depth || rows || budget || vanished; }
    MenuReadCuts &operator|=(const MenuReadCuts &other);
    // One clause per cut, for log lines and warnings: "a menu lists itself or another menu twice; ...".
    QStringList describe() const;
};

} // namespace tavolin
