#include "files/Workspace.h"

#include <atomic>

namespace tavolin {
namespace {
std::atomic<Workspace *> g_shared{nullptr};
} // namespace

Workspace *Workspace::shared()
{
    return g_shared.load();
}

void Workspace::setShared(Workspace *workspace)
{
    g_shared.store(workspace);
}

} // namespace tavolin
