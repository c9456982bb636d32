// Cutting the client's byte stream into messages: a header block with a
// Content-Length, a blank line, then that many bytes of body. Whatever is
// wrong with one message is reported as a problem and passed over without
// losing the next one.
#ifndef RORIRER_LSP_FRAMING_H
#define RORIRER_LSP_FRAMING_H

#include <cstddef>
#include <string>
#include <string_view>

namespace rorirer::lsp {

struct Frame {
    enum class Kind { kMessage, kProblem };
    Kind kind = Kind::kMessage;
    std::string body;     // kMessage: the body as it came
    std::string problem;  // kProblem: what was wrong, as a sentence
};

class FrameDecoder {
public:
    static constexpr std::size_t kDefaultMaxBody = std::size_t{64} << 20;
    // A header block longer than this is garbage rather than headers.
    static constexpr std::size_t kMaxHeaderBlock = 8192;

    explicit FrameDecoder(std::size_t maxBody = kDefaultMaxBody) : maxBody_(maxBody) {}

    // Takes bytes as they arrive. A body over the limit is counted off as
    // it comes and never held.
    void feed(std::string_view bytes);
    // The next message or problem, when the bytes fed so far complete one.
    bool next(Frame& frame);
    // Bytes of an unfinished message are waiting: at the end of input they
    // were cut off.
    bool partial() const noexcept { return held() > 0 || state_ == State::kDiscard; }
    std::size_t held() const noexcept { return buffer_.size() - start_; }

private:
    enum class State { kHeader, kBody, kDiscard, kResync };
    static constexpr std::size_t kKeptCapacity = std::size_t{1} << 20;

    bool readHeaderBlock(Frame& frame);
    bool problem(Frame& frame, std::string what);
    void consume(std::size_t count);

    std::size_t maxBody_;
    std::string buffer_;
    std::size_t start_ = 0;  // bytes before it are consumed
    State state_ = State::kHeader;
    std::size_t bodyLength_ = 0;  // kBody: the length declared
    std::size_t discarding_ = 0;  // kDiscard: bytes still to drop
};

}  // namespace rorirer::lsp

#endif  // RORIRER_LSP_FRAMING_H
