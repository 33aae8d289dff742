#include "platform/windowsystem.h"

#include <QGuiApplication>

namespace rt {

QByteArray preferredQpaPlatform(const QByteArray& qpaPlatform, const QByteArray& display)
{
    if (!qpaPlatform.isEmpty() || display.isEmpty())
        return {};
    return QByteArrayLiteral("xcb;wayland");
}

bool onWayland()
{
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

} // namespace rt
