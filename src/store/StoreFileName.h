#pragma once
// Folder file names as folders.dbx records them, turned into files of a
// store folder on this machine. The names are 8-bit text from the file
// being read: a name that would leave the store folder is refused, and a
// store copied from Windows is found also where its names changed on the way.

#include <string>

namespace vellumine {

// Whether a recorded name is a plain file name: not empty, no "/", "\" or
// NUL, and neither "." nor "..".
bool IsPlainStoreFileName(const std::string& fileName);

// The path of an existing file for `path` (a store folder joined with a
// recorded name): the path itself when something of that name exists, else
// the name in its UTF-8 form (Windows-1252 names become UTF-8 when a store
// is copied to Linux), else the first entry of the folder whose name matches
// either form without regard to ASCII case (copies from FAT and NTFS change
// case). Returns `path` unchanged when nothing matches.
std::string FindStoreFile(const std::string& path);

}  // namespace vellumine
