#pragma once
// Owns one reference to a Firebird interface. Ending it never throws: objects with a server-side
// life (attachment, transaction, statement, cursor, blob) are ended first (detach, rollback, free,
// close, cancel), and their reference is released instead when ending fails; plain reference-counted
// objects (metadata, metadata builders, provider) are released; parameter-block builders are disposed.
#include <firebird/Interface.h>

#include <utility>

namespace tess {

inline void EndQuietly(Firebird::CheckStatusWrapper* s, Firebird::IAttachment* p) { p->detach(s); }
inline void EndQuietly(Firebird::CheckStatusWrapper* s, Firebird::ITransaction* p) { p->rollback(s); }
inline void EndQuietly(Firebird::CheckStatusWrapper* s, Firebird::IStatement* p) { p->free(s); }
inline void EndQuietly(Firebird::CheckStatusWrapper* s, Firebird::IResultSet* p) { p->close(s); }
// A blob that is still owned was not finished: a half-written blob is cancelled, never kept.
inline void EndQuietly(Firebird::CheckStatusWrapper* s, Firebird::IBlob* p) { p->cancel(s); }
inline void EndQuietly(Firebird::CheckStatusWrapper*, Firebird::IMessageMetadata* p) { p->release(); }
inline void EndQuietly(Firebird::CheckStatusWrapper*, Firebird::IProvider* p) { p->release(); }
inline void EndQuietly(Firebird::CheckStatusWrapper*, Firebird::IMetadataBuilder* p) { p->release(); }
inline void EndQuietly(Firebird::CheckStatusWrapper*, Firebird::IXpbBuilder* p) { p->dispose(); }

template <class T>
class FbHandle {
public:
    FbHandle() = default;
    FbHandle(Firebird::IMaster* master, T* p) : master_(master), p_(p) {}
    ~FbHandle() { reset(); }
    FbHandle(FbHandle&& o) noexcept : master_(o.master_), p_(std::exchange(o.p_, nullptr)) {}
    FbHandle& operator=(FbHandle&& o) noexcept {
        if (this != &o) {
            reset();
            master_ = o.master_;
            p_ = std::exchange(o.p_, nullptr);
        }
        return *this;
    }
    FbHandle(const FbHandle&) = delete;
    FbHandle& operator=(const FbHandle&) = delete;

    T* get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    // After a call that ended the object itself (commit, detach, close...): forget it without
    // ending it again.
    void forget() { p_ = nullptr; }

    void reset() noexcept {
        if (!p_) return;
        Firebird::IStatus* status = master_->getStatus();
        Firebird::CheckStatusWrapper wrapper(status);
        EndQuietly(&wrapper, p_);
        if constexpr (requires(T* p) { p->release(); })
            if (wrapper.getState() & Firebird::IStatus::STATE_ERRORS) p_->release();
        status->dispose();
        p_ = nullptr;
    }

private:
    Firebird::IMaster* master_ = nullptr;
    T* p_ = nullptr;
};

}  // namespace tess
