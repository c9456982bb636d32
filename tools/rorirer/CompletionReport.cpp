#include "CompletionReport.h"

#include <cstdint>

namespace rorirer {

CompletionReport reportCompletions(const CompletionStore& store, const std::string& prefix,
                                   const QueryStyle& style, bool count) {
    CompletionReport report;
    report.prefix = prefix;
    report.caseMode = style.caseMode;
    report.stored = !prefix.empty() && store.contains(prefix);

    Query query;
    query.prefix = prefix;
    query.style = style;
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

CompletionReport emptyReport(const QueryStyle& style) {
    CompletionReport report;
    report.caseMode = style.caseMode;
    return report;
}

}  // namespace rorirer
