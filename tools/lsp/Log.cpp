#include "lsp/Log.h"

#include <cstdio>

#include "lsp/Transport.h"

namespace rorirer::lsp {
namespace {

// window/logMessage's MessageType.
constexpr int kErrorType = 1;
constexpr int kWarningType = 2;
constexpr int kInfoType = 3;

}  // namespace

void Log::error(const std::string& text) { write(kErrorType, "error", text); }
void Log::warning(const std::string& text) { write(kWarningType, "warning", text); }
void Log::info(const std::string& text) { write(kInfoType, "info", text); }

void Log::write(int type, const char* label, const std::string& text) {
    std::fprintf(stderr, "rorirer lsp: %s: %s\n", label, text.c_str());
    if (forward_ && type <= kWarningType)
        transport_.send(makeNotification("window/logMessage", {{"type", type}, {"message", text}}));
}

std::string clip(std::string_view text, std::size_t limit) {
    if (text.size() <= limit) return std::string(text);
    // Back to the start of the character cut, so that a valid text stays
    // valid; a sequence has at most three continuation bytes.
    for (int i = 0; i < 3 && limit > 0 && (static_cast<unsigned char>(text[limit]) & 0xC0) == 0x80;
         ++i)
        --limit;
    return std::string(text.substr(0, limit)) + "...";
}

}  // namespace rorirer::lsp
