// Fuzzes the Quick Open scorer with pairs of UTF-8 texts: no sanitizer report, and
// every score, with and without fuzziness, lies in [0, 1].
#include "tools/FuzzySearch.h"

#include <QString>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

using namespace penwick;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    // The first byte splits the rest into candidate and pattern.
    const std::size_t split = 1 + (size > 1 ? data[0] % (size - 1) : 0);
    const QString candidate = QString::fromUtf8(reinterpret_cast<const char *>(data + 1), qsizetype(split - 1));
    const QString pattern = QString::fromUtf8(reinterpret_cast<const char *>(data + split), qsizetype(size - split));
    for (const auto fuzziness : {std::optional<double>(0.7), std::optional<double>()}) {
        for (const auto &[s, w] : {std::pair(candidate, pattern), std::pair(candidate.toLower(), pattern.toLower())}) {
            const double score = FuzzySearch::score(s, w, fuzziness);
            if (!(score >= 0.0 && score <= 1.0)) {
                std::fprintf(stderr, "score %f outside [0, 1]\n", score);
                std::abort();
            }
        }
    }
    FuzzySearch::matchCount(candidate, pattern, true);
    FuzzySearch::filterWords(candidate, pattern);
    return 0;
}
