#pragma once

#include <QString>

namespace penwick::platform {

// Text for scripts that run in a web page.
class ScriptText {
public:
    // A single-quoted JavaScript string literal of `text`: backslash, quote, line breaks
    // and the two Unicode line separators escaped, everything else as it is.
    static QString literal(const QString& text);
    // A double-quoted JSON string of `text` (also a JavaScript literal).
    static QString json(const QString& text);
    // `script` guarded so that a throw ends only this script (result null); the script runs
    // in the global scope of its world, and its completion value is the result.
    static QString guarded(const QString& script);
};

} // namespace penwick::platform
