#pragma once

#include <QHashFunctions>
#include <QString>
#include <QStringView>

#include <cstddef>
#include <unordered_map>

namespace tavolin {

// Hash and equality over QStringView, so a map keyed by QString is searched with views (of a line, of part of
// a text) without building a QString for each look-up.
struct ViewHash
{
    using is_transparent = void;
    size_t operator()(QStringView text) const noexcept { return qHash(text); }
};
struct ViewEqual
{
    using is_transparent = void;
    bool operator()(QStringView a, QStringView b) const noexcept { return a == b; }
};
template <typename T>
using ViewMap = std::unordered_map<QString, T, ViewHash, ViewEqual>;

} // namespace tavolin
