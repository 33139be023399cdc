#include "treestore/record_format.h"

#include <gtest/gtest.h>

#include <clocale>
#include <limits>

using namespace treerecord;

namespace {

TEST(RecordFormat, LengthHeaderScansLikeHexScanf) {
    EXPECT_EQ(ScanHexLength("0000001e"), 0x1eu);
    EXPECT_EQ(ScanHexLength("0000001E"), 0x1eu);
    EXPECT_EQ(ScanHexLength("   1ezzz"), 0x1eu);
    EXPECT_EQ(ScanHexLength("0x1f0000"), 0x1f0000u);
    EXPECT_EQ(ScanHexLength("zzzzzzzz"), 0u);
    EXPECT_EQ(ScanHexLength("12g45678"), 0x12u);
    EXPECT_EQ(ScanHexLength("000000010"), 0x1u);  // only 8 digits count
    EXPECT_EQ(ScanHexLength(""), 0u);
}

TEST(RecordFormat, NumbersReadLikeAtoiAndAtol) {
    EXPECT_EQ(ParseInt("65280"), 65280);
    EXPECT_EQ(ParseInt("  -2x"), -2);
    EXPECT_EQ(ParseInt("+7"), 7);
    EXPECT_EQ(ParseInt("abc"), 0);
    EXPECT_EQ(ParseInt(""), 0);
    EXPECT_EQ(ParseInt("4294967297"), 1);            // strtol's long cut to int
    EXPECT_EQ(ParseTime("4102444800"), 4102444800);  // 2100-01-01: past 2038
    EXPECT_EQ(ParseTime("-99999999999999999999"), std::numeric_limits<std::int64_t>::min());
    EXPECT_EQ(ParseTime("99999999999999999999"), std::numeric_limits<std::int64_t>::max());
}

TEST(RecordFormat, FloatsIgnoreTheDecimalCommaOfTheLocale) {
    // A desktop session may run in a locale with a decimal comma.
    const char* previous = std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    std::string payload = PayloadWriter().Float(0.7f).Finish();
    EXPECT_EQ(payload, "[000000080.700000]");
    EXPECT_FLOAT_EQ(ParseFloat("0.700000"), 0.7f);
    EXPECT_FLOAT_EQ(ParseFloat(" 1.5e1"), 15.0f);
    EXPECT_EQ(ParseFloat("x"), 0.0f);
    if (previous != nullptr)
        std::setlocale(LC_NUMERIC, "C");
}

TEST(RecordFormat, FieldsPastThePayloadKeepDefaultsAndLaterFieldsStillDecode) {
    // The first length claims 0x20 bytes that are not there: the reader keeps
    // the default and goes on right after the 8 length digits.
    PayloadReader reader("0000002000000003abc");
    EXPECT_FALSE(reader.Next().has_value());
    auto next = reader.Next();
    ASSERT_TRUE(next.has_value());
    EXPECT_EQ(*next, "abc");
    EXPECT_FALSE(reader.Next().has_value());  // nothing left
}

TEST(RecordFormat, RecordHeaderCountsEverythingAfterTheLength) {
    std::string out;
    AppendRecord(out, 2, 9, "[]");
    EXPECT_EQ(out, "0000000a002:009[]\n");
    out.clear();
    AppendRecord(out, 0, -1, "[]");
    EXPECT_EQ(out, "0000000a000:-01[]\n");
}

}  // namespace
