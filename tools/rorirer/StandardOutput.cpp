#include "StandardOutput.h"

#include <cerrno>
#include <cstdio>

#include "ToolError.h"
#include "fileio/FileHandle.h"

namespace rorirer {

void writeOut(const std::string& text) { std::fwrite(text.data(), 1, text.size(), stdout); }

void flushOutput() {
    errno = 0;
    // The stream's error flag stays set after a failed write, so a failure
    // that an earlier write met and a later flush would not meet again
    // (the buffer was dropped) is still found.
    if (std::fflush(stdout) == 0 && std::ferror(stdout) == 0) return;
    const int error = errno;
    throw ToolError(error != 0 ? describeError("standard output", error)
                               : std::string("standard output: write failed"));
}

}  // namespace rorirer
