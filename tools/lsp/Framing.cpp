#include "lsp/Framing.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <limits>

namespace rorirer::lsp {
namespace {

constexpr std::string_view kLengthHeader = "content-length";

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

bool isTokenChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '-' || c == '_';
}

std::string_view trimBlanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

// For messages: a bounded, printable excerpt of what the client sent.
std::string excerpt(std::string_view text) {
    std::string out;
    for (char c : text.substr(0, 40)) out += std::isprint(static_cast<unsigned char>(c)) ? c : '?';
    if (text.size() > 40) out += "...";
    return out;
}

enum class Length { kNumber, kNotANumber, kHuge };

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Every character is looked at before the value: a header of many letters
// is not a number, however long, and leading zeros add nothing.
Length parseLength(std::string_view text, std::size_t& length) {
    if (text.empty() || !std::all_of(text.begin(), text.end(), isDigit)) return Length::kNotANumber;
    std::size_t value = 0;
    for (char c : text) {
        const std::size_t digit = static_cast<std::size_t>(c - '0');
        if (value > (std::numeric_limits<std::size_t>::max() - digit) / 10) return Length::kHuge;
        value = value * 10 + digit;
    }
    length = value;
    return Length::kNumber;
}

}  // namespace

void FrameDecoder::feed(std::string_view bytes) {
    if (state_ == State::kDiscard) {
        const std::size_t take = std::min(discarding_, bytes.size());
        discarding_ -= take;
        bytes.remove_prefix(take);
        if (discarding_ == 0) state_ = State::kHeader;
    }
    if (bytes.empty()) return;
    if (start_ == buffer_.size()) {
        buffer_.clear();
        start_ = 0;
    } else if (start_ > buffer_.size() / 2) {
        buffer_.erase(0, start_);
        start_ = 0;
    }
    buffer_.append(bytes.data(), bytes.size());
}

void FrameDecoder::consume(std::size_t count) { start_ += count; }

bool FrameDecoder::problem(Frame& frame, std::string what) {
    frame.kind = Frame::Kind::kProblem;
    frame.body.clear();
    frame.problem = std::move(what);
    return true;
}

bool FrameDecoder::next(Frame& frame) {
    for (;;) {
        switch (state_) {
            case State::kDiscard:
                return false;
            case State::kResync: {
                // The next message starts at the next Content-Length header.
                const std::string_view pending(buffer_.data() + start_, buffer_.size() - start_);
                for (std::size_t at = 0; at + kLengthHeader.size() <= pending.size(); ++at) {
                    if (equalsIgnoringCase(pending.substr(at, kLengthHeader.size()),
                                           kLengthHeader)) {
                        consume(at);
                        state_ = State::kHeader;
                        break;
                    }
                }
                if (state_ == State::kHeader) continue;
                // Keep what could be the start of a header split across reads.
                consume(pending.size() - std::min(pending.size(), kLengthHeader.size() - 1));
                return false;
            }
            case State::kBody:
                if (held() < bodyLength_) return false;
                frame.kind = Frame::Kind::kMessage;
                frame.problem.clear();
                if (held() == bodyLength_ && buffer_.capacity() > kKeptCapacity) {
                    // A large body that is all the buffer holds is handed
                    // over with the buffer's room instead of copied: one big
                    // didOpen keeps neither a copy nor its size afterwards.
                    buffer_.erase(0, start_);
                    frame.body.swap(buffer_);
                    std::string().swap(buffer_);
                    start_ = 0;
                } else {
                    frame.body.assign(buffer_, start_, bodyLength_);
                    consume(bodyLength_);
                }
                state_ = State::kHeader;
                return true;
            case State::kHeader:
                if (held() == 0) return false;
                if (readHeaderBlock(frame)) return true;
                if (state_ == State::kHeader) return false;
                break;
        }
    }
}

// Reads one header block when it is all there. Returns true with a problem
// in `frame`; otherwise the state says what comes next (still kHeader:
// more bytes are needed).
bool FrameDecoder::readHeaderBlock(Frame& frame) {
    const std::string_view pending(buffer_.data() + start_, buffer_.size() - start_);
    std::size_t blockStart = 0;  // stray line ends between messages are passed over
    bool sawLength = false;
    std::string_view lengthText;
    std::size_t at = 0;
    for (;;) {
        const std::size_t newline = pending.find('\n', at);
        if (newline == std::string_view::npos || newline - blockStart > kMaxHeaderBlock) {
            if (pending.size() - blockStart <= kMaxHeaderBlock) {
                consume(blockStart);
                return false;
            }
            consume(blockStart + 1);
            state_ = State::kResync;
            return problem(frame, "a header block longer than " + std::to_string(kMaxHeaderBlock) +
                                      " bytes: skipped");
        }
        std::string_view line = pending.substr(at, newline - at);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        const std::size_t lineStart = at;
        at = newline + 1;
        if (line.empty()) {
            if (lineStart > blockStart) break;
            blockStart = at;
            continue;
        }
        const std::size_t colon = line.find(':');
        const std::string_view name = line.substr(0, std::min(colon, line.size()));
        if (colon == std::string_view::npos || name.empty() ||
            !std::all_of(name.begin(), name.end(), isTokenChar)) {
            consume(lineStart + 1);
            state_ = State::kResync;
            return problem(frame, "not a header line: '" + excerpt(line) + "'");
        }
        if (equalsIgnoringCase(name, kLengthHeader)) {
            sawLength = true;
            lengthText = trimBlanks(line.substr(colon + 1));
        }
    }

    std::size_t length = 0;
    const Length parsed = sawLength ? parseLength(lengthText, length) : Length::kNotANumber;
    if (!sawLength || parsed == Length::kNotANumber) {
        const std::string what =
            sawLength ? "a Content-Length that is not a number ('" + excerpt(lengthText) + "')"
                      : std::string("a header block without Content-Length");
        consume(at);
        state_ = State::kResync;
        return problem(frame, what + ": the message is skipped");
    }
    consume(at);
    if (parsed == Length::kHuge || length > maxBody_) {
        const std::string declared =
            parsed == Length::kHuge ? excerpt(lengthText) : std::to_string(length);
        discarding_ = parsed == Length::kHuge ? std::numeric_limits<std::size_t>::max() : length;
        const std::size_t take = std::min(discarding_, pending.size() - at);
        consume(take);
        discarding_ -= take;
        state_ = discarding_ == 0 ? State::kHeader : State::kDiscard;
        return problem(frame, "a message of " + declared + " bytes, over the limit of " +
                                  std::to_string(maxBody_) + ": skipped unread");
    }
    bodyLength_ = length;
    state_ = State::kBody;
    return false;
}

}  // namespace rorirer::lsp
