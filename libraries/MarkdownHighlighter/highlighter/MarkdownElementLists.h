#pragma once

#include <QString>
#include <QStringList>

#include <array>
#include <cstddef>
#include <vector>

namespace penwick {

// One element of a parse: [pos, end) in code points as the parser gives them, in UTF-16
// units of the editor's text once converted. A long text has hundreds of thousands of
// these, kept for as long as it is open, so an element is three numbers: its type is the
// list it is in, and the few that carry an address name it by its place in the lists'
// address table.
struct MarkdownElementSpan {
    qint32 pos = 0;
    qint32 end = 0;
    qint32 address = -1; // index into MarkdownElementLists::addresses(); -1: none

    bool operator==(const MarkdownElementSpan&) const = default;
};

// The elements of one parse by type (0 to 23), each list sorted by `pos`, with the link
// targets of the links, images and references among them.
class MarkdownElementLists {
public:
    static constexpr std::size_t kTypes = 24;
    using List = std::vector<MarkdownElementSpan>;

    List& operator[](std::size_t type) { return m_lists[type]; }
    const List& operator[](std::size_t type) const { return m_lists[type]; }
    static constexpr std::size_t size() { return kTypes; }
    auto begin() { return m_lists.begin(); }
    auto end() { return m_lists.end(); }
    auto begin() const { return m_lists.begin(); }
    auto end() const { return m_lists.end(); }

    // Appends an element to the list of `type`; an empty address is none.
    void append(int type, qint64 pos, qint64 end, const QString& address = QString());
    // The address of an element of these lists; empty when it has none.
    QString address(const MarkdownElementSpan& span) const;
    const QStringList& addresses() const { return m_addresses; }

    // Heap memory the lists hold, addresses included.
    std::size_t bytes() const;

    bool operator==(const MarkdownElementLists& other) const = default;

private:
    std::array<List, kTypes> m_lists;
    QStringList m_addresses;
};

} // namespace penwick
