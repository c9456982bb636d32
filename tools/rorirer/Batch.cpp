#include "Batch.h"

#include <string>

#include "CompletionReport.h"
#include "InputFile.h"
#include "JsonOutput.h"
#include "StandardOutput.h"
#include "StoreStats.h"
#include "ToolError.h"

namespace rorirer {
namespace {

std::string formatReport(const CompletionReport& report) {
    std::string out = "prefix: " + report.prefix + "\n";
    out += std::string("stored: ") + (report.stored ? "yes" : "no") + "\n";
    out += "longest: " + report.longest + "\n";
    out += "unique: " + (report.hasUnique ? report.unique : std::string("-")) + "\n";
    out += std::string("fuzzy: ") + (report.fuzzy ? "yes" : "no") + "\n";
    out += "completions: " + std::to_string(report.count);
    if (static_cast<long long>(report.listed.size()) < report.count)
        out += " (" + std::to_string(report.listed.size()) + " shown)";
    out += "\n";
    for (const std::string& word : report.listed) out += "  " + word + "\n";
    return out;
}

class Completer {
public:
    Completer(const CompletionStore& store, const Options& options)
        : store_(store), options_(options) {}

    void complete(const std::string& prefix) {
        const bool uniqueAlone = options_.unique && !options_.json;
        const QueryStyle style = uniqueAlone ? options_.style.withLimit(0) : options_.style;
        const CompletionReport report = reportCompletions(store_, prefix, style, !uniqueAlone);
        const bool matched = options_.unique ? report.hasUnique : report.anyMatch;
        if (!matched) status_ = kExitNoMatch;
        print(report);
    }

    void answerBlank() { print(emptyReport(options_.style)); }

    int status() const noexcept { return status_; }

private:
    void print(const CompletionReport& report) {
        if (options_.json) {
            writeOut(jsonReport(report) + "\n");
        } else if (options_.unique) {
            writeOut((report.hasUnique ? report.unique : std::string()) + "\n");
        } else {
            if (reported_ > 0) writeOut("\n");
            writeOut(formatReport(report));
        }
        ++reported_;
        // A plugin talking through a pipe waits for each answer.
        flushOutput();
    }

    const CompletionStore& store_;
    const Options& options_;
    int status_ = kExitOk;
    long reported_ = 0;
};

}  // namespace

int runComplete(const CompletionStore& store, const Options& options) {
    Completer completer(store, options);
    if (options.prefixesFromStdin) {
        InputFile input("-", true);
        LineReader lines(input);
        std::string prefix;
        while (lines.readLine(prefix)) {
            if (prefix.find_first_not_of(" \t") == std::string::npos)
                completer.answerBlank();
            else
                completer.complete(prefix);
        }
    } else {
        for (const std::string& prefix : options.prefixes) completer.complete(prefix);
    }
    return completer.status();
}

int runStats(const CompletionStore& store, const Options& options, const LoadSummary& load,
             const PersonalList* list) {
    StoreStats stats = collectStats(store, load);
    if (list != nullptr) stats.pendingWords = static_cast<long long>(list->pendingWords().size());
    writeOut(options.json ? jsonStats(stats) + "\n" : formatStats(stats));
    return kExitOk;
}

}  // namespace rorirer
