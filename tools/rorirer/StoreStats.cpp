#include "StoreStats.h"

#include <cstdio>

namespace rorirer {

StoreStats collectStats(LinkedTrie& store, const LoadSummary& load) {
    StoreStats stats;
    stats.words = store.getWordCount();
    stats.nodes = store.getNodeCount();
    stats.offered = load.offered;
    stats.heapBytes = load.heapBytes;
    stats.buildMilliseconds = load.seconds * 1000.0;
    return stats;
}

std::string formatStats(const StoreStats& stats) {
    char line[256];
    std::string text;
    std::snprintf(line, sizeof line, "words:          %lld (of %lld offered)\n", stats.words,
                  stats.offered);
    text += line;
    std::snprintf(line, sizeof line, "nodes:          %lld\n", stats.nodes);
    text += line;
    if (stats.heapBytes >= 0) {
        std::snprintf(line, sizeof line, "memory:         %.1f MB\n",
                      static_cast<double>(stats.heapBytes) / 1e6);
        text += line;
        std::snprintf(line, sizeof line, "bytes per word: %.1f\n", stats.bytesPerWord());
        text += line;
    } else {
        text += "memory:         unknown\n";
    }
    std::snprintf(line, sizeof line, "build time:     %.1f ms\n", stats.buildMilliseconds);
    text += line;
    return text;
}

}  // namespace rorirer
