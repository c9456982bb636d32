#include "lsp/Transport.h"

#include <poll.h>

#include <cerrno>
#include <string>
#include <utility>

#include "fileio/FileHandle.h"

namespace rorirer::lsp {
namespace {

constexpr std::size_t kChunkBytes = std::size_t{64} << 10;
// Reading stops here for one round even when more is waiting, so that a
// client that never pauses still gets answers.
constexpr std::size_t kRoundBytes = std::size_t{16} << 20;

bool waiting(int fd, int timeoutMs) {
    pollfd entry{fd, POLLIN, 0};
    return ::poll(&entry, 1, timeoutMs) > 0;
}

}  // namespace

Transport::Transport(int input, int output, std::size_t maxMessageBytes)
    : input_(input), output_(output), decoder_(maxMessageBytes), chunk_(kChunkBytes) {}

Transport::Wait Transport::receive(int timeoutMs) {
    if (!waiting(input_, timeoutMs)) return Wait::kTimeout;
    std::size_t total = 0;
    for (;;) {
        std::size_t got = 0;
        const int error = readSome(input_, chunk_.data(), chunk_.size(), got);
        if (error == EAGAIN || error == EWOULDBLOCK) return Wait::kRead;
        if (error != 0 || got == 0) return Wait::kEnd;
        decoder_.feed(std::string_view(chunk_.data(), got));
        // Cut as the bytes come, so that a header is read before the rest
        // of the round is: a body over the limit is dropped as it arrives.
        Frame frame;
        while (decoder_.next(frame)) frames_.push_back(std::move(frame));
        total += got;
        if (total >= kRoundBytes || !waiting(input_, 0)) return Wait::kRead;
    }
}

bool Transport::nextFrame(Frame& frame) {
    if (frames_.empty()) return false;
    frame = std::move(frames_.front());
    frames_.pop_front();
    return true;
}

bool Transport::send(const Json& message) { return sendBody(serialize(message)); }

bool Transport::sendBody(const std::string& body) {
    if (broken_) return false;
    std::string out = "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n";
    out += body;
    if (writeAll(output_, out.data(), out.size()) != 0) {
        broken_ = true;
        return false;
    }
    return true;
}

}  // namespace rorirer::lsp
