// Where a user's files go, by the XDG base directories, and making the
// folders on the way there.
//
// Failures are told as in FileHandle.h: 0 or the errno value of the call
// that failed.
#ifndef RORIRER_FILEIO_USERFOLDERS_H
#define RORIRER_FILEIO_USERFOLDERS_H

#include <string>

namespace rorirer {

// The folder an XDG variable names (`variable`, such as "XDG_DATA_HOME"),
// or `belowHome` (".local/share") in the home folder when the variable is
// unset, empty or not an absolute path; without trailing slashes. The home
// folder is HOME, or the password database's when HOME is unset, empty or
// relative. Empty when there is no home folder at all.
std::string userFolder(const char* variable, const char* belowHome);

// Creates `folder` and every missing folder above it with mode 0700. On a
// failure, `failedAt` names the folder that could not be made (or the part
// of the path that is not a folder: ENOTDIR); folders made before it stay.
int makeFolders(const std::string& folder, std::string& failedAt);

}  // namespace rorirer

#endif  // RORIRER_FILEIO_USERFOLDERS_H
