// The server's log: every line to standard error, and errors and warnings
// also to the client as window/logMessage once it has said `initialized`.
#ifndef RORIRER_LSP_LOG_H
#define RORIRER_LSP_LOG_H

#include <string>
#include <string_view>

namespace rorirer::lsp {

class Transport;

class Log {
public:
    explicit Log(Transport& transport) : transport_(transport) {}

    void forwardToClient(bool on) noexcept { forward_ = on; }

    void error(const std::string& text);
    void warning(const std::string& text);
    void info(const std::string& text);

private:
    void write(int type, const char* label, const std::string& text);

    Transport& transport_;
    bool forward_ = false;
};

// At most `limit` bytes of `text` for a log line, marked when cut, and
// cut between characters.
std::string clip(std::string_view text, std::size_t limit = 80);

}  // namespace rorirer::lsp

#endif  // RORIRER_LSP_LOG_H
