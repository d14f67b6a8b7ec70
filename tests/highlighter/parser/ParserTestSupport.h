#pragma once

#include "highlighter/mdh_parser.h"

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace penwick::test {

struct Span {
    int type;
    std::uint64_t pos;
    std::uint64_t end;
    bool operator==(const Span &) const = default;
};
void PrintTo(const Span &span, std::ostream *out);

struct LinkInfo {
    int type;
    std::uint64_t pos;
    std::string label;   // "-" for none
    std::string address; // "-" for none
    bool operator==(const LinkInfo &) const = default;
};
void PrintTo(const LinkInfo &info, std::ostream *out);

// Owns one parse result.
class Parsed {
public:
    explicit Parsed(const std::string &text, int extensions = EXT_NONE, bool sort = true);
    Parsed(const std::string &text, int extensions, const mdh_parse_options &options);
    ~Parsed();
    Parsed(const Parsed &) = delete;
    Parsed &operator=(const Parsed &) = delete;

    mdh_Element **lists() const { return m_lists; }
    bool completed() const { return m_completed; }
    const mdh_parse_report &report() const { return m_report; }
    // Every element of lists 0..23, list by list, each list in its order.
    std::vector<Span> spans() const;
    std::vector<Span> spans(int type) const;
    // Elements that carry a label or an address, list by list.
    std::vector<LinkInfo> links() const;

private:
    mdh_Element **m_lists = nullptr;
    bool m_completed = false;
    mdh_parse_report m_report;
};

// Ordinary and awkward Markdown plus 400 random mixes of Markdown fragments
// (the same texts on every run).
std::vector<std::string> mixedCorpus();

} // namespace penwick::test
