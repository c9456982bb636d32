// The client's two pipes: framed messages in, whole framed messages out.
#ifndef RORIRER_LSP_TRANSPORT_H
#define RORIRER_LSP_TRANSPORT_H

#include <cstddef>
#include <deque>
#include <string>
#include <vector>

#include "lsp/Framing.h"
#include "lsp/JsonRpc.h"

namespace rorirer::lsp {

class Transport {
public:
    Transport(int input, int output, std::size_t maxMessageBytes);

    enum class Wait { kRead, kTimeout, kEnd };
    // Waits up to `timeoutMs` (negative: as long as it takes) for input,
    // then reads what is waiting and goes on while more is, up to a bound,
    // so that what the client sent together is handled together. kEnd once
    // the input is closed: the frames read before it are still there.
    Wait receive(int timeoutMs);
    // The messages and problems received, in order.
    bool nextFrame(Frame& frame);
    // The input ended inside a message.
    bool cutShort() const noexcept { return decoder_.partial(); }
    // Bytes received and not yet cut into frames: the start of a message
    // still coming.
    std::size_t held() const noexcept { return decoder_.held(); }

    // Writes one message, header and body in one piece, and returns once
    // it is all written. False, now and later, when the output is gone.
    bool send(const Json& message);
    // The same for a message already written as JSON text.
    bool sendBody(const std::string& body);
    bool outputBroken() const noexcept { return broken_; }

private:
    int input_;
    int output_;
    FrameDecoder decoder_;
    std::deque<Frame> frames_;
    std::vector<char> chunk_;
    bool broken_ = false;
};

}  // namespace rorirer::lsp

#endif  // RORIRER_LSP_TRANSPORT_H
