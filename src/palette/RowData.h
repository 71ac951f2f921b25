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
// placeholder, extension, option, file).
//
// Rows are shared: providers, search results and the panel hold the same row through shared_ptr. Rows are
// built on any thread and then read and performed on the main thread only.
class RowData
{
public:
    virtual ~RowData() = default;

    // Shown as the main label and searched.
    virtual QString title() const = 0;
    virtual void setTitle(const QString &title) = 0;
    // Choosing the row opens its children instead of acting.
    virtual bool shouldExpand() const = 0;
    virtual void setShouldExpand(bool expand) = 0;
    // Shown in the input field while the row is selected.
    virtual std::optional<QString> inputHint() const = 0;
    virtual void setInputHint(std::optional<QString> hint) = 0;
    // The row acts as soon as it is selected.
    virtual bool applyOnHover() const = 0;
    virtual void setApplyOnHover(bool applyOnHover) = 0;
    virtual const RowAction &action() const = 0;
    virtual void setAction(RowAction action) = 0;

    // Performs the row; true when the panel may close. `modifiers` are the KeyData modifier bits held.
    virtual bool apply(int modifiers) = 0;
    // Runs only the custom action; false when there is none.
    virtual bool applyCustomAction() = 0;
};

using RowDataPtr = std::shared_ptr<RowData>;

} // namespace tavolin
