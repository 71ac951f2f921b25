#include "common/QtLoopWithoutGlib.h"

#include <QByteArray>
#include <QtGlobal>

namespace tavolin {
namespace {

constexpr auto kNoGlibVariable = "QT_NO_GLIB"; // read when the QCoreApplication is made

} // namespace

QtLoopWithoutGlib::QtLoopWithoutGlib() : m_set(qEnvironmentVariableIsEmpty(kNoGlibVariable))
{
    if (m_set)
        qputenv(kNoGlibVariable, QByteArrayLiteral("1"));
}

QtLoopWithoutGlib::~QtLoopWithoutGlib()
{
    if (m_set)
        qunsetenv(kNoGlibVariable);
}

} // namespace tavolin
