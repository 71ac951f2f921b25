#pragma once

#include <QString>

class QDialog;
class QFormLayout;
class QHBoxLayout;
class QLayout;
class QToolButton;
class QVBoxLayout;
class QWidget;

namespace tavolin {

// Layouts the panes and their dialogs share, so they look and read alike. Main thread.
namespace panelayout {

// Makes `add` and `remove` the "+" and "−" buttons under a pane's list, each named (for assistive technology
// and as its tool tip) by what it does; returns their row, left-aligned, for the caller to place.
QHBoxLayout *addRemoveRow(QToolButton *add, const QString &addName, QToolButton *remove, const QString &removeName);

// Lays out `pane` as a list pane: `heading`, then `list` taking the spare height, then `buttons` (taken
// over). Returns the pane's layout, for what goes below.
QVBoxLayout *listPane(QWidget *pane, const QString &heading, QWidget *list, QLayout *buttons);

// Lays out `dialog` as a heading, `form` (taken over) and a row of `acceptText` (the default button) and
// Cancel, wired to accept() and reject(). The heading is also the window title.
void formDialog(QDialog *dialog, const QString &heading, QFormLayout *form, const QString &acceptText);

} // namespace panelayout
} // namespace tavolin
