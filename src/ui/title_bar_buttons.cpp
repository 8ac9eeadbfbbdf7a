#include "ui/title_bar_buttons.h"

#include <QByteArray>
#include <QGuiApplication>
#include <QWidget>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>

namespace ui {

namespace {

struct FreeReply {
    void operator()(void* reply) const { std::free(reply); }
};
template <typename Reply>
using ReplyPointer = std::unique_ptr<Reply, FreeReply>;

// Errors are taken here rather than left for Qt's event loop to report: a
// window another program names may be gone by the time it is asked about.
struct ReplyError {
    xcb_generic_error_t* error = nullptr;
    ~ReplyError() { std::free(error); }
};

xcb_atom_t internAtom(xcb_connection_t* connection, const char* name) {
    ReplyError error;
    const ReplyPointer<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        connection,
        xcb_intern_atom(connection, 1, static_cast<std::uint16_t>(std::strlen(name)), name),
        &error.error));
    return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

// Up to `maximumBytes` of a window property of the given type and format;
// empty when the window has none of that kind. The values come from another
// program, so nothing is taken on trust.
QByteArray property(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t name,
                    xcb_atom_t type, std::uint8_t format, std::uint32_t maximumBytes) {
    if (name == XCB_ATOM_NONE || type == XCB_ATOM_NONE) return {};
    ReplyError error;
    const ReplyPointer<xcb_get_property_reply_t> reply(xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, window, name, type, 0, maximumBytes / 4),
        &error.error));
    if (!reply || reply->type != type || reply->format != format) return {};
    const int length = xcb_get_property_value_length(reply.get());
    if (length <= 0 || static_cast<std::uint32_t>(length) > maximumBytes) return {};
    return QByteArray(static_cast<const char*>(xcb_get_property_value(reply.get())), length);
}

// The name the running window manager announces on the root window (as the
// window-manager hints of freedesktop.org describe), empty when none does.
QByteArray windowManagerName(xcb_connection_t* connection, xcb_window_t window) {
    ReplyError error;
    const ReplyPointer<xcb_query_tree_reply_t> tree(
        xcb_query_tree_reply(connection, xcb_query_tree(connection, window), &error.error));
    if (!tree) return {};
    const QByteArray check =
        property(connection, tree->root, internAtom(connection, "_NET_SUPPORTING_WM_CHECK"),
                 XCB_ATOM_WINDOW, 32, 4);
    if (check.size() != 4) return {};
    xcb_window_t manager = XCB_WINDOW_NONE;
    std::memcpy(&manager, check.constData(), sizeof manager);
    return property(connection, manager, internAtom(connection, "_NET_WM_NAME"),
                    internAtom(connection, "UTF8_STRING"), 8, 64);
}

}  // namespace

void keepOnlyTheCloseButton(QWidget& window) {
    const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->connection()) return;
    // Openbox leaves out the minimize and maximize buttons for toolbar and
    // menu windows only, whatever the Motif hints say; announced as a toolbar
    // there, the window keeps its title bar and its close button. Elsewhere it
    // stays a normal window, whose buttons follow its flags and which task
    // bars keep listing.
    const xcb_window_t native = static_cast<xcb_window_t>(window.winId());
    if (windowManagerName(x11->connection(), native) != "Openbox") return;
    window.setAttribute(Qt::WA_X11NetWmWindowTypeToolBar);
}

}  // namespace ui
