// The store file's reads: through the memory map, and on when the file
// shrinks under it, which a mapped read would otherwise end with SIGBUS.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "StoreWriter.h"
#include "TempFolder.h"
#include "platform/Error.h"
#include "store/StoreFile.h"
#include "store/StoreReader.h"

namespace vellumine {
namespace {

std::string Pattern(std::size_t size)
{
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>(i * 7 % 251);
    return bytes;
}

TEST(StoreFileReads, MappedAndWindowedReadsDeliverTheSameBytes)
{
    testing::TempFolder folder;
    const std::string bytes = Pattern(300000);
    storewriter::WriteFileBytes(folder.File("f.dbx"), bytes);
    StoreFile mapped(folder.File("f.dbx"), 64 * 1024, StoreFile::Access::Mapped);
    StoreFile windowed(folder.File("f.dbx"), 64 * 1024, StoreFile::Access::Windows);
    // More reads than the mapped pages are kept for, and reads over the end.
    for (std::uint64_t offset = 0; offset < 310000; offset += 37) {
        unsigned char a[600], b[600];
        const std::size_t length = 1 + offset % 599;
        const std::size_t gotA = mapped.ReadAt(offset, length, a);
        ASSERT_EQ(gotA, windowed.ReadAt(offset, length, b)) << offset;
        ASSERT_EQ(gotA, offset >= bytes.size() ? 0 : std::min<std::size_t>(length, bytes.size() - offset));
        if (gotA == 0)
            continue;
        ASSERT_EQ(std::string(reinterpret_cast<char*>(a), gotA), bytes.substr(offset, gotA)) << offset;
        ASSERT_EQ(std::string(reinterpret_cast<char*>(b), gotA), bytes.substr(offset, gotA)) << offset;
    }
}

TEST(StoreFileReads, AFileThatShrinksWhileMappedIsReadOnWithoutACrash)
{
    testing::TempFolder folder;
    const std::string path = folder.File("f.dbx");
    const std::string bytes = Pattern(1 << 20);
    storewriter::WriteFileBytes(path, bytes);
    StoreFile file(path, 64 * 1024, StoreFile::Access::Mapped);
    unsigned char block[512];
    ASSERT_EQ(file.ReadAt(900000, sizeof block, block), sizeof block);
    std::filesystem::resize_file(path, 100000);  // pages beyond it now raise SIGBUS when touched
    EXPECT_EQ(file.ReadAt(950000, sizeof block, block), 0u) << "gone from the file: nothing arrives";
    ASSERT_EQ(file.ReadAt(50000, sizeof block, block), sizeof block) << "what is left is still read";
    EXPECT_EQ(std::string(reinterpret_cast<char*>(block), sizeof block), bytes.substr(50000, sizeof block));
    EXPECT_EQ(file.ReadAt(99900, sizeof block, block), 100u) << "up to the new end";
}

TEST(StoreFileReads, ASourceIsReadFromTheFileAsItIsNow)
{
    // The reader keeps the file of the last source open; a file replaced
    // under the same name, or changed in place, is read anew.
    testing::TempFolder folder;
    const auto write = [&](const std::string& body) {
        storewriter::MessageDescription message;
        message.subject = "s";
        message.source = "Subject: s\r\n\r\n" + body;
        const auto image = storewriter::BuildStoreFile({storewriter::MessageRecord(message)});
        storewriter::WriteFileBytes(folder.File("Post.dbx"), image.bytes);
        return image.blockOffsets.at(0).at(0);
    };
    StoreReader reader(std::make_shared<FolderStoreLocation>(folder.Path()));
    const auto first = write("erste Fassung");
    EXPECT_EQ(reader.ReadMessageSource("Post.dbx", static_cast<std::int32_t>(first)), "Subject: s\r\n\r\nerste Fassung");
    const auto second = write("zweite, l\xE4ngere Fassung");
    EXPECT_EQ(reader.ReadMessageSource("Post.dbx", static_cast<std::int32_t>(second)),
              "Subject: s\r\n\r\nzweite, l\xE4ngere Fassung");
    std::filesystem::remove(folder.File("Post.dbx"));
    EXPECT_THROW(reader.ReadMessageSource("Post.dbx", static_cast<std::int32_t>(second)), Error);
}

}  // namespace
}  // namespace vellumine
