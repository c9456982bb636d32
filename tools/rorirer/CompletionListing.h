// Laying out a list of completions for a terminal: sorted down the columns,
// never more than one screenful, with "... and N more" when it is cut short.
#ifndef RORIRER_TOOLS_COMPLETIONLISTING_H
#define RORIRER_TOOLS_COMPLETIONLISTING_H

#include <string>
#include <vector>

namespace rorirer {

// `words` are the first completions in order, `total` how many there are in
// all. The result ends in a newline and is at most `rows` lines long. Widths
// are terminal columns: a wide character takes two, a combining mark none.
std::string formatListing(const std::vector<std::string>& words, long long total, int columns,
                          int rows);

}  // namespace rorirer

#endif  // RORIRER_TOOLS_COMPLETIONLISTING_H
