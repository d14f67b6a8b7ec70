#include "platform/text/LineEnds.h"

#include <algorithm>
#include <array>

namespace penwick::platform {

QString LineEnds::textOf(Kind kind)
{
    switch (kind) {
    case CRLF: return QStringLiteral("\r\n");
    case CR: return QStringLiteral("\r");
    case LS: return QString(QChar(0x2028));
    case PS: return QString(QChar(0x2029));
    case LF: break;
    }
    return QStringLiteral("\n");
}

LineEnds LineEnds::ofText(const QString& fileText)
{
    LineEnds ends;
    QByteArray kinds;
    std::array<qsizetype, 5> counts {};
    bool mixed = false;
    bool any = false;
    Kind first = LF;
    const QChar* units = fileText.constData();
    const qsizetype size = fileText.size();
    for (qsizetype i = 0; i < size; ++i) {
        Kind kind;
        switch (units[i].unicode()) {
        case u'\n': kind = LF; break;
        case u'\r':
            if (i + 1 < size && units[i + 1] == u'\n') {
                kind = CRLF;
                ++i;
            } else {
                kind = CR;
            }
            break;
        case 0x2028: kind = LS; break;
        case 0x2029: kind = PS; break;
        default: continue;
        }
        if (!any) {
            first = kind;
            any = true;
        }
        mixed = mixed || kind != first;
        ++counts[size_t(kind)];
        kinds.append(char(kind));
    }
    if (!any)
        return ends;
    // A paragraph separator is kept where it was but never given to new lines.
    const qsizetype best = std::max({ counts[LF], counts[CRLF], counts[CR], counts[LS] });
    if (best == 0)
        ends.m_dominant = LF;
    else if (first != PS && counts[size_t(first)] == best)
        ends.m_dominant = first;
    else if (counts[CRLF] == best)
        ends.m_dominant = CRLF;
    else if (counts[LF] == best)
        ends.m_dominant = LF;
    else if (counts[CR] == best)
        ends.m_dominant = CR;
    else
        ends.m_dominant = LS;
    if (mixed || first != ends.m_dominant)
        ends.m_kinds = kinds;
    return ends;
}

QString LineEnds::dominant() const
{
    return textOf(m_dominant);
}

void LineEnds::replaceLines(qsizetype line, qsizetype removed, qsizetype added)
{
    if (m_kinds.isEmpty())
        return;
    const qsizetype from = std::clamp<qsizetype>(line, 0, m_kinds.size());
    m_kinds.remove(from, std::min(removed, m_kinds.size() - from));
    if (added > 0)
        m_kinds.insert(from, QByteArray(added, char(m_dominant)));
}

QString LineEnds::apply(const QString& text) const
{
    if (m_kinds.isEmpty()) {
        if (m_dominant == LF)
            return text;
        QString out = text;
        out.replace(QLatin1Char('\n'), textOf(m_dominant));
        return out;
    }
    QString out;
    out.reserve(text.size() + m_kinds.size());
    qsizetype line = 0;
    qsizetype copied = 0;
    for (qsizetype at = text.indexOf(QLatin1Char('\n')); at >= 0; at = text.indexOf(QLatin1Char('\n'), at + 1)) {
        out.append(QStringView(text).mid(copied, at - copied));
        out.append(textOf(line < m_kinds.size() ? Kind(m_kinds.at(line)) : m_dominant));
        ++line;
        copied = at + 1;
    }
    out.append(QStringView(text).mid(copied));
    return out;
}

} // namespace penwick::platform
