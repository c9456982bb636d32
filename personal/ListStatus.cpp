#include "personal/ListStatus.h"

#include "fileio/FileHandle.h"

namespace rorirer {

ListStatus ListStatus::systemFailure(int error, const std::string& what) {
    return failure(describeError(what, error), error);
}

}  // namespace rorirer
