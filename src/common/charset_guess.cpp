#include "common/charset_guess.h"

#include <unicode/uchar.h>
#include <unicode/ucsdet.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <memory>

#include "common/text_codec.h"

namespace tess {
namespace {

// ICU's detector, where it is sure of a Windows or KOI8 code page; on a few words it is not.
std::string Detected(std::string_view bytes) {
    UErrorCode error = U_ZERO_ERROR;
    std::unique_ptr<UCharsetDetector, decltype(&ucsdet_close)> detector(ucsdet_open(&error), ucsdet_close);
    if (U_FAILURE(error)) return {};
    ucsdet_setText(detector.get(), bytes.data(), static_cast<int32_t>(bytes.size()), &error);
    const UCharsetMatch* match = ucsdet_detect(detector.get(), &error);
    const char* name = match ? ucsdet_getName(match, &error) : nullptr;
    const int confidence = match ? ucsdet_getConfidence(match, &error) : 0;
    if (U_FAILURE(error) || !name || confidence < 50) return {};
    const std::string found = name;
    return found.rfind("windows-125", 0) == 0 || found.rfind("KOI8-", 0) == 0 ? found : std::string();
}

// Russian in Windows-1251 is nearly all bytes of 0xC0 and up (its letters), few plain letters
// and few of 0x80 to 0xBF but ё and Ё; Central European text has plain letters between its marks.
std::string ByItsBytes(std::string_view bytes) {
    int high = 0, middle = 0, plain = 0;
    for (unsigned char b : bytes) {
        if (b >= 0xC0) ++high;
        else if (b >= 0x80 && b != 0xA8 && b != 0xB8) ++middle;
        else if (b == 0xA8 || b == 0xB8) ++high;
        else if ((b | 0x20) >= 'a' && (b | 0x20) <= 'z') ++plain;
    }
    return plain * 4 < high && middle * 4 < high ? "windows-1251" : "windows-1250";
}

// Typographic signs Windows-1252 text holds besides letters: quotes, dashes, the euro, degrees.
bool WesternSign(UChar32 c) {
    return c == 0x20AC || c == 0x2018 || c == 0x2019 || c == 0x201C || c == 0x201D || c == 0x2013 || c == 0x2014 ||
           c == 0x2026 || c == 0xB0 || c == 0xAB || c == 0xBB || c == 0xA0 || c == 0xA7 || c == 0xA9 || c == 0xAE;
}

bool Western(const std::string& name) {
    return name == "ISO-8859-1" || name == "windows-1252" || name == "ISO-8859-15";
}

// Code pages of other letters that Windows programs wrote into NONE columns, by the names ICU's
// detector gives them; ISO-8859-2 text from Windows is Windows-1250.
std::string OtherLetters(const std::string& name) {
    if (name == "ISO-8859-2" || name == "windows-1250") return "windows-1250";
    if (name == "ISO-8859-5" || name == "windows-1251") return "windows-1251";
    if (name.rfind("KOI8-", 0) == 0) return name;
    if (name == "ISO-8859-7" || name == "windows-1253") return "windows-1253";
    return {};
}

// The code page of other letters that ICU's detector ranks above every Western one; none where it
// does not.
std::string RankedAboveWestern(std::string_view bytes) {
    UErrorCode error = U_ZERO_ERROR;
    std::unique_ptr<UCharsetDetector, decltype(&ucsdet_close)> detector(ucsdet_open(&error), ucsdet_close);
    if (U_FAILURE(error)) return {};
    ucsdet_setText(detector.get(), bytes.data(), static_cast<int32_t>(bytes.size()), &error);
    int32_t found = 0;
    const UCharsetMatch** matches = ucsdet_detectAll(detector.get(), &found, &error);
    int western = 0, other = 0;
    std::string otherName;
    for (int32_t i = 0; U_SUCCESS(error) && i < found; ++i) {
        const std::string name = ucsdet_getName(matches[i], &error);
        const int confidence = ucsdet_getConfidence(matches[i], &error);
        if (Western(name)) western = std::max(western, confidence);
        else if (const std::string code = OtherLetters(name); !code.empty() && confidence > other)
            other = confidence, otherName = code;
    }
    return U_SUCCESS(error) && other > western ? otherName : std::string();
}

}  // namespace

CharsetGuess GuessColumnCharset(const std::vector<std::string>& values) {
    std::string sample;
    for (const auto& v : values) sample.append(v).append("\n");
    if (const std::string other = RankedAboveWestern(sample); !other.empty()) return {false, other};
    return GuessCharset(sample);
}

// Short values defeat a statistical detector ("Straße" is UTF-16 to it), so the test is what the
// text becomes: Windows-1252 turns Polish "Zażółć" into "Za¿ó³æ" (signs inside words) and Russian
// into words of accented letters only. Western text has letters there, and mostly plain ones (or
// a single accented one: "é").
CharsetGuess GuessCharset(std::string_view bytes) {
    const std::string text = Windows1252ToUtf8(bytes);
    int letters = 0, accented = 0, strange = 0;
    for (int32_t i = 0; i < static_cast<int32_t>(text.size());) {
        UChar32 c = 0;
        U8_NEXT(text.data(), i, static_cast<int32_t>(text.size()), c);
        if (c < 0x80) {
            letters += u_isalpha(c) ? 1 : 0;
            continue;
        }
        if (u_isalpha(c)) ++letters, ++accented;
        else if (!WesternSign(c)) ++strange;
    }
    const bool western = strange == 0 && (accented <= 1 || accented * 2 <= letters);
    if (western) return {true, "windows-1252"};
    std::string likely = Detected(bytes);
    if (likely.empty() || likely == "windows-1252") likely = ByItsBytes(bytes);
    return {false, likely};
}

}  // namespace tess
