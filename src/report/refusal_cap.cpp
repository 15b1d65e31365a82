#include "report/refusal_cap.h"

namespace tess {

bool RefusalCap::show(const CopyFailure& failure) {
    if (failure.kind != FailureKind::kRowRefused || failure.cause.empty()) return true;
    auto [at, fresh] = causes_.try_emplace(failure.cause);
    if (fresh) order_.push_back(failure.cause);
    Cause& cause = at->second;
    if (++cause.seen == shown_ + 1) cause.words = failure.words;
    return cause.seen <= shown_;
}

std::vector<RefusalCap::Held> RefusalCap::held() const {
    std::vector<Held> out;
    for (const auto& key : order_) {
        const auto at = causes_.find(key);
        if (at != causes_.end() && at->second.seen > shown_) out.push_back({at->second.words, at->second.seen - shown_});
    }
    return out;
}

}  // namespace tess
