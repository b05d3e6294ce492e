#include "platform/TextEncoding.h"

#include <gtest/gtest.h>

using platform::sjisToUtf8;
using platform::sjisToUtf8Lossy;
using platform::utf8ToSjis;

TEST(TextEncoding, ConvertsBothWays) {
    struct Case {
        std::string sjis;
        std::string utf8;
    };
    const std::vector<Case> cases = {
        {"", ""},
        {"ABC 123", "ABC 123"},
        {"\x83\x66\x81\x5B\x83\x5E", "データ"}, // katakana and the long-vowel mark
        {"\x90\xFC\x98\x48", "線路"},           // kanji
        {"\xB1\xB2\xB3", "ｱｲｳ"},                // half-width katakana
        {"\x87\x40", "①"},                      // NEC special row (code page 932)
        {"\x81\x5F", "＼"},                     // full-width backslash
        {"\x92\x6E\x8F\xE3\x90\xFC\x98\x48", "地上線路"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.utf8);
        EXPECT_EQ(sjisToUtf8(c.sjis), c.utf8);
        EXPECT_EQ(utf8ToSjis(c.utf8), c.sjis);
    }
}

TEST(TextEncoding, InvalidInputIsAnErrorNotGarbage) {
    // A lead byte without its trail byte, a lead byte with an impossible trail byte, bytes that
    // are never valid in code page 932.
    for (const std::string bad : {"\x83", "abc\x83", "\x81\x20", "\xFF", "\xA0"}) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(sjisToUtf8(bad).has_value());
    }
    // Malformed UTF-8, and characters that code page 932 has no place for.
    for (const std::string bad : {"\xC3", "\xE3\x83", "\x80", "😀", "é"}) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(utf8ToSjis(bad).has_value());
    }
}

TEST(TextEncoding, LossyConversionMarksEachBadByte) {
    EXPECT_EQ(sjisToUtf8Lossy("A\xFF"
                              "B"),
              "A\xEF\xBF\xBD"
              "B");
    EXPECT_EQ(sjisToUtf8Lossy("\x90\xFC\x83"), "線\xEF\xBF\xBD");
}

TEST(TextEncoding, LongTextsConvertWhole) {
    std::string sjis;
    std::string utf8;
    for (int i = 0; i < 5000; ++i) {
        sjis += "\x90\xFC"
                "a";
        utf8 += "線a";
    }
    EXPECT_EQ(sjisToUtf8(sjis), utf8);
    EXPECT_EQ(utf8ToSjis(utf8), sjis);
}
