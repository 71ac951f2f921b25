#pragma once

#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace tavolin {

class RowData;

// What performing a row does. Returns true when the panel may close. An action must not hold its own row
// strongly (the row holds the action: that would be a cycle).
using RowAction = std::function<bool(RowData &row)>;

// What every palette row offers the list views and the controller, whatever its kind (command, history
// placeholder, extension, option, file): plain values and one action. A kind adds its own values and sets
// its default action; a provider may replace the action.
//
// Rows are shared: providers, search results and the panel hold the same row through shared_ptr. Rows are
// built on any thread and then read and performed on the main thread only.
class RowData
{
public:
    virtual ~RowData() = default;

    // Shown as the main label and searched. Fixed for menu rows (their search forms derive from it).
    const QString &title() const { return m_title; }
    // Choosing the row opens its children instead of performing it.
    bool expands() const { return m_expands; }
    void setExpands(bool expands) { m_expands = expands; }
    // Shown in the input field while the row is selected.
    const std::optional<QString> &inputHint() const { return m_inputHint; }
    void setInputHint(std::optional<QString> hint) { m_inputHint = std::move(hint); }
    // The row's children act as soon as they are selected.
    bool applyOnHover() const { return m_applyOnHover; }
    void setApplyOnHover(bool applyOnHover) { m_applyOnHover = applyOnHover; }
    const RowAction &action() const { return m_action; }
    void setAction(RowAction action) { m_action = std::move(action); }

    // Performs the row: runs its action; false without one. True when the panel may close.
    bool apply() { return m_action ? m_action(*this) : false; }

protected:
    explicit RowData(RowAction action = {}) : m_action(std::move(action)) {}
    RowData(const RowData &) = default;
    RowData &operator=(const RowData &) = default;

    void setTitle(const QString &title) { m_title = title; }

private:
    bool m_applyOnHover = false;
    bool m_expands = false;
    QString m_title;
    std::optional<QString> m_inputHint;
    RowAction m_action;
};

using RowDataPtr = std::shared_ptr<RowData>;

} // namespace tavolin
