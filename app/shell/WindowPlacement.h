#pragma once

#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QSize>

class QWidget;

namespace penwick {

// The frame the window manager put around a shown window (none before it is framed).
QMargins frameMargins(const QWidget* window);

// Where the window of a torn-off tab goes: its tab bar starts under the drop point, and the
// whole window, with its frame, stays on the screen of the drop (smaller when the screen is).
// `frame` is the frame the window manager puts around windows (that of the source window: the
// new window has none yet); `tabOffset` is where the first tab starts in the window's content
// (past the sidebar, below the menu bar). The result is the content's geometry.
QRect tornOffWindowGeometry(QPoint drop, QSize size, QPoint tabOffset, QMargins frame, QRect screenArea);

// A window of its own (credits, help) opened for the first time: centred on the screen area,
// and, with its frame, whole on it (smaller when the screen is). The result is the content's
// geometry.
QRect centredWindowGeometry(QSize size, QMargins frame, QRect screenArea);

} // namespace penwick
