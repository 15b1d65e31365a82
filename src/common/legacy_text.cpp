#include "common/legacy_text.h"

#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/ucnv.h>
#include <unicode/uscript.h>
#include <unicode/ustring.h>

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <optional>

#include "common/legacy_letters.h"
#include "common/text_codec.h"

namespace tess {
namespace {

// Windows' pages first: where two read a column alike, the first is named. ICU here has no
// ISO-8859-16.
constexpr const char* kLegacyPages[] = {
    "windows-1252", "windows-1250", "windows-1251", "windows-1253", "windows-1254", "windows-1255",
    "windows-1256", "windows-1257", "windows-1258", "ISO-8859-1",   "ISO-8859-2",   "ISO-8859-3",
    "ISO-8859-4",   "ISO-8859-5",   "ISO-8859-7",   "ISO-8859-9",   "ISO-8859-10",  "ISO-8859-13",
    "ISO-8859-14",  "ISO-8859-15",  "cp866",        "KOI8-R",       "cp437",        "cp850"};

using Converter = std::unique_ptr<UConverter, decltype(&ucnv_close)>;

Converter Open(const char* page) {
    UErrorCode error = U_ZERO_ERROR;
    Converter c(ucnv_open(page, &error), ucnv_close);
    if (U_FAILURE(error)) return Converter(nullptr, ucnv_close);
    ucnv_setToUCallBack(c.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &error);
    return U_FAILURE(error) ? Converter(nullptr, ucnv_close) : std::move(c);
}

// The bytes as the code page reads them, composed; none where it leaves a byte undefined.
std::optional<icu::UnicodeString> Decode(UConverter* page, std::string_view bytes) {
    UErrorCode error = U_ZERO_ERROR;
    ucnv_reset(page);
    icu::UnicodeString text(static_cast<int32_t>(bytes.size()) + 1, 0, 0);
    char16_t* buffer = text.getBuffer(static_cast<int32_t>(bytes.size()) * 2 + 1);
    const int32_t length = ucnv_toUChars(page, buffer, static_cast<int32_t>(bytes.size()) * 2 + 1, bytes.data(),
                                         static_cast<int32_t>(bytes.size()), &error);
    text.releaseBuffer(U_SUCCESS(error) ? length : 0);
    if (U_FAILURE(error)) return std::nullopt;
    const icu::Normalizer2* nfc = icu::Normalizer2::getNFCInstance(error);
    return U_SUCCESS(error) ? nfc->normalize(text, error) : text;
}

// A character no text holds: controls, unassigned and private code points.
bool Impossible(UChar32 c) {
    const int8_t type = u_charType(c);
    if (type == U_CONTROL_CHAR) return c != '\t' && c != '\r' && c != '\n';
    return type == U_UNASSIGNED || type == U_PRIVATE_USE_CHAR || c == 0xFFFD;
}

// Breaks a word where it stands between two letters: anything but letters, marks, digits and the
// signs that join words ("l'été", "Baden-Baden").
bool BreaksAWord(UChar32 c) {
    if (u_isalpha(c) || u_isdigit(c) || u_isUWhiteSpace(c)) return false;
    if (U_GET_GC_MASK(c) & U_GC_M_MASK) return false;
    static constexpr std::u32string_view kJoiners = U"'’-.·/&־׳״";  // Hebrew's maqaf, geresh, gershayim
    return kJoiners.find(static_cast<char32_t>(c)) == std::u32string_view::npos;
}

// A symbol that never touches a letter in text: box drawing, mathematical signs, accents alone
// ("Є╧╙╙╔╤" is Russian in KOI8-R read as CP866). Marks of trade and degrees do.
bool ShunsLetters(UChar32 c) {
    if (!(U_GET_GC_MASK(c) & (U_GC_SO_MASK | U_GC_SM_MASK | U_GC_SK_MASK | U_GC_NO_MASK))) return false;
    static constexpr std::u32string_view kBesideLetters = U"°®©™+=<>|~^`";
    return kBesideLetters.find(static_cast<char32_t>(c)) == std::u32string_view::npos;
}

UScriptCode Script(UChar32 c) {
    UErrorCode error = U_ZERO_ERROR;
    return uscript_getScript(c, &error);
}

// Whether a character, with the ones beside it, is what no writer writes: a sign inside a word or
// before its small letters ("Za¿ó³æ"), scripts or a small and a capital mixed within a word
// ("ÐÑÑÑÐºÐ¸Ð¹"), a word that begins with a soft sign, a final sigma inside a word.
bool Odd(UChar32 prev, UChar32 c, UChar32 next) {
    const bool afterLetter = u_isalpha(prev);
    if (afterLetter && u_isalpha(next) && BreaksAWord(c)) return true;
    if (ShunsLetters(c) && (afterLetter || u_isalpha(next))) return true;
    if (u_charType(c) == U_MODIFIER_LETTER && (afterLetter || u_isalpha(next))) return true;  // "Mⁿll"
    if (BreaksAWord(c) && !u_isUWhiteSpace(prev) && u_islower(next) && c != '(' && c != '"') return true;
    if (u_isalpha(c) && afterLetter && Script(c) != Script(prev)) return true;
    if (u_isupper(c) && u_islower(prev) && Script(c) == Script(prev) && (c >= 0x80 || prev >= 0x80)) return true;
    if (!afterLetter && (c == U'ъ' || c == U'ь' || c == U'ы' || c == U'Ъ' || c == U'Ь' || c == U'Ы')) return true;
    return c == U'ς' && u_isalpha(next);
}

// The words of a value that read as no writer writes.
long long OddWords(const std::u32string& t) {
    long long odd = 0;
    bool counted = false;
    for (size_t i = 0; i < t.size(); ++i) {
        const auto c = static_cast<UChar32>(t[i]);
        if (u_isUWhiteSpace(c)) {
            counted = false;
            continue;
        }
        const UChar32 prev = i > 0 ? static_cast<UChar32>(t[i - 1]) : ' ';
        const UChar32 next = i + 1 < t.size() ? static_cast<UChar32>(t[i + 1]) : ' ';
        if (!counted && Odd(prev, c, next)) ++odd, counted = true;
    }
    return odd;
}

std::u32string CodePoints(const icu::UnicodeString& text) {
    std::u32string out;
    for (int32_t i = 0; i < text.length(); i = text.moveIndex32(i, 1)) out.push_back(static_cast<char32_t>(text.char32At(i)));
    return out;
}

struct PageReading {
    const char* page = nullptr;
    long long odd = 0;      // words that read as no writer writes
    LetterFit fit;
    size_t sameAs = 0;      // a hash of every value as read: pages that read alike share it
    long long score() const { return odd * 5 + fit.outside; }
};

std::optional<PageReading> ReadAll(const char* name, const std::vector<std::string>& values) {
    Converter page = Open(name);
    if (!page) return std::nullopt;
    PageReading reading;
    reading.page = name;
    std::map<UChar32, long long> letters;
    for (const std::string& v : values) {
        const auto text = Decode(page.get(), v);
        if (!text) return std::nullopt;
        const std::u32string points = CodePoints(*text);
        for (char32_t p : points) {
            const auto c = static_cast<UChar32>(p);
            if (Impossible(c)) return std::nullopt;
            if (c >= 0x80 && u_isalpha(c) && c != U'ª' && c != U'º') ++letters[u_tolower(c)];
        }
        reading.odd += OddWords(points);
        reading.sameAs = reading.sameAs * 1000003u ^ std::hash<std::u32string>{}(points);
    }
    reading.fit = FitLetters(letters);
    return reading;
}

}  // namespace

namespace {

// The readings that make text, those alike as one, best first; a page ranks by its list's order
// where two read equally well.
std::vector<std::vector<PageReading>> RankedReadings(const std::vector<std::string>& values) {
    std::vector<std::vector<PageReading>> groups;
    for (const char* name : kLegacyPages) {
        const auto reading = ReadAll(name, values);
        if (!reading) continue;
        auto same = std::find_if(groups.begin(), groups.end(),
                                 [&](const auto& g) { return g.front().sameAs == reading->sameAs; });
        if (same != groups.end()) same->push_back(*reading);
        else groups.push_back({*reading});
    }
    std::stable_sort(groups.begin(), groups.end(), [](const auto& a, const auto& b) {
        const PageReading &x = a.front(), &y = b.front();
        return x.score() != y.score() ? x.score() < y.score() : x.fit.languages < y.fit.languages;
    });
    return groups;
}

std::string AsUtf8(const char* page, std::string_view bytes) {
    Converter c = Open(page);
    const auto text = c ? Decode(c.get(), bytes) : std::nullopt;
    std::string out;
    if (text) text->toUTF8String(out);
    return out;
}

// A value that the two best readings read differently, so that a person can tell them apart.
const std::string& Telling(const std::vector<std::string>& values, const char* first, const char* second) {
    const Converter one = Open(first), other = Open(second);
    if (!one || !other) return values.front();
    for (const std::string& v : values)
        if (Decode(one.get(), v) != Decode(other.get(), v)) return v;
    return values.front();
}

// Sure only by a clear lead: five words or letters, and a third of the best reading's own
// oddities, so that a few borrowed names ("Bokmål" among Spanish) decide nothing. Measured on
// iso-codes' translations (bench/legacy-text): with a lead of three, 2 of 3,960 parts of 3 to 100
// values were read wrong; with five, none.
bool Leads(const std::vector<std::vector<PageReading>>& groups) {
    if (groups.size() == 1) return true;
    const long long best = groups[0].front().score();
    return groups[1].front().score() >= best + std::max(5LL, best / 3);
}

}  // namespace

LegacyTextDecision DecideLegacyText(const std::vector<std::string>& values) {
    LegacyTextDecision decision;
    if (values.empty()) return decision;
    const auto groups = RankedReadings(values);
    if (groups.empty()) return decision;
    decision.sure = Leads(groups);
    const std::string& example =
        Telling(values, groups[0].front().page, groups.size() > 1 ? groups[1].front().page : groups[0].front().page);
    for (size_t g = 0; g < groups.size() && g < 4; ++g) {
        TextReading reading;
        for (const PageReading& p : groups[g]) reading.codePages.emplace_back(p.page);
        reading.example = AsUtf8(groups[g].front().page, example);
        decision.candidates.push_back(std::move(reading));
    }
    return decision;
}

bool ReadsAsPlainText(std::string_view bytes, const std::string& codePage) {
    const auto reading = ReadAll(codePage.c_str(), {std::string(bytes)});
    return reading && reading->odd == 0 && reading->fit.outside == 0 && reading->fit.languages <= 1;
}

}  // namespace tess
