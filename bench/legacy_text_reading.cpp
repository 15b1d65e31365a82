// How the code page of legacy text is decided on real words: for each file of values (one a line,
// written in the code page named beside it), whether the whole file and random parts of it are read
// right without the option, stopped with the right page first, stopped with another first, or
// read wrong. Usage: legacy_text_reading CODEPAGE FILE [CODEPAGE FILE ...]; with SHOW_WRONG set,
// each part read wrong is shown on standard error with its readings.
#include <unicode/ucnv.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "common/legacy_text.h"
#include "common/text_codec.h"

namespace {

std::string Read(const std::string& page, const std::string& bytes) {
    UErrorCode error = U_ZERO_ERROR;
    std::string out(bytes.size() * 4 + 4, '\0');
    const int32_t n = ucnv_convert("UTF-8", page.c_str(), out.data(), static_cast<int32_t>(out.size()), bytes.data(),
                                   static_cast<int32_t>(bytes.size()), &error);
    out.resize(U_SUCCESS(error) ? static_cast<size_t>(n) : 0);
    return out;
}

// "right", "stopped, right first", "stopped, other first" or "WRONG".
std::string Outcome(const std::vector<std::string>& values, const std::string& page) {
    const tess::LegacyTextDecision d = tess::DecideLegacyText(values);
    if (d.candidates.empty()) return "stopped, none";
    const std::string& first = d.candidates.front().codePages.front();
    bool same = true;
    for (const std::string& v : values) same = same && Read(first, v) == Read(page, v);
    if (d.sure && !same && std::getenv("SHOW_WRONG")) {
        for (const tess::TextReading& r : d.candidates) std::cerr << r.codePages.front() << " \"" << r.example << "\" ";
        std::cerr << "\n";
    }
    if (d.sure) return same ? "right" : "WRONG";
    return same ? "stopped, right first" : "stopped, other first";
}

}  // namespace

int main(int argc, char** argv) {
    std::map<std::string, int> total;
    for (int a = 1; a + 1 < argc; a += 2) {
        const std::string page = argv[a];
        std::ifstream in(argv[a + 1], std::ios::binary);
        std::vector<std::string> values;
        for (std::string line; std::getline(in, line);)
            if (!tess::IsAscii(line) && !tess::IsValidUtf8(line)) values.push_back(line);
        std::sort(values.begin(), values.end());
        values.erase(std::unique(values.begin(), values.end()), values.end());
        if (values.empty()) continue;
        std::cout << argv[a + 1] << " (" << page << ", " << values.size() << " values): all: "
                  << Outcome(values, page) << " [";
        for (const tess::TextReading& r : tess::DecideLegacyText(values).candidates)
            std::cout << r.codePages.front() << " \"" << r.example << "\" ";
        std::cout << "];";
        std::mt19937 random(1);
        for (size_t size : {3u, 10u, 30u, 100u}) {
            if (size >= values.size()) continue;
            std::map<std::string, int> seen;
            for (int trial = 0; trial < 30; ++trial) {
                std::vector<std::string> part;
                std::sample(values.begin(), values.end(), std::back_inserter(part), size, random);
                ++seen[Outcome(part, page)];
            }
            std::cout << " " << size << ":";
            for (const auto& [what, n] : seen) std::cout << " " << what << " " << n << ",", total[what] += n;
        }
        std::cout << "\n";
    }
    std::cout << "parts in all:";
    for (const auto& [what, n] : total) std::cout << " " << what << " " << n << ";";
    std::cout << "\n";
}
