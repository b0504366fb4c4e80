#include "platform/DisplayCheck.h"

#include "core/OneLineText.h"

#include <cstring>

#ifdef KESTROVA_HAVE_XCB
#include <xcb/xcb.h>
#endif

namespace {

// Qt takes this start to X11: no other platform was chosen and no Wayland
// display is there to try first.
bool goesToX11(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0)
            return false;
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    return (platform.isEmpty() || platform.startsWith("xcb")) && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

} // namespace

QString DisplayCheck::whyNoDisplay(int argc, char** argv)
{
    if (!goesToX11(argc, argv))
        return {};
    const QByteArray display = qgetenv("DISPLAY");
    if (display.isEmpty())
        return QStringLiteral("Kestrova cannot start: no display could be opened, DISPLAY is not set.");
#ifdef KESTROVA_HAVE_XCB
    // The same connection Qt would make, closed again at once.
    xcb_connection_t* connection = xcb_connect(display.constData(), nullptr);
    const bool opened = xcb_connection_has_error(connection) == 0;
    xcb_disconnect(connection);
    if (!opened)
        return QStringLiteral("Kestrova cannot start: no display could be opened at DISPLAY=%1.")
            .arg(oneLineText(QString::fromLocal8Bit(display)));
#endif
    return {};
}
