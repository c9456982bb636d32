#include "lsp/Session.h"

#include <sys/types.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <utility>

#ifndef RORIRER_VERSION
#define RORIRER_VERSION "unknown"
#endif

namespace rorirer::lsp {
namespace {

// A request's id as a set key: a string and a number never collide, since
// the string keeps its quotes.
std::string idKey(const Json& id) { return id.dump(); }

bool isValidId(const Json& id) { return id.is_string() || id.is_number_integer(); }

bool isRequest(const Json& message) {
    if (!message.is_object()) return false;
    const auto method = message.find("method");
    const auto id = message.find("id");
    return method != message.end() && method->is_string() && id != message.end() && isValidId(*id);
}

bool startsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

// utf-8 saves the server all counting, utf-32 most of it; utf-16 is what
// every client understands and the protocol's default.
PositionEncoding chooseEncoding(const Json* general) {
    if (general == nullptr) return PositionEncoding::kUtf16;
    const auto offered = general->find("positionEncodings");
    if (offered == general->end() || offered->is_null()) return PositionEncoding::kUtf16;
    if (!offered->is_array())
        throw RpcError(kInvalidParams, "capabilities.general.positionEncodings: expected an array");
    bool utf32 = false;
    for (const Json& name : *offered) {
        if (!name.is_string()) continue;
        if (name == "utf-8") return PositionEncoding::kUtf8;
        if (name == "utf-32") utf32 = true;
    }
    return utf32 ? PositionEncoding::kUtf32 : PositionEncoding::kUtf16;
}

ItemSupport readItemSupport(const Json* capabilities) {
    ItemSupport support;
    if (capabilities == nullptr) return support;
    const Json* at = capabilities;
    for (const char* key : {"textDocument", "completion", "completionItem"}) {
        const auto found = at->find(key);
        if (found == at->end() || !found->is_object()) return support;
        at = &*found;
    }
    const auto insertReplace = at->find("insertReplaceSupport");
    support.insertReplace =
        insertReplace != at->end() && insertReplace->is_boolean() && insertReplace->get<bool>();
    // Sent only to a client that lists asIs (1) among the modes it takes.
    const auto modes = at->find("insertTextModeSupport");
    if (modes != at->end() && modes->is_object()) {
        const auto values = modes->find("valueSet");
        if (values != modes->end() && values->is_array())
            for (const Json& value : *values)
                if (value == 1) support.insertAsIs = true;
    }
    return support;
}

// Of what the client sent, at most this much is quoted back to it.
constexpr std::size_t kQuotedBytes = 240;

// One frame of a batch, parsed, or what was wrong with it. (A null Json is
// built through a constructor that could allocate for other kinds, which
// clang-tidy cannot tell apart.)
struct Incoming {  // NOLINT(bugprone-exception-escape)
    Json message;
    std::string problem;  // empty: `message` is good
    bool unparsable = false;
};

}  // namespace

Session::Session(Transport& transport, ServerSetup& setup)
    : transport_(transport),
      setup_(setup),
      log_(transport),
      settings_(setup.defaults),
      watchedProcess_(setup.clientProcessId) {
    for (LineObserver* observer : setup_.lineObservers) documents_.addObserver(*observer);
    documents_.setLineLimit(settings_.lineLimit);
    const char* timing = std::getenv("RORIRER_LSP_TIMING");
    timing_ = timing != nullptr && *timing != '\0' && std::strcmp(timing, "0") != 0;
}

void Session::handleFrames(std::vector<Frame>& frames,
                           std::chrono::steady_clock::time_point received) {
    std::vector<Incoming> batch(frames.size());
    Keys requests;
    for (std::size_t i = 0; i < frames.size(); ++i) {
        Incoming& incoming = batch[i];
        if (frames[i].kind == Frame::Kind::kProblem) {
            incoming.problem = std::move(frames[i].problem);
            continue;
        }
        const std::string& body = frames[i].body;
        try {
            incoming.message = Json::parse(body.data(), body.data() + body.size());
        } catch (const Json::exception& error) {
            // Not only syntax: a number past what a double holds (1e400)
            // is out_of_range. The parser quotes the token it stopped in,
            // which may be most of the message.
            incoming.problem = "unparsable message: " + clip(error.what(), kQuotedBytes);
            incoming.unparsable = true;
            continue;
        } catch (const std::bad_alloc&) {
            // Its id is unknown, so there is no one to answer.
            incoming.problem = "out of memory parsing a message of " + std::to_string(body.size()) +
                               " bytes; it is skipped";
            continue;
        }
        if (isRequest(incoming.message)) requests.insert(idKey(*incoming.message.find("id")));
    }
    frames.clear();

    Keys cancelled;
    for (const Incoming& incoming : batch) {
        const Json& message = incoming.message;
        if (!message.is_object()) continue;
        const auto method = message.find("method");
        if (method == message.end() || *method != "$/cancelRequest") continue;
        const auto params = message.find("params");
        if (params == message.end() || !params->is_object()) continue;
        const auto id = params->find("id");
        // A cancellation of a request answered before has nothing to stop.
        if (id != params->end() && isValidId(*id) && requests.count(idKey(*id)) != 0)
            cancelled.insert(idKey(*id));
    }

    for (Incoming& incoming : batch) {
        if (finished_) break;
        std::string method;
        if (timing_ && incoming.message.is_object()) {
            const auto name = incoming.message.find("method");
            if (name != incoming.message.end() && name->is_string()) method = *name;
        }
        if (incoming.problem.empty()) {
            handleMessage(incoming.message, cancelled);
        } else {
            log_.error(incoming.problem);
            if (incoming.unparsable) send(makeError(nullptr, kParseError, incoming.problem));
        }
        flushWarnings();
        if (timing_) {
            const std::chrono::duration<double, std::micro> spent =
                std::chrono::steady_clock::now() - received;
            std::fprintf(stderr, "rorirer lsp: timing: %s %.1f us\n",
                         method.empty() ? "-" : clip(method).c_str(), spent.count());
        }
    }
}

void Session::handleMessage(Json& message, const Keys& cancelled) {
    if (!message.is_object()) {
        send(makeError(nullptr, kInvalidRequest, "a message must be a JSON object"));
        return;
    }
    const auto id = message.find("id");
    const bool hasId = id != message.end();
    const Json replyId = hasId && isValidId(*id) ? *id : Json();
    const auto method = message.find("method");
    if (method == message.end()) {
        // A response: the server sends no requests, so none is awaited.
        if (hasId && (message.contains("result") || message.contains("error"))) return;
        send(makeError(replyId, kInvalidRequest, "a message without a method"));
        return;
    }
    if (!method->is_string()) {
        send(makeError(replyId, kInvalidRequest, "the method is not a string"));
        return;
    }
    const std::string name = method->get<std::string>();
    Json params;
    const auto found = message.find("params");
    if (found != message.end()) params = std::move(*found);
    if (!hasId) {
        handleNotification(name, params);
    } else if (!isValidId(*id)) {
        send(makeError(nullptr, kInvalidRequest, "a request's id must be an integer or a string"));
    } else {
        handleRequest(*id, name, params, cancelled);
    }
}

void Session::handleRequest(const Json& id, const std::string& method, const Json& params,
                            const Keys& cancelled) {
    if (cancelled.count(idKey(id)) != 0) {
        send(makeError(id, kRequestCancelled, "cancelled before it was started"));
        return;
    }
    try {
        Json result;
        if (state_ == State::kShutDown) {
            throw RpcError(kInvalidRequest, "the server has been shut down");
        } else if (method == "initialize") {
            if (state_ != State::kWaiting)
                throw RpcError(kInvalidRequest, "the server is initialized already");
            result = initialize(params);
        } else if (state_ == State::kWaiting) {
            throw RpcError(kServerNotInitialized, "initialize comes first");
        } else if (method == "shutdown") {
            state_ = State::kShutDown;
        } else if (method == "textDocument/completion") {
            transport_.sendBody(makeResponseText(id, complete(params)));
            return;
        } else {
            throw RpcError(kMethodNotFound, "no method '" + clip(method) + "'");
        }
        send(makeResponse(id, std::move(result)));
    } catch (const RpcError& error) {
        send(makeError(id, error.code(), error.what()));
    } catch (const std::bad_alloc&) {
        log_.error("out of memory answering " + clip(method));
        send(makeError(id, kInternalError, "out of memory"));
    } catch (const std::exception& error) {
        log_.error("failed answering " + clip(method) + ": " + error.what());
        send(makeError(id, kInternalError, error.what()));
    }
}

void Session::handleNotification(const std::string& method, Json& params) {
    if (method == "exit") {
        finished_ = true;
        exitStatus_ = state_ == State::kShutDown ? 0 : 1;
        return;
    }
    // $/cancelRequest was dealt with before the batch; the rest of $/ is
    // optional by definition.
    if (startsWith(method, "$/")) return;
    if (state_ != State::kRunning) {
        log_.info("passed over before initialize or after shutdown: " + clip(method));
        return;
    }
    try {
        if (method == "initialized") {
            log_.forwardToClient(true);
        } else if (method == "textDocument/didOpen") {
            didOpen(params);
        } else if (method == "textDocument/didChange") {
            didChange(params);
        } else if (method == "textDocument/didClose") {
            didClose(params);
        } else if (method == "workspace/didChangeConfiguration") {
            const auto settings = params.is_object() ? params.find("settings") : params.end();
            if (params.is_object() && settings != params.end()) applySettings(*settings);
        } else {
            log_.info("passed over an unknown notification: " + clip(method));
        }
    } catch (const RpcError& error) {
        log_.warning(clip(method) + ": " + error.what());
    } catch (const std::bad_alloc&) {
        log_.error(clip(method) + ": out of memory; the document may differ from the editor's");
    } catch (const std::exception& error) {
        log_.error(clip(method) + ": " + error.what());
    }
}

void Session::flushWarnings() {
    for (const std::string& text : warnings_) {
        log_.warning(text);
        send(
            makeNotification("window/showMessage", {{"type", 2}, {"message", "rorirer: " + text}}));
    }
    warnings_.clear();
}

Json Session::initialize(const Json& params) {
    if (!params.is_object()) throw RpcError(kInvalidParams, "params: expected an object");
    long watch = watchedProcess_;
    const auto pid = params.find("processId");
    if (pid != params.end() && !pid->is_null()) {
        const std::int64_t number = requireInteger(params, "processId", "");
        if (number > 0 && number <= std::numeric_limits<pid_t>::max())
            watch = static_cast<long>(number);
    }
    const Json* capabilities = optionalObject(params, "capabilities", "");
    const Json* general = capabilities == nullptr
                              ? nullptr
                              : optionalObject(*capabilities, "general", "capabilities");
    const PositionEncoding encoding = chooseEncoding(general);

    watchedProcess_ = watch;
    encoding_ = encoding;
    itemSupport_ = readItemSupport(capabilities);
    state_ = State::kRunning;
    const auto options = params.find("initializationOptions");
    if (options != params.end()) applySettings(*options);

    return Json{{"capabilities",
                 {{"positionEncoding", encodingName(encoding_)},
                  {"textDocumentSync", {{"openClose", true}, {"change", 2}}},
                  {"completionProvider", {{"resolveProvider", false}}}}},
                {"serverInfo", {{"name", "rorirer"}, {"version", RORIRER_VERSION}}}};
}

void Session::applySettings(const Json& settings) {
    Settings next = settings_;
    std::vector<std::string> problems;
    readSettings(settings, next, problems);
    for (const std::string& problem : problems) warnUser(problem);
    if (next == settings_) return;
    if (setup_.settingsChanged) {
        try {
            setup_.settingsChanged(next);
        } catch (const std::exception& error) {
            warnUser(error.what());
            // The store still holds what the old settings named; the same
            // settings sent again (the file now there) must try again.
            next.dictionaries = settings_.dictionaries;
            next.minLength = settings_.minLength;
        }
    }
    documents_.setLineLimit(next.lineLimit);
    settings_ = std::move(next);
}

}  // namespace rorirer::lsp
