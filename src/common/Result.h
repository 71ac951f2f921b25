#pragma once

#include <QString>

#include <optional>
#include <utility>

namespace tavolin {

// What an operation that can fail hands back: its value, or why it failed, in words a person can read (shown
// or logged as they stand). Where a caller must tell kinds of failure apart, the kinds belong to the value's
// own type; this only says whether it worked and why not.
//
// Result<void> is the same without a value. (Not called Status: Xlib defines that name as a macro.)
template<typename T>
class Result
{
public:
    static Result ok(T value) { return Result(std::move(value), {}); }
    static Result failure(QString reason) { return Result(std::nullopt, std::move(reason)); }

    bool isOk() const { return m_value.has_value(); }
    // Only when isOk().
    const T &value() const & { return *m_value; }
    T &&value() && { return std::move(*m_value); }
    // "" when isOk().
    const QString &reason() const { return m_reason; }

private:
    Result(std::optional<T> value, QString reason) : m_value(std::move(value)), m_reason(std::move(reason)) {}

    std::optional<T> m_value;
    QString m_reason;
};

template<>
class Result<void>
{
public:
    static Result ok() { return Result(false, {}); }
    static Result failure(QString reason) { return Result(true, std::move(reason)); }

    bool isOk() const { return !m_failed; }
    const QString &reason() const { return m_reason; }

private:
    Result(bool failed, QString reason) : m_failed(failed), m_reason(std::move(reason)) {}

    bool m_failed = false;
    QString m_reason;
};

} // namespace tavolin
