// Folders: the one holding a file, making a folder and those above it, the
// home folder and the XDG base folders below it. Failures are told as in
// FileHandle.h: 0 or the errno of the call that failed.
#ifndef RORIRER_FILEIO_FOLDERS_H
#define RORIRER_FILEIO_FOLDERS_H

#include <optional>
#include <string>

namespace rorirer {

// The folder holding `path`: "." for a bare name, "/" for a file in the root.
std::string folderOf(const std::string& path);

// Creates `folder` and every missing folder above it with mode 0700: 0, or
// the errno of the step that failed, with `failed` naming the folder it
// could not make (ENOTDIR where a part of the path is not a folder).
// Folders made before the failure stay.
int makeFolders(const std::string& folder, std::string& failed);

// $HOME when it is an absolute path, else the user's home in the password
// database; empty when neither is known.
std::string homeFolder();

// An XDG base folder: $`variable` when it is an absolute path, else
// `belowHome` (such as "/.cache") below the home folder; none when neither
// is known. Without its trailing slashes, so the root is "".
std::optional<std::string> xdgFolder(const char* variable, const char* belowHome);

}  // namespace rorirer

#endif  // RORIRER_FILEIO_FOLDERS_H
