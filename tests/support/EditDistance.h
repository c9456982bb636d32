// The optimal string alignment distance (insertions, deletions,
// substitutions and transpositions of neighbours, each counted once), the
// plain table way: what the completion layer's typo fallback is checked
// against, by the tests and by the benchmark's naive peer.
#ifndef RORIRER_TESTS_SUPPORT_EDITDISTANCE_H
#define RORIRER_TESTS_SUPPORT_EDITDISTANCE_H

#include <algorithm>
#include <cstddef>
#include <vector>

namespace rorirer::testsupport {

template <typename Char>
int editDistance(const std::vector<Char>& a, const std::vector<Char>& b) {
    std::vector<std::vector<int>> d(a.size() + 1, std::vector<int>(b.size() + 1));
    for (std::size_t i = 0; i <= a.size(); ++i) d[i][0] = static_cast<int>(i);
    for (std::size_t j = 0; j <= b.size(); ++j) d[0][j] = static_cast<int>(j);
    for (std::size_t i = 1; i <= a.size(); ++i) {
        for (std::size_t j = 1; j <= b.size(); ++j) {
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1,
                                d[i - 1][j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1)});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
        }
    }
    return d[a.size()][b.size()];
}

}  // namespace rorirer::testsupport

#endif  // RORIRER_TESTS_SUPPORT_EDITDISTANCE_H
