#pragma once
// One operation of the tables window at a time: a click that arrives while another handler is
// processing pending events is ignored, so that no second operation changes the lists under it.
#include <optional>

namespace tess {

class OperationGuard {
public:
    class Scope {
    public:
        explicit Scope(bool& busy) : busy_(&busy) { busy = true; }
        Scope(Scope&& o) noexcept : busy_(o.busy_) { o.busy_ = nullptr; }
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;
        Scope& operator=(Scope&&) = delete;
        ~Scope() {
            if (busy_) *busy_ = false;
        }

    private:
        bool* busy_;
    };

    // Nothing when an operation is already running.
    std::optional<Scope> tryEnter() {
        if (busy_) return std::nullopt;
        return std::optional<Scope>(std::in_place, busy_);
    }
    bool busy() const { return busy_; }

private:
    bool busy_ = false;
};

}  // namespace tess
