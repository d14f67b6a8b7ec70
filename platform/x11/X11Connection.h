#pragma once

// The X connection the application already has (Qt's own), with the few helpers the desktop
// layer needs. Only for sources under platform/x11: nothing outside sees xcb types.

#include "platform/Observation.h"

#include <QByteArray>
#include <QString>

#include <xcb/xcb.h>

#include <functional>
#include <optional>

namespace penwick::platform::x11 {

// Qt's connection when the application runs on X11, else null.
xcb_connection_t* connection();
xcb_window_t rootWindow();
// The atom of `name`, interned once per process (XCB_ATOM_NONE without X11).
xcb_atom_t atom(const char* name);

// The raw bytes of a window property of any type; none when absent or unreadable.
std::optional<QByteArray> property(xcb_window_t window, xcb_atom_t property, xcb_atom_t type = XCB_ATOM_ANY);
// The first 32-bit value of a CARDINAL or WINDOW property.
std::optional<quint32> cardinalProperty(xcb_window_t window, xcb_atom_t property, xcb_atom_t type);

// Adds `mask` to the events this client selects on the root window (never removes Qt's own).
void addRootEventMask(uint32_t mask);

// Every X event the application reads goes to each handler, on the main thread, before Qt
// handles it; a handler that returns true takes the event away from Qt.
using EventHandler = std::function<bool(xcb_generic_event_t* event)>;
[[nodiscard]] Observation subscribeToEvents(EventHandler handler);

} // namespace penwick::platform::x11
