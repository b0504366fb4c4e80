#include "platform/CompositingManager.h"

#include <QByteArray>
#include <QGuiApplication>

#ifdef KESTROVA_HAVE_XCB
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

namespace {

// The screen part of DISPLAY (":0.1" is screen 1), 0 when it has none.
int displayScreen()
{
    const char* display = std::getenv("DISPLAY");
    if (!display)
        return 0;
    const char* colon = std::strrchr(display, ':');
    const char* dot = std::strrchr(display, '.');
    return colon && dot && dot > colon ? std::atoi(dot + 1) : 0;
}

xcb_atom_t selectionAtom(xcb_connection_t* connection)
{
    // Interned once: the name never changes while the application runs.
    static const xcb_atom_t atom = [connection] {
        const QByteArray name = "_NET_WM_CM_S" + QByteArray::number(displayScreen());
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
            connection, xcb_intern_atom(connection, 0, uint16_t(name.size()), name.constData()), nullptr);
        const xcb_atom_t interned = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        std::free(reply);
        return interned;
    }();
    return atom;
}

} // namespace
#endif

bool compositingManagerRunning()
{
#ifdef KESTROVA_HAVE_XCB
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    if (!connection)
        return true;
    const xcb_atom_t atom = selectionAtom(connection);
    if (atom == XCB_ATOM_NONE)
        return false;
    xcb_get_selection_owner_reply_t* owner =
        xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, atom), nullptr);
    const bool owned = owner && owner->owner != XCB_WINDOW_NONE;
    std::free(owner);
    return owned;
#else
    // Without xcb we cannot tell; X11 without a compositor is the rarer case.
    return true;
#endif
}
