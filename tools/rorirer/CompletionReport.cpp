#include "CompletionReport.h"

#include <cstdint>
#include <limits>

namespace rorirer {

CompletionReport reportCompletions(const CompletionStore& store, const std::string& prefix,
                                   const Options& options, long max, bool count) {
    CompletionReport report;
    report.prefix = prefix;
    report.caseMode = options.caseMode;
    report.stored = !prefix.empty() && store.contains(prefix);

    Query query;
    query.prefix = prefix;
    query.caseMode = options.caseMode;
    query.sortOrder = options.sortOrder;
    query.fuzzy = options.fuzzy;
    query.skipPrefixWord = options.skipPrefixWord;
    query.limit = max < 0 ? std::numeric_limits<std::size_t>::max() : static_cast<std::size_t>(max);
    query.wantCount = count;
    Completion answer = store.complete(query);

    report.anyMatch = answer.anyMatch;
    report.fuzzy = answer.fuzzy;
    report.longest = std::move(answer.longest);
    report.hasUnique = answer.anyMatch && answer.unique.has_value();
    if (report.hasUnique) report.unique = std::move(*answer.unique);
    report.count = static_cast<long long>(answer.count.value_or(0));
    report.listed.reserve(answer.candidates.size());
    for (Candidate& candidate : answer.candidates)
        report.listed.push_back(std::move(candidate.text));
    return report;
}

CompletionReport emptyReport(const Options& options) {
    CompletionReport report;
    report.caseMode = options.caseMode;
    return report;
}

}  // namespace rorirer
