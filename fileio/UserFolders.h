// Where a user's files go, by the XDG base directories (the personal list
// in XDG_DATA_HOME, the history in XDG_STATE_HOME, compiled lists in
// XDG_CACHE_HOME), and making the folders on the way there.
//
// Failures are told as in FileHandle.h: 0 or the errno value of the call
// that failed.
#ifndef RORIRER_FILEIO_USERFOLDERS_H
#define RORIRER_FILEIO_USERFOLDERS_H

#include <string>

namespace rorirer {

// Sets `folder` to the folder an XDG variable names (`variable`, such as
// "XDG_DATA_HOME"), or to `belowHome` (".local/share") in the home folder
// when the variable is unset, empty or not an absolute path; without
// trailing slashes, so the root is "" and "/NAME" can be appended. The home
// folder is HOME, or the password database's when HOME is unset, empty or
// relative. False when there is no home folder at all.
bool userFolder(const char* variable, const char* belowHome, std::string& folder);

// The folder holding `path`: "." for a bare name, "/" for a file in the root.
std::string folderOf(const std::string& path);

// Creates `folder` and every missing folder above it with mode 0700. On a
// failure, `failedAt` names the folder that could not be made (or the part
// of the path that is not a folder: ENOTDIR); folders made before it stay.
int makeFolders(const std::string& folder, std::string& failedAt);

}  // namespace rorirer

#endif  // RORIRER_FILEIO_USERFOLDERS_H
