// One client's session: the lifecycle, the dispatch of each message to its
// handler, and the state the handlers share.
#ifndef RORIRER_LSP_SESSION_H
#define RORIRER_LSP_SESSION_H

#include <chrono>
#include <string>
#include <unordered_set>
#include <vector>

#include "lsp/CompletionList.h"
#include "lsp/Documents.h"
#include "lsp/JsonRpc.h"
#include "lsp/LanguageServer.h"
#include "lsp/Log.h"
#include "lsp/PositionEncoding.h"
#include "lsp/Settings.h"
#include "lsp/Transport.h"

namespace rorirer::lsp {

// The protocol's Position under `key`, or RpcError(kInvalidParams).
ProtocolPosition readPosition(const Json& parent, const char* key, const std::string& path);

class Session {
public:
    Session(Transport& transport, ServerSetup& setup);

    // Handles frames that arrived together, read from the input at
    // `received`. Cancellations among them are seen first, so a request
    // cancelled before it was reached is answered as cancelled without being
    // computed. Stops at `exit`.
    void handleFrames(std::vector<Frame>& frames, std::chrono::steady_clock::time_point received);

    bool finished() const noexcept { return finished_; }
    int exitStatus() const noexcept { return exitStatus_; }
    // The client's process to watch, or 0.
    long watchedProcess() const noexcept { return watchedProcess_; }
    Log& log() noexcept { return log_; }

private:
    enum class State { kWaiting, kRunning, kShutDown };
    using Keys = std::unordered_set<std::string>;

    void handleMessage(Json& message, const Keys& cancelled);
    void handleRequest(const Json& id, const std::string& method, const Json& params,
                       const Keys& cancelled);
    void handleNotification(const std::string& method, Json& params);
    void send(const Json& message) { transport_.send(message); }
    // Shown to the user once the message at hand is handled.
    void warnUser(const std::string& text) { warnings_.push_back(text); }
    void flushWarnings();

    Json initialize(const Json& params);
    // The completion list as JSON text.
    std::string complete(const Json& params);
    void didOpen(const Json& params);
    void didChange(Json& params);
    void didClose(const Json& params);
    void applySettings(const Json& settings);

    Transport& transport_;
    ServerSetup& setup_;
    Log log_;
    Documents documents_;
    Settings settings_;
    State state_ = State::kWaiting;
    PositionEncoding encoding_ = PositionEncoding::kUtf16;
    ItemSupport itemSupport_;
    // RORIRER_LSP_TIMING set (and not "0"): each message's time from its
    // reading to the end of its handling, its answer written, goes to
    // standard error, for the benchmarks.
    bool timing_ = false;
    bool finished_ = false;
    int exitStatus_ = 1;
    long watchedProcess_ = 0;
    std::vector<std::string> warnings_;
};

}  // namespace rorirer::lsp

#endif  // RORIRER_LSP_SESSION_H
