#include "platform/windowsystem.h"

#include <gtest/gtest.h>

// X11 first whenever an X display is named and nothing was chosen; a choice
// of the user's stands.
TEST(WindowSystem, PreferredPlatform)
{
    struct Case {
        const char* qpa;
        const char* display;
        const char* expected;
    };
    const Case cases[] = {
        {"", ":0", "xcb;wayland"},
        {"", "", ""},
        {"wayland", ":0", ""},
        {"offscreen", ":0", ""},
        {"xcb", "", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(rt::preferredQpaPlatform(c.qpa, c.display), QByteArray(c.expected)) << c.qpa << " / " << c.display;
}
