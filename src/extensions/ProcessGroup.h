#pragma once

#include <QtGlobal>

namespace tavolin::processgroup {

// Each extension run's script leads a process group of its own, so that what it leaves running (`cmd &`, a
// daemon that double-forks but stays in the group) can be ended together with the run. A child that calls
// setsid() or setpgid() leaves the group and is out of our reach by design: we only ever signal groups we
// created, never a process found by name.

// For QProcess::setChildProcessModifier: runs in the child between fork and exec, so async-signal-safe only.
void leadOwnGroup();

// Sends `signal` to every member of `group`. Returns true when the group still had a member. Never signals
// an id that cannot be a group we created (<= 1, or the group we belong to ourselves).
bool signalGroup(qint64 group, int signal);

} // namespace tavolin::processgroup
