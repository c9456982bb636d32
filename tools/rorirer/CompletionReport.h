// Everything the store says about one prefix: the four questions a host asks,
// answered once so that text and JSON output print the same facts.
#ifndef RORIRER_TOOLS_COMPLETIONREPORT_H
#define RORIRER_TOOLS_COMPLETIONREPORT_H

#include <string>
#include <vector>

#include "wordstore/LinkedTrie.h"

namespace rorirer {

struct CompletionReport {
    std::string prefix;
    bool stored = false;
    bool anyMatch = false;  // some stored word begins with the prefix
    std::string longest;
    bool hasUnique = false;
    std::string unique;
    long long count = 0;              // every completion, listed or not
    std::vector<std::string> listed;  // the first `max` of them
};

// `max` < 0 lists every completion.
CompletionReport reportCompletions(LinkedTrie& store, const std::string& prefix,
                                   bool skipPrefixWord, long max);

}  // namespace rorirer

#endif  // RORIRER_TOOLS_COMPLETIONREPORT_H
