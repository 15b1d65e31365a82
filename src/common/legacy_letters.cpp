#include "common/legacy_letters.h"

#include <unicode/utf8.h>

#include <algorithm>
#include <bitset>
#include <set>
#include <string_view>
#include <vector>

namespace tess {
namespace {

using Alphabet = std::set<UChar32>;

Alphabet Letters(std::string_view utf8) {
    Alphabet out;
    for (int32_t i = 0; i < static_cast<int32_t>(utf8.size());) {
        UChar32 c = 0;
        U8_NEXT(utf8.data(), i, static_cast<int32_t>(utf8.size()), c);
        out.insert(c);
    }
    return out;
}

Alphabet Range(UChar32 first, UChar32 last) {
    Alphabet out;
    for (UChar32 c = first; c <= last; ++c) out.insert(c);
    return out;
}

Alphabet Without(Alphabet a, std::string_view letters) {
    for (UChar32 c : Letters(letters)) a.erase(c);
    return a;
}

Alphabet With(Alphabet a, std::string_view letters) {
    for (UChar32 c : Letters(letters)) a.insert(c);
    return a;
}

// The languages whose text the legacy code pages carry. Generous rather than exact: a letter a
// language writes only in borrowed names is still its letter.
std::vector<Alphabet> MakeLanguages() {
    const Alphabet cyrillic = Letters("абвгдежзийклмнопрстуфхцчшщъыьэюя");
    std::vector<Alphabet> out;
    for (const char* latin :
         {"àâæçéèêëîïôœùûüÿ" /* fr */, "äöüß" /* de */, "áéíñóúü" /* es */, "áàâãçéêíóôõú" /* pt */,
          "àèéìíîòóùú" /* it */, "àçèéíïòóúü" /* ca */, "áäéëèíïóöúü" /* nl */, "æøåé" /* da */,
          "æøåéèêó" /* no */, "åäöé" /* sv */, "äöåšž" /* fi */, "áæðéíóöúýþ" /* is */, "áæðíóøúý" /* fo */,
          "áéíóú" /* ga */, "âêîôûŵŷäëïöüáéíóúàèìòù" /* cy */, "äõöüšž" /* et */, "áčďéěíňóřšťúůýž" /* cs */,
          "áäčďéíĺľňóôŕšťúýž" /* sk */, "ąćęłńóśźż" /* pl */, "áéíóöőúüű" /* hu */, "čšž" /* sl */,
          "čćđšž" /* hr */, "ăâîșțşţ" /* ro */, "çë" /* sq */, "çğıöşüâîû" /* tr */, "ąčęėįšųūž" /* lt */,
          "āčēģīķļņšūž" /* lv */, "ċġħżàèìòù" /* mt */, "ĉĝĥĵŝŭ" /* eo */, "àáâãèéêìíòóôõùúýăđĩũơư" /* vi */})
        out.push_back(Letters(latin));
    out.push_back(With(cyrillic, "ё"));                      // ru
    out.push_back(With(Without(cyrillic, "ёъыэ"), "ґєії"));  // uk
    out.push_back(With(Without(cyrillic, "ищъ"), "ёіў"));    // be
    out.push_back(Without(cyrillic, "ёыэ"));                 // bg
    out.push_back(Letters("абвгдђежзијклљмнњопрстћуфхцчџш"));   // sr
    out.push_back(Letters("абвгдѓежзѕијклљмнњопрстќуфхцчџш"));  // mk
    out.push_back(Letters("αβγδεζηθικλμνξοπρστυφχψωςάέήίόύώϊϋΐΰ"));  // el
    out.push_back(Range(0x5D0, 0x5EA));                                // he
    out.push_back(With(Range(0x620, 0x64A), "پچژکگی"));                // ar, fa
    return out;
}

const std::vector<Alphabet>& Languages() {
    static const std::vector<Alphabet> languages = MakeLanguages();
    return languages;
}

using Mask = std::bitset<512>;

// Fewest languages (up to three) whose letters together cover all of `used`.
int FewestLanguages(const std::vector<Mask>& writes, const Mask& used) {
    if (used.none()) return 0;
    const size_t n = writes.size();
    for (size_t a = 0; a < n; ++a)
        if ((used & ~writes[a]).none()) return 1;
    for (size_t a = 0; a < n; ++a)
        for (size_t b = a + 1; b < n; ++b)
            if ((used & ~(writes[a] | writes[b])).none()) return 2;
    for (size_t a = 0; a < n; ++a)
        for (size_t b = a + 1; b < n; ++b)
            for (size_t c = b + 1; c < n; ++c)
                if ((used & ~(writes[a] | writes[b] | writes[c])).none()) return 3;
    return 4;
}

}  // namespace

LetterFit FitLetters(const std::map<UChar32, long long>& letters, bool fewest) {
    LetterFit fit;
    long long total = 0;
    Mask used;
    std::vector<Mask> writes(Languages().size());
    size_t bit = 0;
    for (const auto& [letter, count] : letters) {
        total += count;
        if (bit == used.size()) return {total, 4};  // more letters than any alphabet: no language's text
        used.set(bit);
        for (size_t l = 0; l < Languages().size(); ++l)
            if (Languages()[l].count(letter)) writes[l].set(bit);
        ++bit;
    }
    long long best = 0;
    for (size_t l = 0; l < Languages().size(); ++l) {
        long long covered = 0;
        size_t b = 0;
        for (const auto& entry : letters) covered += writes[l].test(b++) ? entry.second : 0;
        best = std::max(best, covered);
    }
    fit.outside = total - best;
    fit.languages = fewest ? FewestLanguages(writes, used) : 0;
    return fit;
}

}  // namespace tess
