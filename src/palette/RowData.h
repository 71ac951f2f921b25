#pragma once

#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace tavolin {

class RowData;

// A custom action replacing a row's default one. Returns true when the panel may close. An action must not
// hold its own row strongly (the row holds the action: that would be a cycle).
using RowAction = std::function<bool(RowData &row)>;

// What every palette row offers the list views and the controller, whatever its kind (command, history
// placeholder, extension, option, file). The fields every kind has live here once; a kind overrides only
// what it does differently.
//
// Rows are shared: providers, search results and the panel hold the same row through shared_ptr. Rows are
// built on any thread and then read and performed on the main thread only.
class RowData
{
public:
    virtual ~RowData() = default;

    // Shown as the main label and searched.
    const QString &title() const { return m_title; }
    virtual void setTitle(const QString &title) { m_title = title; }
    // Choosing the row opens its children instead of acting. None by default.
    virtual bool shouldExpand() const { return false; }
    // Shown in the input field while the row is selected.
    const std::optional<QString> &inputHint() const { return m_inputHint; }
    void setInputHint(std::optional<QString> hint) { m_inputHint = std::move(hint); }
    // The row acts as soon as it is selected.
    bool applyOnHover() const { return m_applyOnHover; }
    void setApplyOnHover(bool applyOnHover) { m_applyOnHover = applyOnHover; }
    const RowAction &action() const { return m_action; }
    void setAction(RowAction action) { m_action = std::move(action); }

    // Performs the row; true when the panel may close. `modifiers` are the KeyData modifier bits held. By
    // default: the custom action's result.
    virtual bool apply(int modifiers)
    {
        (void)modifiers;
        return applyCustomAction();
    }
    // Runs only the custom action; false when there is none.
    bool applyCustomAction() { return m_action ? m_action(*this) : false; }

protected:
    RowData() = default;
    explicit RowData(RowAction action) : m_action(std::move(action)) {}
    RowData(const RowData &) = default;
    RowData &operator=(const RowData &) = default;

private:
    bool m_applyOnHover = false;
    QString m_title;
    std::optional<QString> m_inputHint;
    RowAction m_action;
};

using RowDataPtr = std::shared_ptr<RowData>;

} // namespace tavolin
