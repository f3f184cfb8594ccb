#pragma once

#include <optional>
#include <string>

// Where a save puts its bytes. Failures give the system's error number.

// The name `path` finally stands for once its symbolic links are followed,
// so that a save replaces the file a link leads to and keeps the link. A link
// to nothing yet gives the name it points to, where the save creates the file.
std::optional<std::string> FollowLinks(std::string path, int& error);

// Creates a temporary file beside `path`, named by a dot and six random
// characters so that it fits wherever `path`'s own name fits. It gets the
// mode of a file `path` replaces, or else the mode any new file gets.
// The descriptor, or -1.
int CreateBeside(const std::string& path, std::string& tempPath, int& error);

// Opens an existing `path` that is neither a regular file nor a folder (a
// device, a FIFO, the terminal or pipe behind /dev/stdout) for writing where
// it stands. -1 for anything else, with `error` set if it could not be opened.
int OpenNonFile(const std::string& path, int& error);
