// The one way the program fails: an exception carrying the exit status and a
// one-line message, thrown where the fault is found and reported by main.
#ifndef RORIRER_TOOLS_TOOLERROR_H
#define RORIRER_TOOLS_TOOLERROR_H

#include <stdexcept>
#include <string>

namespace rorirer {

// Exit statuses: the program's contract with scripts.
enum ExitStatus : int {
    kExitOk = 0,
    kExitNoMatch = 1,
    kExitUsage = 2,
};

class ToolError : public std::runtime_error {
public:
    explicit ToolError(const std::string& message, int status = kExitUsage)
        : std::runtime_error(message), status_(status) {}
    int status() const noexcept { return status_; }

private:
    int status_;
};

}  // namespace rorirer

#endif  // RORIRER_TOOLS_TOOLERROR_H
