#include <gtest/gtest.h>

#include "common/legacy_text.h"
#include "common/text_case.h"
#include "common/text_codec.h"
#include "fakes/legacy_bytes.h"

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

// Legacy text nobody named the code page of: taken only where one reading stands out, else the
// readings are named, the right one first, each with a value as it reads it.
TEST(LegacyText, OneReadingIsTakenOnlyWhereItStandsOut) {
    const struct {
        std::vector<std::string> values;  // UTF-8, written below in `page`
        const char* page;
        bool sure;
        const char* first;  // the first candidate's first code page
    } cases[] = {
        // Enough words: one reading stands out.
        {{"Bělorusko", "Česká republika", "Řecko", "Maďarsko", "Švýcarsko", "Spojené arabské emiráty", "Jižní Súdán",
          "Dánsko", "Rakousko", "Východní Timor", "Čína", "Dvořák", "Martinů", "Janáček", "Třebíč", "Děčín",
          "Přerov", "Plzeň", "Ústí nad Labem"},
         "windows-1250", true, "windows-1250"},
        {{"Россия", "Белоруссия", "Объединённые Арабские Эмираты", "Южная Корея", "Соединённые Штаты", "Франция",
          "Германия", "Чехия", "Швейцария"},
         "cp866", true, "cp866"},
        {{"Россия", "Белоруссия", "Объединённые Арабские Эмираты", "Южная Корея", "Соединённые Штаты", "Франция",
          "Германия", "Чехия", "Швейцария"},
         "windows-1251", true, "windows-1251"},
        {{"Россия", "Белоруссия", "Объединённые Арабские Эмираты", "Южная Корея", "Соединённые Штаты", "Франция",
          "Германия", "Чехия", "Швейцария"},
         "KOI8-R", true, "KOI8-R"},
        {{"Türkiye", "Güney Kıbrıs", "Işık", "Çekya", "Doğu Timor", "Yeni Zelanda", "Güney Afrika", "Kuzey Kore",
          "Birleşik Arap Emirlikleri", "Fildişi Sahili", "Mısır", "Ürdün", "Şili", "Yunanistan", "Gürcistan"},
         "windows-1254", true, "windows-1254"},
        // Signs, scripts or cases mixed inside the words of every other reading: three values decide.
        {{"Ελλάδα", "Κύπρος", "Ηνωμένο Βασίλειο"}, "windows-1253", true, "windows-1253"},
        {{"Zażółć gęślą jaźń", "Łódź", "Świętokrzyskie"}, "windows-1250", true, "windows-1250"},
        // A few words: the right reading first, but none taken.
        {{"Crème brûlée à la française", "Côte d'Ivoire", "Réunion", "Noël", "Hôpital"}, "windows-1252", false,
         "windows-1252"},

        // One letter that Western and Central European text both write: the two remain.
        {{"Tom\u00e8"}, "windows-1252", false, "windows-1252"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.page) + " " + c.values.front());
        std::vector<std::string> bytes;
        for (const std::string& v : c.values) bytes.push_back(WrittenIn(v, c.page));
        const LegacyTextDecision d = DecideLegacyText(bytes);
        ASSERT_FALSE(d.candidates.empty());
        std::string readings;
        for (const TextReading& r : d.candidates) readings += r.codePages.front() + " \"" + r.example + "\" ";
        EXPECT_EQ(d.sure, c.sure) << readings;
        EXPECT_EQ(d.candidates.front().codePages.front(), c.first) << readings;
        EXPECT_FALSE(d.candidates.front().example.empty());
    }
}

// A value the readings differ on is shown as each reads it, so that a person can pick by eye.
TEST(LegacyText, TheReadingsShowAValueAsEachReadsIt) {
    const LegacyTextDecision d = DecideLegacyText({WrittenIn("Tomè", "windows-1252")});
    ASSERT_GE(d.candidates.size(), 2u);
    EXPECT_EQ(d.candidates[0].example, "Tomè");
    EXPECT_EQ(d.candidates[1].example, "Tomč");
    EXPECT_TRUE(DecideLegacyText({}).candidates.empty());
    // UTF-8 that reads as Russian in Windows-1251 too cannot be told from the legacy text beside it.
    EXPECT_TRUE(ReadsAsPlainText("\xD1\xB8", "windows-1251"));
    EXPECT_FALSE(ReadsAsPlainText("caf\xC3\xA9", "windows-1252"));  // "cafÃ©"
}

}  // namespace
}  // namespace tess
