#pragma once
// What the connection, its recordsets and its prepared statements share: the client library's entry
// points, the attachment, which lives until the last of them is done with it, and the connection's
// open transaction. A prepared statement that outlives its connection finds the session closed.
#include <firebird/Interface.h>

#include <map>
#include <memory>
#include <string>

#include "platform/firebird/fb_handle.h"

namespace tess {

struct FirebirdSession {
    Firebird::IMaster* master = nullptr;
    Firebird::IUtil* util = nullptr;
    FbHandle<Firebird::IAttachment> attachment;
    std::map<unsigned, unsigned> bytesPerCharacter;  // by character set id, read once
    // After the attachment, so that it is rolled back before the attachment is detached.
    FbHandle<Firebird::ITransaction> transaction;  // the connection's open transaction, if any
    bool closed = false;                           // the connection was closed or has gone
};

// Asks the call under way on the session's attachment, from another thread, to give up; one that
// finds nothing to cancel is no failure.
void CancelFirebirdCall(FirebirdSession& session) noexcept;

// A status wrapper that gives its status back when it goes.
class FbStatus {
public:
    explicit FbStatus(Firebird::IMaster* master) : wrapper_(master->getStatus()) {}
    ~FbStatus() { wrapper_.dispose(); }
    Firebird::ThrowStatusWrapper* operator&() { return &wrapper_; }

private:
    Firebird::ThrowStatusWrapper wrapper_;
};

}  // namespace tess
