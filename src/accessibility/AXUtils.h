#pragma once

#include "accessibility/ElementSource.h"

#include <optional>

namespace tavolin {

// Typed attribute reads. Stateless; every function is safe on the threads the source allows.
class AXUtils
{
public:
    // The attribute's value as T (QString, int64_t, bool, ElementRef or ElementList). Absent when the read
    // fails or the value has another type. `error`, when given, receives the source's result code.
    template <typename T>
    static std::optional<T> getAny(ElementSource &source, AXAttribute attribute, const ElementRef &from,
                                   AXError *error = nullptr)
    {
        AXValue value;
        const AXError result = from ? source.copyAttributeValue(from, attribute, value) : AXError::InvalidElement;
        if (error)
            *error = result;
        if (result != AXError::Success)
            return std::nullopt;
        if (const T *typed = std::get_if<T>(&value)) {
            if constexpr (std::is_same_v<T, ElementRef>) {
                if (!*typed)
                    return std::nullopt;
            }
            return *typed;
        }
        return std::nullopt;
    }

    // Same, with the attribute given by its platform name ("AXTitle", "AXEnabled", "AXChildren", "AXRole",
    // "AXMenuItemMarkChar", ...). An unknown name reads as absent.
    template <typename T>
    static std::optional<T> getAny(ElementSource &source, const QString &attribute, const ElementRef &from)
    {
        const std::optional<AXAttribute> known = attributeNamed(attribute);
        if (!known)
            return std::nullopt;
        return getAny<T>(source, *known, from);
    }

    static std::optional<AXAttribute> attributeNamed(const QString &name);
    static QString nameOf(AXAttribute attribute);
};

} // namespace tavolin
