#pragma once
// How many refused rows of one cause are shown each with its own report before the rest of that
// cause are only counted: a table whose 10,000 rows all meet one refusal must not cost 10,000
// lines or boxes, and every good row still goes (the copy never waits on the reports).
#include <map>
#include <string>
#include <vector>

#include "transfer/copy_failure.h"

namespace tess {

// The companion shows the first 10 of a cause; the windows the first 100, as many boxes of one
// cause as ended a table before a refused row stopped ending it.
inline constexpr long long kCompanionRefusalsShown = 10, kWindowRefusalsShown = 100;

class RefusalCap {
public:
    explicit RefusalCap(long long shownPerCause) : shown_(shownPerCause) {}
    // True when the failure is to be shown: not a refused row, or one of the first of its cause.
    bool show(const CopyFailure& failure);
    // The refused rows of each cause that were only counted, since the last reset: the words of
    // the first of them, and how many.
    struct Held {
        std::string words;
        long long rows;
    };
    std::vector<Held> held() const;
    void reset() {
        causes_.clear();
        order_.clear();
    }

private:
    struct Cause {
        long long seen = 0;
        std::string words;
    };
    long long shown_;
    std::map<std::string, Cause> causes_;
    std::vector<std::string> order_;  // causes as first met
};

}  // namespace tess
