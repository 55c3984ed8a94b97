#include <gtest/gtest.h>

#include <clocale>

#include "TempFolder.h"
#include "platform/DateTime.h"

namespace vellumine {
namespace {

constexpr std::uint64_t kRealMessageDate = 0x01C1E34B3982A480;  // 2002-04-14 00:27:57 UTC

TEST(DateTime, EncodesAndDecodesOleDates)
{
    EXPECT_DOUBLE_EQ(EncodeDateTime({1899, 12, 30}), 0.0);
    EXPECT_DOUBLE_EQ(EncodeDateTime({1900, 1, 1, 6, 0, 0, 0}), 2.25);
    // Before the epoch the time is subtracted from the day count.
    EXPECT_DOUBLE_EQ(EncodeDateTime({1899, 12, 29, 12, 0, 0, 0}), -1.5);
    EXPECT_DOUBLE_EQ(EncodeDateTime({1601, 1, 1}), -109205.0);

    for (const SystemTime t : {SystemTime{2003, 12, 24, 14, 5, 6, 789}, SystemTime{1601, 1, 1, 23, 59, 59, 999},
                               SystemTime{1899, 12, 29, 12, 0, 0, 0}, SystemTime{2400, 2, 29, 0, 0, 1, 0}}) {
        const SystemTime back = DecodeDateTime(EncodeDateTime(t));
        EXPECT_EQ(std::tie(back.Year, back.Month, back.Day, back.Hour, back.Minute, back.Second, back.Milliseconds),
                  std::tie(t.Year, t.Month, t.Day, t.Hour, t.Minute, t.Second, t.Milliseconds));
    }
}

TEST(DateTime, SplitsFileTimes)
{
    const auto t = FileTimeToSystemTime(kRealMessageDate);
    ASSERT_TRUE(t);
    EXPECT_EQ(std::tie(t->Year, t->Month, t->Day, t->Hour, t->Minute, t->Second),
              std::make_tuple(2002, 4, 14, 0, 27, 57));
    EXPECT_EQ(SystemTimeToFileTime(*t) / 10'000'000, kRealMessageDate / 10'000'000);
    EXPECT_FALSE(FileTimeToSystemTime(0x8000000000000000ull));
    EXPECT_EQ(FileTimeToIsoUtc(kRealMessageDate), "2002-04-14T00:27:57Z");
}

TEST(DateTime, LocalFileTimeUsesTheCurrentOffset)
{
    {
        testing::ScopedEnvironment tz("TZ", "XYZ-2");  // two hours east of UTC, no daylight saving
        EXPECT_EQ(CurrentUtcOffsetSeconds(), 7200);
        EXPECT_EQ(FileTimeToLocalFileTime(0), 72'000'000'000ull);
        // Near the top of the range the offset must not wrap round to 1601
        // 00:59:59: such a time is out of range, shown as 1601-01-01 00:00.
        EXPECT_FALSE(FileTimeToLocalFileTime(UINT64_MAX - 1000));
    }
    {
        testing::ScopedEnvironment tz("TZ", "XYZ+5");
        EXPECT_EQ(CurrentUtcOffsetSeconds(), -18000);
        EXPECT_FALSE(FileTimeToLocalFileTime(0)) << "local time before 1601";
        EXPECT_EQ(FileTimeToLocalFileTime(kRealMessageDate), kRealMessageDate - 180'000'000'000ull);
    }
}

TEST(DateTime, DateTextLeavesTheTimeOffAtMidnight)
{
    std::setlocale(LC_TIME, "C");
    EXPECT_EQ(DateTimeText(EncodeDateTime({2003, 12, 24, 14, 5, 6, 0})), "12/24/03 14:05:06");
    EXPECT_EQ(DateTimeText(EncodeDateTime({2003, 12, 24})), "12/24/03");
    EXPECT_EQ(DateTimeText(EncodeDateTime({2003, 12, 24, 0, 0, 0, 1})), "12/24/03 00:00:00");
}

TEST(DateTime, GermanLocaleGivesGermanDateText)
{
    if (!std::setlocale(LC_TIME, "de_DE.UTF-8"))
        GTEST_SKIP() << "the de_DE.UTF-8 locale is not installed";
    EXPECT_EQ(DateTimeText(EncodeDateTime({2003, 12, 24, 14, 5, 6, 0})), "24.12.2003 14:05:06");
    EXPECT_EQ(DateTimeText(EncodeDateTime({2003, 12, 24})), "24.12.2003");
    std::setlocale(LC_TIME, "C");
}

}  // namespace
}  // namespace vellumine
