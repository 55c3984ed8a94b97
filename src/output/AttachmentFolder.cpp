#include "output/AttachmentFolder.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/FileAccess.h"

namespace vellumine {
namespace {

// Room a page's name needs beyond its subject for the longest number the
// namer will ever add ("_" and up to 19 digits).
constexpr std::size_t kNumberRoom = 20;

// The subject cut so that "<page base name> Anlagen" stays within the
// longest file name: the page's own cut only leaves room for its extension.
BaseName WithRoomForFolder(BaseName base)
{
    const std::size_t fixed = base.datePart.size() + base.markPart.size() + kNumberRoom +
                              std::strlen(kAttachmentFolderSuffix);
    if (fixed >= kMaxFileNameBytes || base.subjectPart.size() + fixed <= kMaxFileNameBytes)
        return base;
    std::size_t cut = kMaxFileNameBytes - fixed;
    while (cut > 0 && (static_cast<unsigned char>(base.subjectPart[cut]) & 0xC0) == 0x80)
        --cut;
    base.subjectPart.resize(cut);
    return base;
}

}  // namespace

PageWithFolder ReservePageWithFolder(const std::string& folder, const BaseName& base, std::string_view extension,
                                     UniqueFileNamer& names)
{
    const BaseName fitting = WithRoomForFolder(base);
    for (;;) {
        PageWithFolder reserved;
        reserved.page = names.Create(folder, fitting, extension, {});
        reserved.folderName = reserved.page.baseName + kAttachmentFolderSuffix;
        reserved.folderPath = JoinPath(folder, reserved.folderName);
        if (::mkdir(reserved.folderPath.c_str(), 0777) == 0)
            return reserved;
        const int error = errno;
        ::unlink(reserved.page.path.c_str());
        if (error != EEXIST)
            throw FileNotCreated("Der Ordner \"" + reserved.folderPath + "\" konnte nicht erstellt werden!");
    }
}

bool RemovePageWithFolder(const PageWithFolder& reserved)
{
    ::unlink(reserved.page.path.c_str());
    return ::rmdir(reserved.folderPath.c_str()) == 0 || errno == ENOENT;
}

void AbandonPageWithFolder(const PageWithFolder& reserved, const std::string& cause)
{
    if (RemovePageWithFolder(reserved))
        throw FileNotCreated(cause);
    throw FileNotCreated(cause + " Die Seite \"" + reserved.page.path +
                         "\" wurde nicht geschrieben; die Anlagen, die schon gespeichert waren, liegen im Ordner \"" +
                         reserved.folderPath + "\".");
}

}  // namespace vellumine
