#include "ParserTestSupport.h"

namespace penwick::test {

void PrintTo(const Span &span, std::ostream *out)
{
    *out << "{" << mdh_element_name_for_type(span.type) << ", " << span.pos << ", " << span.end << "}";
}

void PrintTo(const LinkInfo &info, std::ostream *out)
{
    *out << "{" << mdh_element_name_for_type(info.type) << ", " << info.pos << ", \"" << info.label << "\", \""
         << info.address << "\"}";
}

Parsed::Parsed(const std::string &text, int extensions, bool sort)
{
    m_completed = mdh_parse_text_to_elements_with(text.c_str(), extensions, &m_lists, mdh_parse_options{}, &m_report);
    if (sort)
        mdh_sort_element_lists(m_lists);
}

Parsed::Parsed(const std::string &text, int extensions, const mdh_parse_options &options)
{
    m_completed = mdh_parse_text_to_elements_with(text.c_str(), extensions, &m_lists, options, &m_report);
    mdh_sort_element_lists(m_lists);
}

Parsed::~Parsed()
{
    mdh_free_element_lists(m_lists);
}

std::vector<Span> Parsed::spans(int type) const
{
    std::vector<Span> out;
    for (const mdh_Element *e = m_lists[type]; e; e = e->next)
        out.push_back({type, e->pos, e->end});
    return out;
}

std::vector<Span> Parsed::spans() const
{
    std::vector<Span> out;
    for (int t = 0; t < mdh_NUM_LANG_TYPES; ++t) {
        const auto some = spans(t);
        out.insert(out.end(), some.begin(), some.end());
    }
    return out;
}

std::vector<LinkInfo> Parsed::links() const
{
    std::vector<LinkInfo> out;
    for (int t = 0; t < mdh_NUM_LANG_TYPES; ++t) {
        for (const mdh_Element *e = m_lists[t]; e; e = e->next) {
            if (e->label || e->address)
                out.push_back({t, e->pos, e->label ? e->label : "-", e->address ? e->address : "-"});
        }
    }
    return out;
}

} // namespace penwick::test
