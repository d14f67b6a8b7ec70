#include "highlighter/mdh_styleparser.h"

#include "highlighter/mdh_parser.h"

#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace penwick {

namespace {

struct Reporter {
    mdh_style_error_callback callback;
    void* context;

    void operator()(int line, const char* format, ...) const
#if defined(__GNUC__)
        __attribute__((format(printf, 3, 4)))
#endif
    {
        if (!callback)
            return;
        va_list args;
        va_start(args, format);
        va_list copy;
        va_copy(copy, args);
        const int length = std::vsnprintf(nullptr, 0, format, copy);
        va_end(copy);
        if (length < 0) {
            va_end(args);
            return;
        }
        std::vector<char> buffer(static_cast<size_t>(length) + 1);
        std::vsnprintf(buffer.data(), buffer.size(), format, args);
        va_end(args);
        callback(buffer.data(), line, context);
    }
};

bool isSpaceOrTab(char c) { return c == ' ' || c == '\t'; }

bool isWhitespace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

std::string_view trim(std::string_view s)
{
    while (!s.empty() && isWhitespace(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isWhitespace(s.back()))
        s.remove_suffix(1);
    return s;
}

bool isBlank(std::string_view line)
{
    for (char c : line)
        if (!isSpaceOrTab(c))
            return false;
    return true;
}

bool isComment(std::string_view line)
{
    for (char c : line) {
        if (isSpaceOrTab(c))
            continue;
        return c == '#';
    }
    return false;
}

char* duplicate(std::string_view s)
{
    char* copy = new char[s.size() + 1];
    std::memcpy(copy, s.data(), s.size());
    copy[s.size()] = '\0';
    return copy;
}

struct Line {
    std::string_view text;
    int number; // 1-based
};

struct RawAttribute {
    std::string_view name;
    std::string_view value; // as written: from after the operator to '#' or the end
    int line;
};

std::string_view ruleNameOf(std::string_view line)
{
    size_t start = 0;
    while (start < line.size() && isWhitespace(line[start]))
        ++start;
    size_t end = start;
    while (end < line.size() && !isWhitespace(line[end]) && line[end] != '#' && line[end] != ':' && line[end] != '=')
        ++end;
    return line.substr(start, end - start);
}

// Splits "name : value # comment"; false when the line has no ':' or '='.
bool splitAttributeLine(std::string_view line, RawAttribute& out)
{
    size_t start = 0;
    while (start < line.size() && isWhitespace(line[start]))
        ++start;
    size_t nameEnd = start;
    while (nameEnd < line.size() && line[nameEnd] != '#' && line[nameEnd] != ':' && line[nameEnd] != '=')
        ++nameEnd;
    size_t op = nameEnd;
    while (op < line.size() && line[op] != ':' && line[op] != '=')
        ++op;
    if (op >= line.size())
        return false;
    std::string_view name = line.substr(start, nameEnd - start);
    while (!name.empty() && isWhitespace(name.back()))
        name.remove_suffix(1);
    size_t valueEnd = op + 1;
    while (valueEnd < line.size() && line[valueEnd] != '#')
        ++valueEnd;
    out.name = name;
    out.value = line.substr(op + 1, valueEnd - op - 1);
    return true;
}

mdh_attribute_kind kindForName(std::string_view name)
{
    if (name == "color" || name == "foreground" || name == "foreground-color")
        return mdh_attr_foreground_color;
    if (name == "background" || name == "background-color")
        return mdh_attr_background_color;
    if (name == "caret" || name == "caret-color")
        return mdh_attr_caret_color;
    if (name == "font-size")
        return mdh_attr_font_size;
    if (name == "font-family")
        return mdh_attr_font_family;
    if (name == "font-style")
        return mdh_attr_font_style;
    return mdh_attr_other;
}

// The bytes of the UTF-8 character that starts at `s` (one byte when it is not a lead byte).
std::string characterAt(const char* s)
{
    const auto lead = static_cast<unsigned char>(*s);
    size_t length = 1;
    if (lead >= 0xC0 && lead < 0xE0)
        length = 2;
    else if (lead >= 0xE0 && lead < 0xF0)
        length = 3;
    else if (lead >= 0xF0 && lead < 0xF8)
        length = 4;
    size_t n = 1;
    while (n < length && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80)
        ++n;
    return std::string(s, n);
}

mdh_color_value* readColor(const RawAttribute& raw, const Reporter& report)
{
    const std::string value(trim(raw.value));
    if (value.size() != 6 && value.size() != 8) {
        report(raw.line, "Value '%s' is not a valid color value: it should be a hexadecimal number, 6 or 8 characters long.",
            value.c_str());
        return nullptr;
    }
    char* stop = nullptr;
    const long long number = std::strtoll(value.c_str(), &stop, 16);
    if (*stop != '\0') {
        // The whole character, so that the message stays valid UTF-8.
        report(raw.line,
            "Value '%s' is not a valid color value: the character '%s' is invalid. The color value should be a "
            "hexadecimal number, 6 or 8 characters long.",
            value.c_str(), characterAt(stop).c_str());
        return nullptr;
    }
    const auto bits = static_cast<unsigned long long>(number);
    auto* color = new mdh_color_value;
    color->red = static_cast<int>((bits >> 16) & 0xFF);
    color->green = static_cast<int>((bits >> 8) & 0xFF);
    color->blue = static_cast<int>(bits & 0xFF);
    color->alpha = value.size() == 8 ? static_cast<int>((bits >> 24) & 0xFF) : 255;
    return color;
}

mdh_size_value* readSize(const RawAttribute& raw, const Reporter& report)
{
    const std::string written(raw.value);
    char* stop = nullptr;
    errno = 0;
    long number = std::strtol(written.c_str(), &stop, 10);
    if (stop == written.c_str()) {
        const std::string name(raw.name);
        report(raw.line, "Value '%s' is invalid for attribute '%s'", written.c_str(), name.c_str());
        return nullptr;
    }
    if (number > INT32_MAX)
        number = INT32_MAX;
    if (number < INT32_MIN)
        number = INT32_MIN;
    const std::string_view trimmed = trim(raw.value);
    auto* size = new mdh_size_value;
    size->points = static_cast<int32_t>(number);
    size->relative = !trimmed.empty() && (trimmed.front() == '+' || trimmed.front() == '-');
    return size;
}

mdh_font_flags* readFontStyles(const RawAttribute& raw, const Reporter& report)
{
    auto* flags = new mdh_font_flags { false, false, false };
    std::string_view rest = raw.value;
    while (true) {
        const size_t comma = rest.find(',');
        std::string part(trim(rest.substr(0, comma)));
        for (char& c : part)
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
        if (part == "italic") {
            flags->italic = true;
        } else if (part == "bold") {
            flags->bold = true;
        } else if (part == "underlined") {
            flags->underlined = true;
        } else {
            const std::string name(raw.name);
            report(raw.line, "Value '%s' is invalid for attribute '%s'", part.c_str(), name.c_str());
        }
        if (comma == std::string_view::npos)
            break;
        rest.remove_prefix(comma + 1);
    }
    return flags;
}

void releaseAttributes(mdh_style_attribute* attribute)
{
    while (attribute) {
        mdh_style_attribute* next = attribute->next;
        switch (attribute->kind) {
        case mdh_attr_foreground_color:
        case mdh_attr_background_color:
        case mdh_attr_caret_color:
            delete attribute->value.color;
            break;
        case mdh_attr_font_size:
            delete attribute->value.size;
            break;
        case mdh_attr_font_style:
            delete attribute->value.font_styles;
            break;
        case mdh_attr_font_family:
        case mdh_attr_other:
            delete[] attribute->value.text;
            break;
        }
        delete[] attribute->name;
        delete attribute;
        attribute = next;
    }
}

// Interprets the raw attributes of one rule; accepted ones are put at the front.
mdh_style_attribute* interpretAttributes(const std::vector<RawAttribute>& raws, int elementType, const Reporter& report)
{
    mdh_style_attribute* head = nullptr;
    for (const RawAttribute& raw : raws) {
        const mdh_attribute_kind kind = kindForName(raw.name);
        auto* attribute = new mdh_style_attribute {};
        attribute->element_type = elementType;
        attribute->kind = kind;
        bool accepted = true;
        switch (kind) {
        case mdh_attr_foreground_color:
        case mdh_attr_background_color:
        case mdh_attr_caret_color:
            attribute->value.color = readColor(raw, report);
            accepted = attribute->value.color != nullptr;
            break;
        case mdh_attr_font_size:
            attribute->value.size = readSize(raw, report);
            accepted = attribute->value.size != nullptr;
            break;
        case mdh_attr_font_style:
            attribute->value.font_styles = readFontStyles(raw, report);
            break;
        case mdh_attr_font_family:
        case mdh_attr_other:
            attribute->value.text = duplicate(trim(raw.value));
            break;
        }
        if (!accepted) {
            delete attribute;
            continue;
        }
        attribute->name = duplicate(raw.name);
        attribute->next = head;
        head = attribute;
    }
    return head;
}

} // namespace

mdh_style_sheet* mdh_read_style_sheet(const char* text, mdh_style_error_callback callback, void* context)
{
    auto* sheet = new mdh_style_sheet {};
    const Reporter report { callback, context };
    if (!text)
        return sheet;

    // Private copy with a leading byte-order mark dropped and every line end made LF.
    std::string_view source(text);
    if (source.size() >= 3 && static_cast<unsigned char>(source[0]) == 0xEF
        && static_cast<unsigned char>(source[1]) == 0xBB && static_cast<unsigned char>(source[2]) == 0xBF)
        source.remove_prefix(3);
    std::string normalised;
    normalised.reserve(source.size());
    for (size_t i = 0; i < source.size(); ++i) {
        if (source[i] == '\r') {
            normalised.push_back('\n');
            if (i + 1 < source.size() && source[i + 1] == '\n')
                ++i;
        } else {
            normalised.push_back(source[i]);
        }
    }

    std::vector<Line> lines;
    {
        std::string_view rest(normalised);
        int number = 1;
        while (!rest.empty()) {
            const size_t lf = rest.find('\n');
            lines.push_back({ rest.substr(0, lf), number++ });
            if (lf == std::string_view::npos)
                break;
            rest.remove_prefix(lf + 1);
        }
    }

    std::vector<std::vector<Line>> blocks;
    bool open = false;
    for (const Line& line : lines) {
        if (isBlank(line.text)) {
            open = false;
        } else if (open) {
            blocks.back().push_back(line);
        } else if (!isComment(line.text)) {
            blocks.push_back({ line });
            open = true;
        }
    }

    int usedSlots = 0;
    for (const std::vector<Line>& block : blocks) {
        const std::string ruleName(ruleNameOf(block.front().text));
        const int ruleLine = block.front().number;
        if (block.size() == 1) {
            report(ruleLine, "No style attributes defined for style rule '%s'", ruleName.c_str());
            continue;
        }

        std::vector<RawAttribute> raws;
        for (size_t i = 1; i < block.size(); ++i) {
            const Line& line = block[i];
            if (isComment(line.text))
                continue;
            RawAttribute raw;
            if (!splitAttributeLine(line.text, raw)) {
                const std::string whole(line.text);
                report(line.number,
                    "Invalid attribute definition: str does not contain an assignment operator (%s): '%s'",
                    "':' or '='", whole.c_str());
                continue;
            }
            raw.line = line.number;
            raws.push_back(raw);
        }
        if (raws.empty())
            continue;

        const int type = mdh_element_type_for_name(ruleName.c_str());
        mdh_style_attribute** editorTarget = nullptr;
        int elementType = type;
        if (type < 0 || type >= mdh_style_sheet_element_slots) {
            if (ruleName == "editor")
                editorTarget = &sheet->editor_styles;
            else if (ruleName == "editor-current-line")
                editorTarget = &sheet->editor_current_line_styles;
            else if (ruleName == "editor-selection")
                editorTarget = &sheet->editor_selection_styles;
            if (!editorTarget) {
                report(ruleLine,
                    "Style rule '%s' is not a language element type name or one of the following: 'editor', "
                    "'editor-current-line', 'editor-selection'",
                    ruleName.c_str());
                continue;
            }
            elementType = mdh_style_editor_rule_type;
        } else if (usedSlots >= mdh_style_sheet_element_slots) {
            // Only repeated element rules can get here: the sheet has one slot per type.
            report(ruleLine, "Style rule '%s' is ignored: a style sheet holds at most %d element rules",
                ruleName.c_str(), mdh_style_sheet_element_slots);
            continue;
        }

        mdh_style_attribute* attributes = interpretAttributes(raws, elementType, report);
        if (editorTarget) {
            releaseAttributes(*editorTarget);
            *editorTarget = attributes;
        } else {
            sheet->element_styles[usedSlots++] = attributes;
        }
    }
    return sheet;
}

void mdh_release_style_sheet(mdh_style_sheet* sheet)
{
    if (!sheet)
        return;
    releaseAttributes(sheet->editor_styles);
    releaseAttributes(sheet->editor_current_line_styles);
    releaseAttributes(sheet->editor_selection_styles);
    for (mdh_style_attribute* rule : sheet->element_styles)
        releaseAttributes(rule);
    delete sheet;
}

} // namespace penwick
