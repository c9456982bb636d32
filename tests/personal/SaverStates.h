// The states PersonalListSaver moves a list through, one per save, so that a
// test finding the list after a kill can say exactly what it must hold.
// State k learns the first size(k) words and a marker naming k; it forgets
// every word learned in an earlier state but not in this one, and every
// earlier marker. The sizes jump up and down, so that consecutive saves
// differ by thousands of entries.
#ifndef RORIRER_TESTS_PERSONAL_SAVERSTATES_H
#define RORIRER_TESTS_PERSONAL_SAVERSTATES_H

#include <algorithm>
#include <set>
#include <string>

namespace saver {

constexpr long kMostWords = 50000;
const std::string kMarker = "~state ";

inline long sizeAt(long state) { return (state * 3) % 5 * (kMostWords / 4); }

inline long largestUpTo(long state) {
    long largest = 0;
    for (long k = 0; k <= state && k < 5; ++k) largest = std::max(largest, sizeAt(k));
    return largest;
}

// Words with what a line-based format could get wrong.
inline std::string wordAt(long i) {
    const std::string n = std::to_string(i);
    switch (i % 4) {
        case 0:
            return "w" + n;
        case 1:
            return "#w" + n;
        case 2:
            return "w" + n + "\t x";
        default:
            return " w" + n + "\r";
    }
}

inline std::string markerOf(long state) { return kMarker + std::to_string(state); }

inline void fillState(long state, std::set<std::string>& learned,
                      std::set<std::string>& forgotten) {
    learned.clear();
    forgotten.clear();
    if (state == 0) return;
    for (long i = 0; i < sizeAt(state); ++i) learned.insert(wordAt(i));
    for (long i = sizeAt(state); i < largestUpTo(state); ++i) forgotten.insert(wordAt(i));
    learned.insert(markerOf(state));
    for (long k = 1; k < state; ++k) forgotten.insert(markerOf(k));
}

// The state a list's learned words name; 0 for an empty list.
inline long stateOf(const std::set<std::string>& learned) {
    const auto marker = learned.lower_bound(kMarker);
    if (marker == learned.end() || marker->compare(0, kMarker.size(), kMarker) != 0) return 0;
    return std::stol(marker->substr(kMarker.size()));
}

}  // namespace saver

#endif  // RORIRER_TESTS_PERSONAL_SAVERSTATES_H
