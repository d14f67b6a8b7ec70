#include "Extensions/LinkDefinitions.h"

#include <QRegularExpression>
#include <QString>

#include <cstring>
#include <optional>

namespace penwick::gfmblocks {

namespace {

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

bool isAscii(const QByteArray& text)
{
    for (const char c : text)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

QList<QByteArray> lines(const QByteArray& text)
{
    QList<QByteArray> out = text.split('\n');
    if (!out.isEmpty() && out.constLast().isEmpty())
        out.removeLast();
    return out;
}

// A line that is one whole definition: label, destination and an optional title closed on
// the same line. The label is captured.
const QRegularExpression& wholeDefinitionLine()
{
    static const QRegularExpression pattern(QStringLiteral(
        "^ {0,3}\\[((?:[^\\[\\]\\\\]|\\\\.)+)\\]:[ \\t]*(?:<(?:[^<>\\\\]|\\\\.)*>|[^ \\t<][^ \\t]*)"
        "(?:[ \\t]+(?:\"(?:[^\"\\\\]|\\\\.)*\"|'(?:[^'\\\\]|\\\\.)*'|\\((?:[^()\\\\]|\\\\.)*\\)))?[ \\t]*$"));
    return pattern;
}

// The folded label of a line holding one whole definition, or nothing.
std::optional<QByteArray> labelOfLine(const QByteArray& line)
{
    const QRegularExpressionMatch match = wholeDefinitionLine().match(QString::fromUtf8(line));
    if (!match.hasMatch())
        return std::nullopt;
    const QByteArray label = match.captured(1).toUtf8();
    const QByteArray folded = foldedForLabels(label.constData(), label.constData() + label.size());
    if (folded.isEmpty())
        return std::nullopt;
    return folded;
}

void add(LabelSet& set, const QByteArray& label)
{
    if (label.isEmpty() || !isAscii(label))
        set.all = true; // compared loosely only in ASCII
    else if (!set.labels.contains(label))
        set.labels.append(label);
}

// Every bracketed run of `text`, folded: each label is such a run, or holds one at its start
// when it has an escaped "]".
void addBracketedRuns(LabelSet& set, const QByteArray& text)
{
    for (qsizetype open = text.indexOf('['); open >= 0; open = text.indexOf('[', open + 1)) {
        const qsizetype close = text.indexOf(']', open + 1);
        if (close < 0)
            break;
        bool blank = true;
        for (qsizetype i = open + 1; i < close; ++i)
            blank = blank && isSpace(text.at(i));
        if (!blank)
            add(set, foldedForLabels(text.constData() + open + 1, text.constData() + close));
    }
}

} // namespace

QByteArray foldedForLabels(const char* from, const char* to)
{
    QByteArray out;
    out.reserve(to - from);
    for (const char* p = from; p < to;) {
        const auto c = static_cast<unsigned char>(*p);
        if (c < 0x80) {
            ++p;
            if (isSpace(char(c)) || c == '>')
                continue;
            out += (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : char(c);
            continue;
        }
        const auto at = [&](qsizetype i) { return p + i < to ? static_cast<unsigned char>(p[i]) : 0u; };
        if (c == 0xC3 && at(1) == 0x9F) { // ß
            out += "ss";
            p += 2;
        } else if (c == 0xC5 && at(1) == 0xBF) { // ſ
            out += 's';
            p += 2;
        } else if (c == 0xE1 && at(1) == 0xBA && at(2) == 0x9E) { // ẞ
            out += "ss";
            p += 3;
        } else if (c == 0xE2 && at(1) == 0x84 && at(2) == 0xAA) { // Kelvin sign
            out += 'k';
            p += 3;
        } else if (c == 0xEF && at(1) == 0xAC && at(2) >= 0x80 && at(2) <= 0x86) { // ﬀ ﬁ ﬂ ﬃ ﬄ ﬅ ﬆ
            static const char* const ligatures[] = { "ff", "fi", "fl", "ffi", "ffl", "st", "st" };
            out += ligatures[at(2) - 0x80];
            p += 3;
        } else {
            out += char(c);
            ++p;
        }
    }
    return out;
}

bool LabelSet::mayBeNamedIn(const char* from, const char* to) const
{
    if (isEmpty() || !memchr(from, '[', size_t(to - from)))
        return false;
    if (all)
        return true;
    const QByteArray folded = foldedForLabels(from, to);
    for (const QByteArray& label : labels)
        if (folded.contains(label))
            return true;
    return false;
}

bool LabelSet::overlaps(const LabelSet& other) const
{
    if (isEmpty() || other.isEmpty())
        return false;
    if (all || other.all)
        return true;
    for (const QByteArray& a : labels)
        for (const QByteArray& b : other.labels)
            if (a.contains(b) || b.contains(a))
                return true;
    return false;
}

LabelSet definedLabels(const QByteArray& definitions)
{
    LabelSet set;
    const QList<QByteArray> all = lines(definitions);
    QList<QByteArray> labels;
    for (const QByteArray& line : all) {
        const std::optional<QByteArray> label = labelOfLine(line);
        if (!label) {
            // A definition over several lines: the label is some bracketed run.
            addBracketedRuns(set, definitions);
            return set;
        }
        labels.append(*label);
    }
    for (const QByteArray& label : labels)
        add(set, label);
    return set;
}

LabelSet changedLabels(const QByteArray& before, const QByteArray& after)
{
    if (before == after)
        return {};
    const QList<QByteArray> a = lines(before);
    const QList<QByteArray> b = lines(after);
    qsizetype head = 0;
    while (head < a.size() && head < b.size() && a.at(head) == b.at(head))
        ++head;
    qsizetype tail = 0;
    while (tail < a.size() - head && tail < b.size() - head && a.at(a.size() - 1 - tail) == b.at(b.size() - 1 - tail))
        ++tail;
    // When every line is a definition of its own, the lines that differ name what changed;
    // otherwise a changed line may belong to a definition that starts on a line left alone.
    LabelSet set;
    QList<QByteArray> changed;
    for (const QList<QByteArray>* side : { &a, &b }) {
        for (qsizetype i = 0; i < side->size(); ++i) {
            const std::optional<QByteArray> label = labelOfLine(side->at(i));
            if (!label) {
                LabelSet whole = definedLabels(before);
                const LabelSet more = definedLabels(after);
                whole.all = whole.all || more.all;
                for (const QByteArray& l : more.labels)
                    add(whole, l);
                return whole;
            }
            if (i >= head && i < side->size() - tail)
                changed.append(*label);
        }
    }
    for (const QByteArray& label : changed)
        add(set, label);
    return set;
}

bool mayHoldDefinition(const char* from, const char* to)
{
    if (!memmem(from, size_t(to - from), "]:", 2))
        return false;
    for (const char* line = from; line < to;) {
        const char* p = line;
        // Past indentation, quote marks and list markers.
        for (;;) {
            while (p < to && (*p == ' ' || *p == '\t' || *p == '>' || *p == '-' || *p == '*' || *p == '+'))
                ++p;
            const char* digits = p;
            while (p < to && *p >= '0' && *p <= '9')
                ++p;
            if (p == digits || p >= to || (*p != '.' && *p != ')'))
                break;
            ++p;
        }
        if (p < to && *p == '[')
            return true;
        // The next line: after LF, CR LF or a lone CR.
        while (p < to && *p != '\n' && *p != '\r')
            ++p;
        if (p < to && *p == '\r' && p + 1 < to && p[1] == '\n')
            ++p;
        line = p + 1;
    }
    return false;
}

} // namespace penwick::gfmblocks
