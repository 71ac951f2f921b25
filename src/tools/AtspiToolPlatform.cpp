#include "tools/AtspiToolPlatform.h"

#include "platform/linux/AccessibilityStatus.h"
#include "platform/linux/AtspiElementSource.h"
#include "platform/linux/AtspiThread.h"
#include "platform/linux/ProcessIdentity.h"

namespace tavolin::menutool {
namespace {

ToolPlatform::Target failed(ExitCode code, const QString &message)
{
    ToolPlatform::Target target;
    target.code = code;
    target.message = message;
    return target;
}

// Why process `pid` is not on the accessibility bus, as far as we can tell.
QString notOnBus(int32_t pid)
{
    QString message = QStringLiteral("process %1 is not on the accessibility bus").arg(pid);
    if (AccessibilityStatus::isEnabled() == false)
        message += QStringLiteral(": accessibility is off (org.a11y.Status IsEnabled is false)");
    else
        message += QStringLiteral(" (Qt applications started before accessibility was turned on must be restarted)");
    return message;
}

} // namespace

ToolPlatform::Target AtspiToolPlatform::application(std::optional<int32_t> pid)
{
    if (AccessibilityStatus::busAddress().isEmpty())
        return failed(ExitCode::NoAccessibility, QStringLiteral("no accessibility bus in this session (is at-spi2-core running?)"));
    if (!m_source)
        m_source = std::make_shared<AtspiElementSource>(std::make_shared<AtspiThread>());
    if (!m_source->isReady())
        return failed(ExitCode::NoAccessibility, QStringLiteral("the accessibility bus does not answer"));

    if (!pid) {
        const int32_t focused = m_source->focusedApplicationPid();
        if (focused <= 0)
            return failed(ExitCode::NoApplication,
                          QStringLiteral("no application has the focus, or it does not tell its process (use --pid)"));
        pid = focused;
    } else if (!ProcessIdentity::isAlive(*pid)) {
        return failed(ExitCode::NoApplication, QStringLiteral("no such process: %1").arg(*pid));
    }

    Target target;
    target.source = m_source;
    target.application = m_source->applicationForPid(*pid);
    if (!target.application)
        return failed(ExitCode::NoApplication, notOnBus(*pid));
    return target;
}

void AtspiToolPlatform::flushPresses()
{
    if (m_source)
        m_source->flushPresses();
}

} // namespace tavolin::menutool
