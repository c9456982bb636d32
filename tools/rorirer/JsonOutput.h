// JSON for editor plugins: one object per line, with field names that stay
// the same from release to release.
//
// complete: {"prefix":..,"stored":bool,"longest":..,"unique":string|null,
//            "count":N,"completions":[..],"truncated":bool,"fuzzy":bool,
//            "case":"exact"|"ignore"|"smart"|"infer"}
// stats:    {"words":N,"nodes":N,"offered":N,"layer_bytes":N,"heap_bytes":N|null,
//            "bytes_per_word":X|null,"build_ms":X}
#ifndef RORIRER_TOOLS_JSONOUTPUT_H
#define RORIRER_TOOLS_JSONOUTPUT_H

#include <string>

#include "CompletionReport.h"

namespace rorirer {

struct StoreStats;

// Valid UTF-8 passes through; any other byte becomes \u00XX (its Latin-1
// reading), so the output is always valid JSON whatever the word list holds.
std::string jsonString(const std::string& text);

std::string jsonReport(const CompletionReport& report);
std::string jsonStats(const StoreStats& stats);

}  // namespace rorirer

#endif  // RORIRER_TOOLS_JSONOUTPUT_H
