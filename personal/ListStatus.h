// How the personal word list tells failure, in every member that can fail:
// it returns a ListStatus, ok or not, and throws nothing but std::bad_alloc.
// A failure carries one line for the user, naming the file and the reason
// (and the line, for a list that does not parse), and the errno value of the
// system call that failed, or 0 when the fault lies in the list's content or
// in the word given.
#ifndef RORIRER_PERSONAL_LISTSTATUS_H
#define RORIRER_PERSONAL_LISTSTATUS_H

#include <string>
#include <utility>

namespace rorirer {

class ListStatus {
public:
    // Success.
    ListStatus() = default;
    static ListStatus failure(std::string message, int error = 0) {
        ListStatus status;
        status.failed_ = true;
        status.message_ = std::move(message);
        status.error_ = error;
        return status;
    }
    // "WHAT: the system's text for `error`", with `error` kept.
    static ListStatus systemFailure(int error, const std::string& what);

    bool ok() const noexcept { return !failed_; }
    // Empty on success, and on a failure already told (see PersonalList::save).
    const std::string& message() const noexcept { return message_; }
    int error() const noexcept { return error_; }

private:
    bool failed_ = false;
    int error_ = 0;
    std::string message_;
};

}  // namespace rorirer

#endif  // RORIRER_PERSONAL_LISTSTATUS_H
