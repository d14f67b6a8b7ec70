// Markdown element parser: turns the UTF-8 text of an editor into typed spans
// ("elements"), one singly linked list per element type.
//
// Positions (`pos`, `end`) count the code points of the caller's text: every
// byte that is not a UTF-8 continuation byte is one position. A leading
// byte-order mark counts as one position like any other character, so that
// positions line up with an editor text that still holds it.
#pragma once

#include <cstdint>

namespace penwick {

enum mdh_element_type : std::int32_t {
    LINK = 0,
    AUTO_LINK_URL,
    AUTO_LINK_EMAIL,
    IMAGE,
    CODE,
    HTML,
    HTML_ENTITY,
    EMPH,
    STRONG,
    LIST_BULLET,
    LIST_ENUMERATOR,
    COMMENT,
    H1,
    H2,
    H3,
    H4,
    H5,
    H6,
    BLOCKQUOTE,
    VERBATIM,
    HTMLBLOCK,
    HRULE,
    REFERENCE,
    NOTE,
    // Used inside the parser only; never in a returned list 0..23.
    RAW_SPAN_LIST,
    RAW_SPAN,
    EXTRA_TEXT,
    SPAN_SEPARATOR,
    NO_TYPE,
    ALL_ELEMENTS,
};

// Number of element types that reach callers and style sheets (0..23).
inline constexpr int mdh_NUM_LANG_TYPES = 24;
// Number of list heads in a parse result (types 0..29).
inline constexpr int mdh_NUM_TYPES = 30;

enum mdh_extensions : int {
    EXT_NONE = 0,
    EXT_NOTES = 1,
};

struct mdh_Element {
    mdh_element_type type;        // 32-bit signed
    std::uint64_t pos;            // start, inclusive
    std::uint64_t end;            // end, exclusive
    mdh_Element *next;            // next element of the same list
    char *label;                  // reference label (LINK/IMAGE from a reference, REFERENCE) or null
    char *address;                // link target or null
    mdh_Element *allNext;         // chain of every element of one parse (list 29)
    std::int32_t textOffset;      // internal
    char *text;                   // internal: text of an EXTRA_TEXT
    mdh_Element *children;        // internal: span list of a RAW_SPAN_LIST
};

// Parses `text` (NUL-terminated UTF-8) and stores a new array of
// mdh_NUM_TYPES list heads in *result. Lists are not sorted.
//
// Returns true when the parse completed. Returns false when the parse was cut
// short by its work budget (input whose parse would take far longer than its
// size warrants); *result then holds an array of empty lists, and the caller
// should keep whatever highlighting it had. In both cases *result must be
// given back with mdh_free_element_lists.
bool mdh_parse_text_to_elements(const char *text, int extensions, mdh_Element ***result);

// Tuning of one parse, for tests, benchmarks and fuzzing.
struct mdh_parse_options {
    // Remember failed (rule, position) attempts and reuse results of repeated
    // attempts. Results are the same either way whenever the parse completes
    // without reaching a nesting bound; without it, some inputs take
    // exponential time.
    bool memoize = true;
    // Upper bound of rule steps for the whole parse; 0 chooses a bound from
    // the length of the text.
    std::uint64_t stepBudget = 0;
};

// What one parse did, for tests, benchmarks and fuzzing.
struct mdh_parse_report {
    bool completed = false;           // false: cut short by the step budget
    bool nestingBoundReached = false; // some construct nested too deeply was read as text
    std::uint64_t steps = 0;          // rule steps taken
};

bool mdh_parse_text_to_elements_with(const char *text, int extensions, mdh_Element ***result,
                                     const mdh_parse_options &options, mdh_parse_report *report = nullptr);

// Sorts each list 0..23 by `pos` (stable: equal positions keep their order).
void mdh_sort_element_lists(mdh_Element **elements);

// Frees every element of the parse, its strings, and the array itself (the
// array must be one that a parse returned).
void mdh_free_element_lists(mdh_Element **elements);

// Gives back the working memory that parses keep on the calling thread for the
// next parse there (it is kept up to a bound). Results are not affected.
void mdh_release_parse_memory();

// The type 0..23 whose name equals `name` exactly; NO_TYPE for any other.
mdh_element_type mdh_element_type_for_name(const char *name);

// The name of a type 0..23; "unknown type" for any other value.
const char *mdh_element_name_for_type(int type);

} // namespace penwick
