#include "platform/DateTime.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

using namespace platform;

TEST(DateTime, ZeroIsTheLastDayOf1899) {
    auto d = DecodeDateTime(TDateTime());
    EXPECT_EQ(d.ano, 1899);
    EXPECT_EQ(d.mes, 12);
    EXPECT_EQ(d.dia, 30);
    EXPECT_EQ(EncodeDate(1899, 12, 30)->dias, 0.0);
    EXPECT_EQ(EncodeDate(1900, 1, 1)->dias, 2.0);
    EXPECT_EQ(EncodeDate(2024, 3, 15)->dias, 45366.0);
}

TEST(DateTime, EncodeRejectsImpossibleDatesAndTimes) {
    EXPECT_FALSE(EncodeDate(2023, 2, 29));
    EXPECT_TRUE(EncodeDate(2024, 2, 29));
    EXPECT_FALSE(EncodeDate(1900, 2, 29));
    EXPECT_TRUE(EncodeDate(2000, 2, 29));
    EXPECT_FALSE(EncodeDate(2024, 13, 1));
    EXPECT_FALSE(EncodeDate(0, 1, 1));
    EXPECT_FALSE(EncodeTime(24, 0, 0));
    EXPECT_FALSE(EncodeTime(23, 60, 0));
    EXPECT_FALSE(EncodeTime(23, 59, 59, 1000));
}

TEST(DateTime, DecodeRoundTripsToTheMillisecond) {
    auto dt = EncodeDateTime(2026, 12, 10, 23, 59, 59, 999);
    ASSERT_TRUE(dt);
    auto d = DecodeDateTime(*dt);
    EXPECT_EQ(d.ano, 2026);
    EXPECT_EQ(d.mes, 12);
    EXPECT_EQ(d.dia, 10);
    EXPECT_EQ(d.hora, 23);
    EXPECT_EQ(d.minuto, 59);
    EXPECT_EQ(d.segundo, 59);
    EXPECT_EQ(d.milissegundo, 999);
}

TEST(DateTime, DecodeOfNonsenseGivesZerosNotACrash) {
    for (double v :
         {1e300, -1e300, std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()}) {
        auto d = DecodeDateTime(TDateTime(v));
        EXPECT_EQ(d.ano, 0);
    }
}

TEST(DateTime, FormatPatterns) {
    auto dt = *EncodeDateTime(2024, 3, 5, 7, 8, 9, 45);
    struct {
        const char* padrao;
        const char* esperado;
    } casos[] = {
        {"dd/mm/yy hh:nn:ss:zzz", "05/03/24 07:08:09:045"},
        {"dd/mm/yyyy", "05/03/2024"},
        {"d/m/yyyy h:n:s", "5/3/2024 7:8:9"},
        {"mm/dd/yy", "03/05/24"},
        {"yyyy-mm-dd\"T\"hh", "2024-03-05T07"},
        {"dd/mm hh:nn:ss:zzz", "05/03 07:08:09:045"},
    };
    for (const auto& c : casos)
        EXPECT_EQ(FormatDateTime(c.padrao, dt), c.esperado) << c.padrao;
}

TEST(DateTime, ParseReadsWhatFormatWrites) {
    testsupport::FixedClock relogio(*EncodeDate(2026, 12, 10));
    auto dt = *EncodeDateTime(2024, 3, 5, 7, 8, 9);
    for (const char* padrao : {"dd/mm/yyyy hh:nn:ss", "mm/dd/yy hh:nn:ss", "yyyy-mm-dd hh:nn:ss"})
        EXPECT_EQ(ParseDateTime(padrao, FormatDateTime(padrao, dt)), dt) << padrao;
    EXPECT_EQ(ParseDateTime("dd/mm/yyyy", "5/3/2024"), EncodeDate(2024, 3, 5));
    EXPECT_EQ(ParseDateTime("dd/mm/yyyy hh:nn:ss", "30/12/1899 00:00:00"), TDateTime());
}

TEST(DateTime, ParseRejectsTextThatDoesNotFit) {
    for (const char* texto : {"", "31/02/2024 10:00:00", "10/12/2024 25:00:00", "10-12-2024 10:00:00",
                              "10/12/2024 10:00:00 extra", "aa/bb/cccc 10:00:00"})
        EXPECT_FALSE(ParseDateTime("dd/mm/yyyy hh:nn:ss", texto)) << texto;
}
