// What the client may set: from `initializationOptions` and
// `workspace/didChangeConfiguration`, under a "rorirer" key or at the top
// level. The program's command line gives the defaults.
#ifndef RORIRER_LSP_SETTINGS_H
#define RORIRER_LSP_SETTINGS_H

#include <cstddef>
#include <string>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "completion/Query.h"

namespace rorirer::lsp {

struct Settings {
    std::vector<std::string> dictionaries;
    long minLength = 5;
    // "case", "sort", "fuzzy" and "maxItems" (the limit).
    QueryStyle style = QueryStyle().withLimit(50);
    bool learnFromDocuments = true;
    std::size_t lineLimit = 100000;

    bool operator==(const Settings& other) const;
    bool operator!=(const Settings& other) const { return !(*this == other); }
};

// Reads the settings in `message` (the object holding them, or one with a
// "rorirer" object inside) over `settings`. A value of the wrong type or
// out of range keeps the old value and adds a sentence to `problems`;
// unknown keys belong to others and are passed over.
void readSettings(const nlohmann::json& message, Settings& settings,
                  std::vector<std::string>& problems);

}  // namespace rorirer::lsp

#endif  // RORIRER_LSP_SETTINGS_H
