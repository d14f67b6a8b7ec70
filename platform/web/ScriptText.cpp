#include "platform/web/ScriptText.h"

namespace penwick::platform {

QString ScriptText::literal(const QString& text)
{
    QString out;
    out.reserve(text.size() + 8);
    out += QLatin1Char('\'');
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '\\': out += QLatin1String("\\\\"); break;
        case '\'': out += QLatin1String("\\'"); break;
        case '\n': out += QLatin1String("\\n"); break;
        case '\r': out += QLatin1String("\\r"); break;
        case 0x2028: out += QLatin1String("\\u2028"); break;
        case 0x2029: out += QLatin1String("\\u2029"); break;
        default: out += c;
        }
    }
    out += QLatin1Char('\'');
    return out;
}

QString ScriptText::json(const QString& text)
{
    static const char hex[] = "0123456789abcdef";
    QString out;
    out.reserve(text.size() + text.size() / 16 + 8);
    out += QLatin1Char('"');
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == '"')
            out += QLatin1String("\\\"");
        else if (u == '\\')
            out += QLatin1String("\\\\");
        else if (u == '\n')
            out += QLatin1String("\\n");
        else if (u < 0x20 || u == 0x2028 || u == 0x2029) {
            out += QLatin1String("\\u");
            out += QLatin1Char(hex[(u >> 12) & 0xf]);
            out += QLatin1Char(hex[(u >> 8) & 0xf]);
            out += QLatin1Char(hex[(u >> 4) & 0xf]);
            out += QLatin1Char(hex[u & 0xf]);
        } else
            out += c;
    }
    out += QLatin1Char('"');
    return out;
}

QString ScriptText::guarded(const QString& script)
{
    // Indirect eval runs in the global scope, so declarations stay globals as when run bare.
    return QLatin1String("(function(){try{return (0,eval)(") + literal(script)
        + QLatin1String(");}catch(e){return null;}})()");
}

} // namespace penwick::platform
