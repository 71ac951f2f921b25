#pragma once

#include "tools/MenuTool.h"

namespace tavolin {
class AtspiElementSource;
}

namespace tavolin::menutool {

// The tool's applications on this desktop: the session's accessibility bus (AtspiElementSource), the
// focused window's process from X11, /proc for whether a process exists.
// Threads: main thread.
class AtspiToolPlatform final : public ToolPlatform
{
public:
    Target application(std::optional<int32_t> pid) override;
    void flushPresses() override;

private:
    std::shared_ptr<AtspiElementSource> m_source;
};

} // namespace tavolin::menutool
