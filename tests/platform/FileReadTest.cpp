#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <vector>
#include <memory>
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <unistd.h>

#include "platform/FileAccess.h"
#include "platform/FileText.h"
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

// Small files are copied, large ones mapped; both hand out every byte.
TEST_F(FileReadTest, FileTextHoldsEveryByteCopiedOrMapped)
{
    const struct {
        std::size_t size;
        bool mapped;
    } cases[] = {{0, false}, {1, false}, {FileText::kWorthMapping - 1, false}, {FileText::kWorthMapping, true},
                 {(std::size_t{9} << 20) + 5, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size);
        const std::string path = FFolder + "/file";
        const std::string bytes = Pattern(c.size);
        WriteFileReplacing(path, bytes);
        const auto file = FileText::Read(path);
        ASSERT_TRUE(file);
        EXPECT_EQ(file->Mapped(), c.mapped);
        EXPECT_TRUE(file->Text() == bytes);
        EXPECT_TRUE(file->Intact());
    }
    EXPECT_FALSE(FileText::Read(FFolder));
    EXPECT_FALSE(FileText::Read(FFolder + "/missing"));
    EXPECT_TRUE(FileText::Read("/proc/self/status")->Text().find("Name:") != std::string_view::npos);
}

// A held file that loses its end, or is written to, is no longer what was
// read: the holder learns it, and reading the lost pages gives zeros rather
// than ending the program with SIGBUS. Cuts inside the last page raise no
// fault at all and show in the size.
TEST_F(FileReadTest, FileTextNoticesAFileChangedWhileHeld)
{
    const std::size_t size = (std::size_t{3} << 20) + 100;
    const struct {
        const char* what;
        off_t cutTo;  // -1: written in place instead
    } cases[] = {{"cut by a megabyte", static_cast<off_t>(size - (1 << 20))},
                 {"cut inside the last page", static_cast<off_t>(size - 50)},
                 {"emptied", 0},
                 {"written in place", -1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = FFolder + "/file";
        const std::string bytes = Pattern(size);
        WriteFileReplacing(path, bytes);
        const auto file = FileText::Read(path);
        ASSERT_TRUE(file && file->Mapped());
        std::this_thread::sleep_for(std::chrono::milliseconds(10));  // a later change time
        if (c.cutTo >= 0) {
            ASSERT_EQ(::truncate(path.c_str(), c.cutTo), 0);
        } else {
            const int fd = ::open(path.c_str(), O_WRONLY);
            ASSERT_GE(fd, 0);
            EXPECT_EQ(::pwrite(fd, "x", 1, 1000), 1);
            ::close(fd);
        }
        const std::string_view text = file->Text();
        ASSERT_EQ(text.size(), size);
        std::size_t zeros = 0;
        for (const char b : text)
            zeros += b == 0;
        if (c.cutTo >= 0) {
            EXPECT_GE(zeros, size - static_cast<std::size_t>(c.cutTo)) << "the lost bytes read as zeros";
            EXPECT_TRUE(text.substr(0, static_cast<std::size_t>(c.cutTo)) == std::string_view(bytes).substr(0, static_cast<std::size_t>(c.cutTo)));
        }
        EXPECT_FALSE(file->Intact());
    }
}

// More files held at once than can be watched for lost pages: the rest
// are copied, and all of them read whole.
TEST_F(FileReadTest, FileTextCopiesWhenTooManyAreMapped)
{
    const std::string path = FFolder + "/file";
    const std::string bytes = Pattern(FileText::kWorthMapping);
    WriteFileReplacing(path, bytes);
    std::vector<std::shared_ptr<const FileText>> held;
    for (int i = 0; i < 80; ++i)
        held.push_back(FileText::Read(path));
    EXPECT_TRUE(held.front()->Mapped());
    EXPECT_FALSE(held.back()->Mapped());
    for (const auto& file : held)
        EXPECT_TRUE(file->Text() == bytes);
    held.clear();
    EXPECT_TRUE(FileText::Read(path)->Mapped()) << "places are free again";
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

// Below and above the size that gets memory of its own on a large-page
// boundary: every byte is there to be written and read back, and a buffer
// used again lets go of the old memory first.
TEST(LargeBufferTest, ByteBufferHoldsWhatIsWritten)
{
    ByteBuffer buffer;
    EXPECT_EQ(buffer.View().size(), 0u);
    for (const std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{4} << 20, (std::size_t{9} << 20) + 3}) {
        SCOPED_TRACE(size);
        const std::string bytes = Pattern(size);
        unsigned char* room = buffer.Allocate(size);
        std::copy(bytes.begin(), bytes.end(), room);
        EXPECT_TRUE(buffer.View() == bytes);
        if (size >= (std::size_t{4} << 20)) {
            EXPECT_EQ(reinterpret_cast<std::uintptr_t>(room) % (std::size_t{2} << 20), 0u);
        }
        buffer.Shrink(size / 2);
        EXPECT_TRUE(buffer.View() == std::string_view(bytes).substr(0, size / 2));
        buffer.Shrink(size);  // never grows back
        EXPECT_EQ(buffer.View().size(), size / 2);
    }
    buffer.Release();
    EXPECT_EQ(buffer.View().size(), 0u);
}

}  // namespace
}  // namespace vellumine
