// The server's loop: read what the client sent, handle it, and watch that
// the client is still there.
#include <cerrno>
#include <chrono>
#include <csignal>
#include <exception>
#include <new>
#include <string>
#include <vector>

#include "lsp/LanguageServer.h"
#include "lsp/Session.h"

namespace rorirer::lsp {
namespace {

// How often the process the client named is looked for.
constexpr int kWatchMilliseconds = 1000;

bool processExists(long pid) { return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM; }

}  // namespace

int runServer(int input, int output, ServerSetup setup) {
    // A client that goes away must not kill the server mid-write: the
    // write fails instead, and the server ends with status 1.
    std::signal(SIGPIPE, SIG_IGN);
    Transport transport(input, output, setup.maxMessageBytes);
    Session session(transport, setup);
    std::vector<Frame> frames;
    Frame frame;
    auto lastLook = std::chrono::steady_clock::now();
    const auto idleWorkPending = [&setup] {
        return setup.idleWorkPending && setup.doIdleWork && setup.idleWorkPending();
    };
    for (;;) {
        const long watched = session.watchedProcess();
        const bool idleWork = idleWorkPending();
        const int timeout = idleWork ? 0 : watched > 0 ? kWatchMilliseconds : -1;
        const Transport::Wait wait = transport.receive(timeout);
        if (idleWork && wait == Transport::Wait::kTimeout) {
            try {
                setup.doIdleWork();
            } catch (const std::bad_alloc&) {
                session.log().warning("out of memory while learning an open document's words");
            } catch (const std::exception& error) {
                session.log().warning(error.what());
            }
        }
        const auto received = std::chrono::steady_clock::now();
        while (transport.nextFrame(frame)) frames.push_back(std::move(frame));
        session.handleFrames(frames, received);
        if (session.finished()) return session.exitStatus();
        if (transport.outputBroken()) {
            session.log().error("the client stopped reading; leaving");
            return 1;
        }
        if (wait == Transport::Wait::kEnd) {
            if (transport.cutShort()) session.log().error("the input ended inside a message");
            session.log().info("the input ended without exit; leaving");
            return 1;
        }
        const auto now = std::chrono::steady_clock::now();
        if (watched > 0 && now - lastLook >= std::chrono::milliseconds(kWatchMilliseconds)) {
            lastLook = now;
            if (!processExists(watched)) {
                session.log().error("the client's process " + std::to_string(watched) +
                                    " is gone; leaving");
                return 1;
            }
        }
    }
}

}  // namespace rorirer::lsp
