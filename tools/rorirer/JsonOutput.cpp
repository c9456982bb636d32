#include "JsonOutput.h"

#include <cstdio>

#include "StoreStats.h"

namespace rorirer {
namespace {

// Length of the well-formed UTF-8 sequence starting at `at`, or 0.
size_t utf8SequenceLength(const std::string& text, size_t at) {
    const unsigned char lead = static_cast<unsigned char>(text[at]);
    size_t length;
    unsigned minimum;
    unsigned code;
    if (lead >= 0xc2 && lead <= 0xdf) {
        length = 2, minimum = 0x80, code = lead & 0x1fu;
    } else if (lead >= 0xe0 && lead <= 0xef) {
        length = 3, minimum = 0x800, code = lead & 0x0fu;
    } else if (lead >= 0xf0 && lead <= 0xf4) {
        length = 4, minimum = 0x10000, code = lead & 0x07u;
    } else {
        return 0;
    }
    if (at + length > text.size()) return 0;
    for (size_t i = 1; i < length; ++i) {
        const unsigned char next = static_cast<unsigned char>(text[at + i]);
        if ((next & 0xc0) != 0x80) return 0;
        code = (code << 6) | (next & 0x3fu);
    }
    if (code < minimum || code > 0x10ffff || (code >= 0xd800 && code <= 0xdfff)) return 0;
    return length;
}

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
            const size_t length = utf8SequenceLength(text, at);
            if (length > 0) {
                out.append(text, at, length);
                at += length;
            } else {
                appendEscape(out, byte);
                ++at;
            }
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
    out += '}';
    return out;
}

std::string jsonStats(const StoreStats& stats) {
    char number[64];
    std::string out = "{\"words\":" + std::to_string(stats.words);
    out += ",\"nodes\":" + std::to_string(stats.nodes);
    out += ",\"offered\":" + std::to_string(stats.offered);
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
    out += '}';
    return out;
}

}  // namespace rorirer
