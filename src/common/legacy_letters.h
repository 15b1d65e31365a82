#pragma once
// The letters beyond ASCII that each written language uses, lower case: what tells Czech read in
// its own code page ("Bělorusko") from the same bytes read as Western ("Bìlorusko"), whose letters
// no single language writes together.
#include <unicode/umachine.h>

#include <map>

namespace tess {

struct LetterFit {
    long long outside = 0;  // letters the language that covers most of them does not write
    int languages = 0;      // the fewest languages that write them all; 4 standing for more than 3
};

// `letters`: each letter beyond ASCII with how often it occurs. `fewest`: count the languages too.
LetterFit FitLetters(const std::map<UChar32, long long>& letters, bool fewest = true);

}  // namespace tess
