// What the program writes to standard output, and the one place that finds
// out whether it got there: a write that fails (a full disk, a closed pipe)
// is an error of the run, status 2, like input that cannot be read.
#ifndef RORIRER_TOOLS_STANDARDOUTPUT_H
#define RORIRER_TOOLS_STANDARDOUTPUT_H

#include <string>

namespace rorirer {

// Buffered; a failure shows at the next flushOutput().
void writeOut(const std::string& text);

// Pushes out what is buffered. Throws ToolError naming the reason when this
// or any earlier write to standard output failed. Called after each answer
// that a reader waits for, and by main before the run ends.
void flushOutput();

}  // namespace rorirer

#endif  // RORIRER_TOOLS_STANDARDOUTPUT_H
