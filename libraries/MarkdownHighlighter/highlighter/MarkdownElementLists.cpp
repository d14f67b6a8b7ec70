#include "highlighter/MarkdownElementLists.h"

#include <algorithm>
#include <limits>

namespace penwick {

namespace {

// Editor positions are ints; the parser may end an element two past the text.
qint32 clampedPosition(qint64 p)
{
    return qint32(std::clamp<qint64>(p, std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max()));
}

} // namespace

void MarkdownElementLists::append(int type, qint64 pos, qint64 end, const QString& address)
{
    MarkdownElementSpan span { clampedPosition(pos), clampedPosition(end) };
    if (!address.isEmpty()) {
        span.address = qint32(m_addresses.size());
        m_addresses.append(address);
    }
    m_lists[std::size_t(type)].push_back(span);
}

QString MarkdownElementLists::address(const MarkdownElementSpan& span) const
{
    return span.address >= 0 && span.address < m_addresses.size() ? m_addresses.at(span.address) : QString();
}

std::size_t MarkdownElementLists::bytes() const
{
    std::size_t total = std::size_t(m_addresses.capacity()) * sizeof(QString);
    for (const List& list : m_lists)
        total += list.capacity() * sizeof(MarkdownElementSpan);
    for (const QString& address : m_addresses)
        total += std::size_t(address.capacity()) * sizeof(QChar);
    return total;
}

} // namespace penwick
