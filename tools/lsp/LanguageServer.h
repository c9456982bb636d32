// The language server as the program starts it: what it is given, and the
// loop that serves one client until it leaves.
#ifndef RORIRER_LSP_LANGUAGESERVER_H
#define RORIRER_LSP_LANGUAGESERVER_H

#include <cstddef>
#include <functional>
#include <vector>

#include "lsp/CompletionProvider.h"
#include "lsp/Framing.h"
#include "lsp/LineObserver.h"
#include "lsp/Settings.h"

namespace rorirer::lsp {

struct ServerSetup {
    // The command line's word-source options; the client's settings go
    // over them.
    Settings defaults;
    // Not owned. Null: every completion list is empty.
    CompletionProvider* completion = nullptr;
    // Not owned; told of every change to every open document.
    std::vector<LineObserver*> lineObservers;
    // Called with the new settings whenever the client changes any. What
    // it throws is shown to the user as a warning.
    std::function<void(const Settings&)> settingsChanged;
    // Work put off until no message is waiting: `idleWorkPending` says
    // whether any is left, `doIdleWork` does a short slice of it. What the
    // slice throws is shown to the user as a warning.
    std::function<bool()> idleWorkPending;
    std::function<void()> doIdleWork;
    std::size_t maxMessageBytes = FrameDecoder::kDefaultMaxBody;
    // The client's process as the command line names it, 0 for none:
    // watched from the start, until a processId in initialize replaces it.
    long clientProcessId = 0;
};

// Serves the protocol on `input` and `output` until the client sends
// `exit`, the input ends, the output breaks or the process the client
// named in `initialize` dies. Returns the exit status: 0 after `shutdown`
// and `exit`, 1 otherwise.
int runServer(int input, int output, ServerSetup setup);

}  // namespace rorirer::lsp

#endif  // RORIRER_LSP_LANGUAGESERVER_H
