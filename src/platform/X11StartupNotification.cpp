#include "platform/X11StartupNotification.h"

#include <QGuiApplication>
#include <QRegularExpression>
#include <QWindow>

#include <xcb/xcb.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>

namespace corvane::X11StartupNotification {
namespace {

// Bytes of message text one ClientMessage of format 8 carries.
constexpr std::size_t messageChunk = 20;
// EWMH _NET_ACTIVE_WINDOW source indication: a request from an application.
constexpr std::uint32_t fromApplication = 1;

xcb_atom_t atom(xcb_connection_t* connection, const char* name)
{
    const auto cookie = xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name);
    const std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
        xcb_intern_atom_reply(connection, cookie, nullptr), &std::free);
    return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

xcb_client_message_event_t clientMessage(xcb_window_t window, xcb_atom_t type, std::uint8_t format)
{
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = format;
    event.window = window;
    event.type = type;
    return event;
}

void sendToRoot(xcb_connection_t* connection, xcb_window_t root, const xcb_client_message_event_t& event, uint32_t mask)
{
    xcb_send_event(connection, 0, root, mask, reinterpret_cast<const char*>(&event));
}

// The user-action time a launcher writes into the id ("…_TIME<timestamp>"); 0 when it gives none.
std::uint32_t timestampOf(const QString& startupId)
{
    static const QRegularExpression time(QStringLiteral("_TIME(\\d+)$"));
    return time.match(startupId).captured(1).toUInt();
}

} // namespace

void complete(QWindow& window, const QString& startupId)
{
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 == nullptr || startupId.isEmpty()) {
        return;
    }
    xcb_connection_t* connection = x11->connection();
    const auto id = static_cast<xcb_window_t>(window.winId());
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    const QByteArray value = startupId.toUtf8();
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, atom(connection, "_NET_STARTUP_ID"),
        atom(connection, "UTF8_STRING"), 8, static_cast<std::uint32_t>(value.size()), value.constData());

    auto activate = clientMessage(id, atom(connection, "_NET_ACTIVE_WINDOW"), 32);
    activate.data.data32[0] = fromApplication;
    activate.data.data32[1] = timestampOf(startupId);
    sendToRoot(connection, root, activate, XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT);

    // The message, NUL-terminated, in pieces: the first of type _NET_STARTUP_INFO_BEGIN.
    QByteArray message = "remove: ID=\"" + QByteArray(value).replace('\\', "\\\\").replace('"', "\\\"") + '"';
    message.append('\0');
    xcb_atom_t type = atom(connection, "_NET_STARTUP_INFO_BEGIN");
    const xcb_atom_t following = atom(connection, "_NET_STARTUP_INFO");
    for (qsizetype start = 0; start < message.size(); start += messageChunk) {
        auto piece = clientMessage(id, type, 8);
        const auto length = std::min<qsizetype>(messageChunk, message.size() - start);
        std::copy_n(message.constData() + start, length, piece.data.data8);
        sendToRoot(connection, root, piece, XCB_EVENT_MASK_PROPERTY_CHANGE);
        type = following;
    }
    xcb_flush(connection);
}

} // namespace corvane::X11StartupNotification
