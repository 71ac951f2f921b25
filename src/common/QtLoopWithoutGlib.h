#pragma once

namespace tavolin {

// While it lives, a QCoreApplication made runs Qt's own event loop, not GLib's: GLib's default context is
// then left to the libatspi thread (see platform/linux/AtspiThread.h), which must be the only one to run it.
// Programs started after it ends get the environment back as it was.
class QtLoopWithoutGlib
{
public:
    QtLoopWithoutGlib();
    ~QtLoopWithoutGlib();
    QtLoopWithoutGlib(const QtLoopWithoutGlib &) = delete;
    QtLoopWithoutGlib &operator=(const QtLoopWithoutGlib &) = delete;

private:
    bool m_set = false;
};

} // namespace tavolin
