// Laying out a list of completions for a terminal: sorted down the columns,
// never more than one screenful, with "... and N more" when it is cut short.
#ifndef RORIRER_TOOLS_COMPLETIONLISTING_H
#define RORIRER_TOOLS_COMPLETIONLISTING_H

#include <string>
#include <vector>

namespace rorirer {

// Columns a UTF-8 string takes, counting one per code point.
size_t displayWidth(const std::string& text);

// `words` are the first completions in order, `total` how many there are in
// all. The result ends in a newline and is at most `rows` lines long.
std::string formatListing(const std::vector<std::string>& words, long long total, int columns,
                          int rows);

}  // namespace rorirer

#endif  // RORIRER_TOOLS_COMPLETIONLISTING_H
