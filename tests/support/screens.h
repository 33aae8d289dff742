#pragma once
// The test screens by name (screens.json for the offscreen platform, the
// RandR monitors on the test display).
#include <QGuiApplication>
#include <QLatin1String>
#include <QScreen>

namespace testsupport {

inline QScreen* screenNamed(const char* name)
{
    for (QScreen* s : QGuiApplication::screens())
        if (s->name() == QLatin1String(name))
            return s;
    return nullptr;
}

} // namespace testsupport
