#include "base/NumberText.h"

#include <array>
#include <climits>
#include <cstdint>
#include <gtest/gtest.h>
#include <optional>
#include <string>

namespace keywright {
namespace {

enum class Form { UnsignedDecimal, SignedDecimal, UnsignedHex, SignedHex };

struct Case {
    Form form;
    std::string text;
    std::int64_t expected; // compared as the form's own type
};

std::int64_t Parse(Form form, const std::string& text) {
    switch (form) {
    case Form::UnsignedDecimal:
        return ParseUnsignedDecimal(text);
    case Form::SignedDecimal:
        return ParseSignedDecimal(text);
    case Form::UnsignedHex:
        return ParseUnsignedHex(text);
    case Form::SignedHex:
        return ParseSignedHex(text);
    }
    return -999;
}

TEST(NumberText, ParsesLikeTheCLibraryOn32BitValues) {
    const Case cases[] = {
        // plain values, white space and signs
        {Form::UnsignedDecimal, "42", 42},
        {Form::UnsignedDecimal, "  \t\n42", 42},
        {Form::UnsignedDecimal, "+42", 42},
        {Form::UnsignedDecimal, "", 0},
        {Form::UnsignedDecimal, "abc", 0},
        {Form::UnsignedDecimal, "-", 0},
        {Form::UnsignedDecimal, " - 5", 0}, // no blank between sign and digits
        {Form::UnsignedDecimal, "12abc", 12},
        {Form::UnsignedDecimal, "0x70004", 0}, // decimal stops at the x
        {Form::UnsignedDecimal, "3.9", 3},
        // unsigned: minus negates modulo 2^32, overflow saturates
        {Form::UnsignedDecimal, "-1", 4294967295},
        {Form::UnsignedDecimal, "-4294967295", 1},
        {Form::UnsignedDecimal, "4294967295", 4294967295},
        {Form::UnsignedDecimal, "4294967296", 4294967295},
        {Form::UnsignedDecimal, "-4294967296", 4294967295},
        {Form::UnsignedDecimal, "99999999999999999999999999999", 4294967295},
        {Form::UnsignedDecimal, "000000000000000000000000000007", 7},
        // signed: saturates at both limits
        {Form::SignedDecimal, "-2147483648", INT32_MIN},
        {Form::SignedDecimal, "-2147483649", INT32_MIN},
        {Form::SignedDecimal, "2147483647", INT32_MAX},
        {Form::SignedDecimal, "2147483648", INT32_MAX},
        {Form::SignedDecimal, "-99999999999999999999", INT32_MIN},
        {Form::SignedDecimal, " -17ms", -17},
        {Form::SignedDecimal, "458976", 458976},
        // hex: optional prefix, either case, stops at the first non-hex character
        {Form::UnsignedHex, "C00CD", 0xC00CD},
        {Form::UnsignedHex, "c00cd", 0xC00CD},
        {Form::UnsignedHex, "0xC00CD", 0xC00CD},
        {Form::UnsignedHex, "0XC00CD", 0xC00CD},
        {Form::UnsignedHex, "0x", 0},
        {Form::UnsignedHex, "0xg", 0},
        {Form::UnsignedHex, "zz", 0},
        {Form::UnsignedHex, "70004zz", 0x70004},
        {Form::UnsignedHex, "ffffffff", 0xFFFFFFFF},
        {Form::UnsignedHex, "100000000", 0xFFFFFFFF},
        {Form::UnsignedHex, "-1", 0xFFFFFFFF},
        {Form::UnsignedHex, " +0x1a", 0x1A},
        {Form::SignedHex, "70004", 0x70004},
        {Form::SignedHex, "0x70004", 0x70004},
        {Form::SignedHex, "7fffffff", 0x7FFFFFFF},
        {Form::SignedHex, "80000000", 0x7FFFFFFF},
        {Form::SignedHex, "ffffffffffffffffffff", 0x7FFFFFFF},
        {Form::SignedHex, "-1", -1},
        {Form::SignedHex, "-0x80000000", INT32_MIN},
        {Form::SignedHex, "-0x80000001", INT32_MIN},
        {Form::SignedHex, "", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("text \"" + c.text + "\", form " + std::to_string(static_cast<int>(c.form)));
        EXPECT_EQ(Parse(c.form, c.text), c.expected);
    }
}

TEST(NumberText, FormatsHexLowercaseWithoutPrefix) {
    EXPECT_EQ(FormatHex(0x70004), "70004");
    EXPECT_EQ(FormatHex(0xC00CD), "c00cd");
    EXPECT_EQ(FormatHex(0), "0");
    EXPECT_EQ(FormatHex(0xFFFFFFFF), "ffffffff");
}

TEST(LayoutNumbers, ReadsNumbersAsScanfWouldWithoutOverflow) {
    const struct {
        const char* text;
        std::optional<std::uint32_t> hex;
        std::int32_t decimal;
    } rows[] = {
        {"", std::nullopt, 0},
        {"  42", 0x42, 42},
        {"+7", 7, 7},
        {"-1", 0xFFFFFFFF, -1},
        {"0x", 0, 0},
        {"0xg", 0, 0},
        {"0x1F", 0x1F, 0},
        {"ff", 0xFF, 0},
        {"123456789ab", 0x456789AB, 123456789},
        {"99999999999", 0x99999999, INT_MAX},
        {"-2147483649", 0xB8B7C9B7, INT_MIN},
        {"\n\t9z", 9, 9},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(ReadDecimal(row.text), row.decimal);
        EXPECT_EQ(ReadHex(row.text), row.hex);
    }
    std::array<std::int32_t, 2> xy{};
    EXPECT_EQ(ScanDecimals(" 4 ,6", xy), 1u) << "a blank before a comma ends the list";
    EXPECT_EQ(xy, (std::array<std::int32_t, 2>{4, 0}));
    EXPECT_EQ(ScanDecimals("4,\n6", xy), 2u);
    EXPECT_EQ(xy, (std::array<std::int32_t, 2>{4, 6}));
}

} // namespace
} // namespace keywright
