#pragma once

// Reader of editor theme style sheets: plain text in, attribute lists out.
// The interface is deliberately plain (records and linked lists) so that it
// has no dependency beyond the element type names of the parser. Problems are
// never fatal: each one is handed to the caller's callback with its line.

#include <cstdint>

namespace penwick {

// What an attribute of a rule sets.
enum mdh_attribute_kind : int {
    mdh_attr_foreground_color = 0,
    mdh_attr_background_color = 1,
    mdh_attr_caret_color = 2,
    mdh_attr_font_size = 3,
    mdh_attr_font_family = 4,
    mdh_attr_font_style = 5,
    mdh_attr_other = 6,
};

struct mdh_color_value {
    int red;   // 0 to 255
    int green; // 0 to 255
    int blue;  // 0 to 255
    int alpha; // 0 to 255
};

struct mdh_size_value {
    int32_t points;
    bool relative; // added to the base font's size by the consumer
};

struct mdh_font_flags {
    bool italic;
    bool bold;
    bool underlined;
};

// One attribute of one rule. `value` points at the record that matches `kind`.
struct mdh_style_attribute {
    int element_type;          // the rule's element type; NO_TYPE (28) for the editor rules
    mdh_attribute_kind kind;
    char* name;                // as written in the file
    union {
        mdh_color_value* color;      // kinds 0, 1, 2
        mdh_size_value* size;        // kind 3
        char* text;                  // kinds 4 and 6
        mdh_font_flags* font_styles; // kind 5
    } value;
    mdh_style_attribute* next; // the attribute written before this one in the rule
};

// Number of element-rule slots: one per language element type.
constexpr int mdh_style_sheet_element_slots = 24;

// The element type the editor rules carry.
constexpr int mdh_style_editor_rule_type = 28;

struct mdh_style_sheet {
    mdh_style_attribute* editor_styles;
    mdh_style_attribute* editor_current_line_styles;
    mdh_style_attribute* editor_selection_styles;
    // Element rules in the order in which they stand in the file (not by type);
    // a rule whose attributes were all rejected keeps its slot, empty.
    mdh_style_attribute* element_styles[mdh_style_sheet_element_slots];
};

// Called once per problem, synchronously; `message` is valid during the call only.
using mdh_style_error_callback = void (*)(const char* message, int line, void* context);

// Never returns null; a text without a valid rule gives an empty sheet.
mdh_style_sheet* mdh_read_style_sheet(const char* text, mdh_style_error_callback callback, void* context);

void mdh_release_style_sheet(mdh_style_sheet* sheet);

} // namespace penwick
