#pragma once
// The folder a window keeps its preview and print pages and their images
// in while they are shown: one per process, so that two windows never
// replace each other's files, under the user's runtime folder (else the
// temporary folder), never beside the program. It is removed when the
// window closes; one left behind by a process that ended without closing
// is removed by the next window that starts.

#include <string>

namespace vellumine {

class WindowTempFolder {
public:
    // Creates a folder of its own under `root`; an empty root means the
    // default (TempFolderRoot()). Raises the file-creation error when the
    // folder cannot be made.
    explicit WindowTempFolder(const std::string& root = {});
    ~WindowTempFolder();
    WindowTempFolder(const WindowTempFolder&) = delete;
    WindowTempFolder& operator=(const WindowTempFolder&) = delete;

    // The folder, ending in a slash.
    const std::string& Path() const { return FPath; }
    // Removes the folder with all it holds (also done by the destructor).
    void Remove();
    // A new, empty folder inside it, private to the user (0700), ending in a
    // slash: a file handed to another program gets one of its own, so that
    // it keeps its name. Removed with the rest. Raises when it cannot be made.
    std::string NewPrivateFolder(const std::string& prefix);

private:
    std::string FPath;
    int FLock = -1;
    unsigned FFoldersMade = 0;  // held while the folder is in use; its end marks the folder as left behind
};

// $XDG_RUNTIME_DIR/vellumine/ when that is a folder, else
// ${TMPDIR:-/tmp}/vellumine-<uid>/.
std::string TempFolderRoot();

// Removes the folders under `root` whose process has ended (their lock is
// free); folders in use stay. Returns how many it removed.
int RemoveLeftTempFolders(const std::string& root);

}  // namespace vellumine
