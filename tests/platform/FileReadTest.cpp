#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/FileAccess.h"
#include "platform/LargeBuffer.h"

namespace vellumine {
namespace {

std::string Pattern(std::size_t size)
{
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 131 + i / 7) & 0xFF);
    return bytes;
}

class FileReadTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char folder[] = "/tmp/vellumine-fileread-XXXXXX";
        ASSERT_NE(::mkdtemp(folder), nullptr);
        FFolder = folder;
    }
    void TearDown() override { std::system(("rm -rf '" + FFolder + "'").c_str()); }
    std::string FFolder;
};

// Around the sizes where a read loop goes wrong: nothing, one byte, the
// old chunk size on either side, and a size that gets large pages.
TEST_F(FileReadTest, ReadsEveryByteOfFilesOfAnySize)
{
    for (const std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{65535}, std::size_t{65536},
                                   std::size_t{65537}, std::size_t{9} << 20}) {
        SCOPED_TRACE(size);
        const std::string path = FFolder + "/file";
        const std::string bytes = Pattern(size);
        WriteFileReplacing(path, bytes);
        const auto read = ReadFileBytes(path);
        ASSERT_TRUE(read.has_value());
        EXPECT_EQ(read->size(), size);
        EXPECT_TRUE(*read == bytes);
    }
}

// A file whose size says nothing about its contents (the system's own
// files report 0) is still read to its end.
TEST_F(FileReadTest, ReadsPastTheSizeTheFileReports)
{
    const auto status = ReadFileBytes("/proc/self/status");
    ASSERT_TRUE(status.has_value());
    EXPECT_NE(status->find("Name:"), std::string::npos);
    EXPECT_NE(status->find("VmRSS:"), std::string::npos);
}

TEST_F(FileReadTest, RefusesWhatIsNotAPlainFile)
{
    const std::string fifo = FFolder + "/fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(ReadFileBytes(fifo).has_value());
    EXPECT_FALSE(ReadFileBytes(FFolder).has_value());
    EXPECT_FALSE(ReadFileBytes(FFolder + "/missing").has_value());
}

TEST(LargeBufferTest, KeepsContentsAndMakesRoom)
{
    for (const std::size_t extra : {std::size_t{0}, std::size_t{100}, std::size_t{6} << 20}) {
        SCOPED_TRACE(extra);
        std::string buffer = "schon da";
        ReserveLargeBuffer(buffer, extra);
        EXPECT_EQ(buffer, "schon da");
        EXPECT_GE(buffer.capacity(), 8 + extra);
        buffer.append(extra, 'x');  // the room is usable
        EXPECT_EQ(buffer.size(), 8 + extra);
    }
    std::string buffer = "a";
    ReserveLargeBuffer(buffer, buffer.max_size());  // cannot be held: left alone
    EXPECT_EQ(buffer, "a");
}

}  // namespace
}  // namespace vellumine
