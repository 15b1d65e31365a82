#pragma once
// Which code page a column's legacy text is in, when nobody named it (Firebird's NONE columns):
// decided from all of the column's values together, before any is written, and taken only where
// one reading stands out among the code pages Windows and DOS programs wrote.
#include <string>
#include <string_view>
#include <vector>

namespace tess {

struct TextReading {
    std::vector<std::string> codePages;  // the code pages that read the values alike, the likeliest first
    std::string example;                 // one of the values as they read it, as UTF-8
};

struct LegacyTextDecision {
    bool sure = false;                    // one reading stands out: the first candidate
    std::vector<TextReading> candidates;  // the readings that make text, the likeliest first (at most 4)
};

// `values`: a column's values that are neither ASCII nor UTF-8. The readings are ranked by how
// much of the text reads as no writer writes (signs inside words, scripts or cases mixed within a
// word) and by the letters no single language writes together.
LegacyTextDecision DecideLegacyText(const std::vector<std::string>& values);

// Whether bytes that are valid UTF-8 read as plain text in `codePage` too (Russian "Сё" in
// Windows-1251 is the UTF-8 of "Ѹ"): such a value cannot be told from the legacy text beside it.
bool ReadsAsPlainText(std::string_view bytes, const std::string& codePage);

}  // namespace tess
