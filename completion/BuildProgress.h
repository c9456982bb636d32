// What a long build of a CompletionStore tells as it goes, for a host that
// shows progress: the bulk load of a word list and the reading and writing
// of a compiled image pass through several stages, each with a count.
#ifndef RORIRER_COMPLETION_BUILDPROGRESS_H
#define RORIRER_COMPLETION_BUILDPROGRESS_H

#include <cstddef>

namespace rorirer {

class BuildProgress {
public:
    // `stage` names the step under way ("sorting"); `done` of `total` of
    // its items (words, nodes or bytes). Called when a stage starts and
    // every few tens of thousands of items within it, so it should be cheap
    // and must not throw.
    virtual void report(const char* stage, std::size_t done, std::size_t total) noexcept = 0;

protected:
    ~BuildProgress() = default;
};

}  // namespace rorirer

#endif  // RORIRER_COMPLETION_BUILDPROGRESS_H
