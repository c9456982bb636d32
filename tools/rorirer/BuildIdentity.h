// What tells this build of the program from any other: the GNU build ids of
// the program and of the word store's library, which the linker derives
// from everything linked in (the built-in word list and any other data the
// program embeds among it). A compiled list is kept only for the build that
// wrote it.
#ifndef RORIRER_TOOLS_BUILDIDENTITY_H
#define RORIRER_TOOLS_BUILDIDENTITY_H

#include <string>

namespace rorirer {

// "program HEX; library HEX". Where an object carries no build id, its
// file's size and modification time stand in; "unknown" when even those
// cannot be had.
const std::string& buildIdentity();

}  // namespace rorirer

#endif  // RORIRER_TOOLS_BUILDIDENTITY_H
