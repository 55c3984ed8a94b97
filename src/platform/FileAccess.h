#pragma once
// Writing and creating files the way the program's output needs it: never
// through a symbolic link that someone placed under the target name, and,
// for new files, never over an existing one.

#include <optional>
#include <string>
#include <string_view>

#include "platform/BytePieces.h"
#include "platform/Error.h"

struct stat;

namespace vellumine {

// Writes all bytes to an open file, going on after interruptions; false
// when the file system refuses them.
bool WriteAll(int fd, std::string_view bytes);

// "Datei %s kann nicht erstellt werden" with the path filled in.
Error FileCreateError(const std::string& path);

// Writes `bytes` to `path`, replacing a regular file of that name. Raises
// FileCreateError when the file cannot be created or written.
void WriteFileReplacing(const std::string& path, std::string_view bytes);

// Creates `path` only if nothing of that name exists yet and writes
// `bytes` into it. Returns false when the name is taken; raises
// FileCreateError for any other failure.
bool WriteNewFile(const std::string& path, std::string_view bytes);
// The same with the bytes written piece by piece as they come; a failure
// of the file system or of `bytes` itself leaves no file behind.
bool WriteNewFileFromPieces(const std::string& path, const BytePieces& bytes);

// The whole file, or none when it cannot be read.
std::optional<std::string> ReadFileBytes(const std::string& path);

// Opens `path` for reading if it is a regular file, checked on the open
// file so that nothing put under the name in between (a FIFO) can make a
// read hang; fills `info` with its status. -1 when it is none or cannot be
// opened.
int OpenRegularFile(const std::string& path, struct stat& info);

// The bytes of an open file from where it stands to its end, read into a
// buffer sized `sizeHint` first; none on a read error. Leaves it open.
std::optional<std::string> ReadRestOfFile(int fd, std::size_t sizeHint);

// Creates a folder with any missing parents; false on failure.
bool CreateFolders(const std::string& path);

// Joins a folder and a name with exactly one slash between them.
std::string JoinPath(const std::string& folder, const std::string& name);

}  // namespace vellumine
