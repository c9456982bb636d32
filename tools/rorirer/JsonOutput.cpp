#include "JsonOutput.h"

#include <cstdio>

#include "StoreStats.h"
#include "completion/Unicode.h"

namespace rorirer {
namespace {

void appendEscape(std::string& out, unsigned value) {
    char escape[8];
    std::snprintf(escape, sizeof escape, "\\u%04x", value);
    out += escape;
}

}  // namespace

std::string jsonString(const std::string& text) {
    std::string out = "\"";
    size_t at = 0;
    while (at < text.size()) {
        const unsigned char byte = static_cast<unsigned char>(text[at]);
        if (byte >= 0x80) {
            const Character c = decodeCharacter(text, at);
            if (c.wellFormed) {
                out.append(text, at, c.length);
            } else {
                appendEscape(out, byte);
            }
            at += c.length;
            continue;
        }
        switch (byte) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (byte < 0x20 || byte == 0x7f)
                    appendEscape(out, byte);
                else
                    out.push_back(static_cast<char>(byte));
        }
        ++at;
    }
    out += '"';
    return out;
}

std::string jsonReport(const CompletionReport& report) {
    std::string out = "{\"prefix\":" + jsonString(report.prefix);
    out += ",\"stored\":";
    out += report.stored ? "true" : "false";
    out += ",\"longest\":" + jsonString(report.longest);
    out += ",\"unique\":";
    out += report.hasUnique ? jsonString(report.unique) : "null";
    out += ",\"count\":" + std::to_string(report.count);
    out += ",\"completions\":[";
    for (size_t i = 0; i < report.listed.size(); ++i) {
        if (i > 0) out += ',';
        out += jsonString(report.listed[i]);
    }
    out += "],\"truncated\":";
    out += static_cast<long long>(report.listed.size()) < report.count ? "true" : "false";
    out += ",\"fuzzy\":";
    out += report.fuzzy ? "true" : "false";
    out += ",\"case\":";
    out += jsonString(caseModeName(report.caseMode));
    out += '}';
    return out;
}

std::string jsonStats(const StoreStats& stats) {
    char number[64];
    std::string out = "{\"words\":" + std::to_string(stats.words);
    out += ",\"nodes\":" + std::to_string(stats.nodes);
    out += ",\"offered\":" + std::to_string(stats.offered);
    out += ",\"layer_bytes\":" + std::to_string(stats.layerBytes);
    if (stats.heapBytes >= 0) {
        out += ",\"heap_bytes\":" + std::to_string(stats.heapBytes);
        std::snprintf(number, sizeof number, "%.2f", stats.bytesPerWord());
        out += ",\"bytes_per_word\":";
        out += number;
    } else {
        out += ",\"heap_bytes\":null,\"bytes_per_word\":null";
    }
    std::snprintf(number, sizeof number, "%.3f", stats.buildMilliseconds);
    out += ",\"build_ms\":";
    out += number;
    // Names, digits and signs only: nothing to escape.
    out += ",\"ranking\":\"" + stats.ranking + "\"";
    if (stats.pendingWords >= 0) out += ",\"pending_words\":" + std::to_string(stats.pendingWords);
    out += '}';
    return out;
}

}  // namespace rorirer
