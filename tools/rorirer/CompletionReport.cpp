#include "CompletionReport.h"

#include "StringBridge.h"

namespace rorirer {

CompletionReport reportCompletions(LinkedTrie& store, const std::string& prefix,
                                   bool skipPrefixWord, long max) {
    CompletionReport report;
    report.prefix = prefix;
    const CString text = toCString(prefix);
    CString matched;
    report.stored = !prefix.empty() && store.containsString(text, matched);

    CString completion;
    report.anyMatch = store.getLongestUnambiguousCompletion(text, completion, skipPrefixWord);
    report.longest = toStdString(completion);
    report.hasUnique = store.getUniqueCompletion(text, completion, skipPrefixWord);
    if (report.hasUnique) report.unique = toStdString(completion);

    CStringArray completions;
    store.getPossibleCompletions(text, completions);
    report.count = completions.GetSize();
    // The empty store answers the empty prefix with the empty word, which is
    // no completion a user could take.
    if (report.count == 0) {
        report.anyMatch = false;
        report.hasUnique = false;
        report.unique.clear();
    }
    const long long shown = max < 0 || max > report.count ? report.count : max;
    report.listed.reserve(static_cast<size_t>(shown));
    for (int i = 0; i < shown; ++i) report.listed.push_back(toStdString(completions[i]));
    return report;
}

}  // namespace rorirer
