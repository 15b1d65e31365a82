#pragma once
#include <string>

namespace tess {

// Lower-cases UTF-8 text by the Unicode rules of the root locale (ICU).
std::string LowerCase(const std::string& text);

// Order of the sorted table lists: without regard to case, ties broken by the exact text.
bool ListOrderLess(const std::string& a, const std::string& b);

// Index at which a sorted list of entries takes a new entry (after any equal ones).
template <class Entries, class TextOf>
int SortedInsertPosition(const Entries& entries, const std::string& text, TextOf textOf) {
    int position = 0;
    for (const auto& entry : entries) {
        if (ListOrderLess(text, textOf(entry))) break;
        ++position;
    }
    return position;
}

}  // namespace tess
