// Everything the store says about one prefix, answered once so that text and
// JSON output print the same facts.
#ifndef RORIRER_TOOLS_COMPLETIONREPORT_H
#define RORIRER_TOOLS_COMPLETIONREPORT_H

#include <string>
#include <vector>

#include "completion/CompletionStore.h"

namespace rorirer {

struct CompletionReport {
    std::string prefix;
    bool stored = false;    // the prefix (in NFC) is a stored word, byte for byte
    bool anyMatch = false;  // some candidate exists
    std::string longest;
    bool hasUnique = false;
    std::string unique;
    long long count = 0;              // every candidate, listed or not
    std::vector<std::string> listed;  // the best `--max` of them, in order
    bool fuzzy = false;               // the candidates are close matches, not completions
    CaseMode caseMode = CaseMode::kInfer;
};

// The answer for `prefix` asked in `style`, which lists at most its limit.
// Without `count` the report's count is 0: counting may walk every
// candidate (case variants may show the same text), which only the reports
// that print it should pay for.
CompletionReport reportCompletions(const CompletionStore& store, const std::string& prefix,
                                   const QueryStyle& style, bool count = true);

// The answer to a blank line among the prefixes: no question, so nothing
// found, and one answer all the same so that a pipe stays in step.
CompletionReport emptyReport(const QueryStyle& style);

}  // namespace rorirer

#endif  // RORIRER_TOOLS_COMPLETIONREPORT_H
