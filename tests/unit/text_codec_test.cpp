#include <gtest/gtest.h>

#include "common/charset_guess.h"

#include "common/text_case.h"
#include "common/text_codec.h"

namespace tess {
namespace {

struct Utf8Case {
    const char* what;
    std::string input;
    std::u16string utf16;  // what the codec makes of it
};

TEST(TextCodec, DecodesEveryUtf8FormToOneDefinedOutcome) {
    const Utf8Case cases[] = {
        {"ASCII", "abc", u"abc"},
        {"two bytes", "caf\xC3\xA9", u"caf\u00E9"},
        {"three bytes", "\xE2\x82\xAC", u"\u20AC"},
        {"four bytes become a surrogate pair", "\xF0\x9F\x98\x80", u"\U0001F600"},
        {"last code point", "\xF4\x8F\xBF\xBF", u"\U0010FFFF"},
        {"past U+10FFFF", "\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
        {"overlong slash", "\xC0\xAF", u"\uFFFD\uFFFD"},
        {"overlong three-byte NUL", "\xE0\x80\x80", u"\uFFFD\uFFFD\uFFFD"},
        {"encoded surrogate", "\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},
        {"truncated at the end", "a\xE2\x82", u"a\uFFFD"},
        {"truncated before ASCII", "\xE2\x82z", u"\uFFFDz"},
        {"stray continuation byte", "\x80x", u"\uFFFDx"},
        {"Windows-1252 byte", "caf\xE9", u"caf\uFFFD"},
        {"NUL kept", std::string("a\0b", 3), std::u16string(u"a\0b", 3)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Utf8ToUtf16(c.input), c.utf16) << c.what;
        EXPECT_EQ(IsValidUtf8(c.input), Utf16ToUtf8(c.utf16) == c.input) << c.what;
    }
}

TEST(TextCodec, LoneSurrogatesBecomeReplacementCharacters) {
    const char16_t high[] = {u'a', 0xD800, u'b'};
    EXPECT_EQ(Utf16ToUtf8(high, 3), "a\xEF\xBF\xBD" "b");
    const char16_t lowFirst[] = {0xDC00, 0xD800};
    EXPECT_EQ(Utf16ToUtf8(lowFirst, 2), "\xEF\xBF\xBD\xEF\xBF\xBD");
    std::string out;
    AppendUtf8(out, 0xD800);
    AppendUtf8(out, 0x110000);
    AppendUtf8(out, U'\U0001F600');
    EXPECT_EQ(out, "\xEF\xBF\xBD\xEF\xBF\xBD\xF0\x9F\x98\x80");
}

TEST(TextCodec, Windows1252KeepsEveryByte) {
    EXPECT_EQ(Windows1252ToUtf8("caf\xE9 stra\xDF" "e \x80 \x96"), "café straße € –");
    // The five bytes the code page leaves undefined pass as the C1 controls Windows makes of them.
    EXPECT_EQ(Windows1252ToUtf8("\x81\x8D\x8F\x90\x9D"), "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D");
    EXPECT_EQ(Windows1252ToUtf8("\x9F"), "Ÿ");
}

TEST(TextCodec, CountsAndCutsCharactersNotBytes) {
    EXPECT_EQ(CharacterCount("日本語"), 3u);
    EXPECT_EQ(CharacterCount("a\xF0\x9F\x98\x80"), 2u);
    EXPECT_EQ(FirstCharacters("日本語", 2), "日本");
    EXPECT_EQ(FirstCharacters("ab", 5), "ab");
    EXPECT_EQ(ValidUtf8("a\xC0\xAF"), "a\xEF\xBF\xBD\xEF\xBF\xBD");
}

TEST(TextCase, LowersCapitalsOfEveryScript) {
    const std::pair<const char*, const char*> cases[] = {
        {"ORDERS", "orders"},     {"Ÿ", "ÿ"},           {"ŹŻŽ", "źżž"},       {"ÀÉÎÕÜ", "àéîõü"},
        {"ΣΟΦΊΑ", "σοφία"},       {"МОСКВА", "москва"}, {"ԱՐՄ", "արմ"},       {"ᎠᎡ", "ꭰꭱ"},
        {"İ", "i̇"},              {"日本", "日本"},     {"x\xC0\xAFy", "x\xEF\xBF\xBD\xEF\xBF\xBDy"},
    };
    for (const auto& [upper, lower] : cases) EXPECT_EQ(LowerCase(upper), lower) << upper;
}

// Bytes nobody named the code page of: read as Windows-1252 only where they read as Western text,
// else named, however short the value (a statistical detector takes "Straße" for UTF-16).
TEST(CharsetGuess, WesternTextOnlyIsTakenForWindows1252) {
    const struct {
        const char* bytes;  // in the code page below
        bool western;
        const char* likely;
    } cases[] = {
        {"M\xFCller", true, ""},                             // Windows-1252
        {"Stra\xDF" "e", true, ""},
        {"Cr\xE8me br\xFBl\xE9" "e \xE0 la fran\xE7" "aise", true, ""},
        {"\x93Quote\x94 \x96 5 \x80", true, ""},
        {"\xE9", true, ""},
        {"Za\xBF\xF3\xB3\xE6 g\xEA\x9C\xB3\xB9 ja\x9F\xF1", false, "windows-1250"},  // Windows-1250
        {"\xD1\xFA\xE5\xF8\xFC \xE6\xE5 \xE5\xF9\xB8", false, "windows-1251"},      // Windows-1251
        {"\xD1\xB8", false, "windows-1251"},
    };
    for (const auto& c : cases) {
        const CharsetGuess g = GuessCharset(c.bytes);
        EXPECT_EQ(g.western, c.western) << c.bytes;
        if (!c.western) {
            EXPECT_EQ(g.likely, c.likely) << c.bytes;
        }
    }
}

}  // namespace
}  // namespace tess
