#pragma once

// Drives a text view the way a user does: key events through the widget's event handling.

#include "platform/text/TextRange.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QWidget>

#include <ostream>

namespace penwick::platform {
inline void PrintTo(const TextRange& r, std::ostream* os)
{
    *os << "(" << r.location << ", " << r.length << ")";
}
} // namespace penwick::platform

namespace penwick::test {

inline void pressKey(QWidget* widget, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
    const QString& text = QString())
{
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QCoreApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
    QCoreApplication::sendEvent(widget, &release);
}

// Types each character as its own key press; "\n" is Return, "\t" is Tab, "\x1b" is Escape,
// "\x1a" is Ctrl+Z, "\x02" the left arrow, "\x0e" the down arrow and "\x05" End.
inline void typeKeys(QWidget* widget, const QString& keys)
{
    for (const QChar c : keys) {
        if (c == u'\n')
            pressKey(widget, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
        else if (c == u'\t')
            pressKey(widget, Qt::Key_Tab, Qt::NoModifier, QStringLiteral("\t"));
        else if (c == u'\x1a')
            pressKey(widget, Qt::Key_Z, Qt::ControlModifier);
        else if (c == u'\x02')
            pressKey(widget, Qt::Key_Left);
        else if (c == u'\x0e')
            pressKey(widget, Qt::Key_Down);
        else if (c == u'\x05')
            pressKey(widget, Qt::Key_End);
        else if (c == u'\x1b')
            pressKey(widget, Qt::Key_Escape, Qt::NoModifier, QStringLiteral("\x1b"));
        else {
            const int key = (c.unicode() < 128) ? int(QChar(c).toUpper().unicode()) : int(Qt::Key_unknown);
            pressKey(widget, key, Qt::NoModifier, QString(c));
        }
    }
}

inline void undoKey(QWidget* widget)
{
    pressKey(widget, Qt::Key_Z, Qt::ControlModifier);
}

inline void redoKey(QWidget* widget)
{
    pressKey(widget, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
}

} // namespace penwick::test
