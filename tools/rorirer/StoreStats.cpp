#include "StoreStats.h"

#include <algorithm>
#include <cstdio>

namespace rorirer {
namespace {

double megabytes(long long bytes) { return static_cast<double>(bytes) / 1e6; }

}  // namespace

StoreStats collectStats(const CompletionStore& store, const LoadSummary& load) {
    StoreStats stats;
    stats.words = static_cast<long long>(store.wordCount());
    stats.nodes = store.nodeCount();
    stats.offered = load.offered;
    stats.heapBytes = load.heapBytes;
    stats.layerBytes = static_cast<long long>(store.extraMemoryBytes());
    stats.buildMilliseconds = load.seconds * 1000.0;
    stats.ranking = store.rankingModel().describe();
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
        // Under a sanitizer the heap's growth reads as nothing at all.
        const long long storeBytes = std::max(stats.heapBytes - stats.layerBytes, 0LL);
        std::snprintf(
            line, sizeof line, "memory:         %.1f MB (word store %.1f MB, layer %.1f MB)\n",
            megabytes(stats.heapBytes), megabytes(storeBytes), megabytes(stats.layerBytes));
        text += line;
        std::snprintf(line, sizeof line, "bytes per word: %.1f\n", stats.bytesPerWord());
        text += line;
    } else {
        std::snprintf(line, sizeof line, "memory:         unknown (layer %.1f MB)\n",
                      megabytes(stats.layerBytes));
        text += line;
    }
    std::snprintf(line, sizeof line, "build time:     %.1f ms\n", stats.buildMilliseconds);
    text += line;
    if (stats.pendingWords > 0) {
        std::snprintf(line, sizeof line,
                      "pending words:  %lld (learned when used in another session)\n",
                      stats.pendingWords);
        text += line;
    }
    return text;
}

}  // namespace rorirer
