#pragma once
// One operation of the tables window at a time: a click that arrives while another handler is
// processing pending events is ignored, so that no second operation changes the lists under it.
// A window tells its user so by watching the guard: what cannot act while it is busy looks it.
#include <functional>
#include <optional>
#include <utility>

namespace tess {

class OperationGuard {
public:
    using Watcher = std::function<void(bool busy)>;

    class Scope {
    public:
        explicit Scope(OperationGuard& guard) : guard_(&guard) { guard.set(true); }
        Scope(Scope&& o) noexcept : guard_(std::exchange(o.guard_, nullptr)) {}
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;
        Scope& operator=(Scope&&) = delete;
        ~Scope() {
            if (guard_) guard_->set(false);
        }

    private:
        OperationGuard* guard_;
    };

    // Nothing when an operation is already running.
    std::optional<Scope> tryEnter() {
        if (busy_) return std::nullopt;
        return std::optional<Scope>(std::in_place, *this);
    }
    bool busy() const { return busy_; }
    // Called with true as an operation starts and false as it ends; an empty watcher stops watching.
    // The watcher must not throw: it runs as an operation's scope ends.
    void watch(Watcher watcher) { watcher_ = std::move(watcher); }

private:
    void set(bool busy) {
        busy_ = busy;
        if (watcher_) watcher_(busy);
    }

    bool busy_ = false;
    Watcher watcher_;
};

}  // namespace tess
