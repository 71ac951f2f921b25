#pragma once

#include <QAbstractButton>
#include <QWidget>

namespace tavolin {

// Roles assistive technology should read for our own widgets where Qt's defaults mislead: a plain QWidget
// window reads as a filler rather than a window, and a row of checkable tool buttons that switches panes
// reads as check boxes rather than page tabs.

// Installs the interface factory behind these roles. Once per program, after the QApplication exists.
void installAccessibleRoles();

// Makes `bar` read as a page tab list named `name`, and `button` as one of its page tabs (selected while
// checked, pressed by its action). Call before anything else is done with the widget: an accessibility event
// (a text or state set) makes its interface, which is not made again.
void markAsPaneBar(QWidget &bar, const QString &name);
void markAsPaneTab(QAbstractButton &button);

} // namespace tavolin
