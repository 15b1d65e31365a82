#pragma once
// What the connection, its recordsets and its prepared statements share: the client library's entry
// points, the attachment, which lives until the last of them is done with it, and the connection's
// open transaction. A prepared statement that outlives its connection finds the session closed.
#include <firebird/Interface.h>

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "common/code_page.h"
#include "platform/firebird/fb_error.h"
#include "platform/firebird/fb_handle.h"

namespace tess {

struct FirebirdSession {
    Firebird::IMaster* master = nullptr;
    Firebird::IUtil* util = nullptr;
    FbHandle<Firebird::IAttachment> attachment;
    std::map<unsigned, unsigned> bytesPerCharacter;  // by character set id, read once
    std::shared_ptr<const CodePage> noneText;        // the code page of NONE text; null: guessed
    // After the attachment, so that it is rolled back before the attachment is detached.
    FbHandle<Firebird::ITransaction> transaction;  // the connection's open transaction, if any
    bool closed = false;                           // the connection was closed or has gone
    int lockTimeout = 0;  // seconds a statement waits for another transaction's lock; 0: no end
    // A dialect 1 database takes definitions (CREATE, DROP, ALTER) only in its own dialect; every
    // other statement runs in dialect 3, which reads both.
    unsigned databaseDialect = 3;

    // A cancel is raised only while a call is under way: raised on an idle attachment it would
    // wait there and fail the next call, such as the commit that a stop makes.
    std::mutex cancelling;
    int callsUnderWay = 0;      // guarded by `cancelling`
    bool cancelRaised = false;  // guarded by `cancelling`
};

// The parameters of a transaction that writes: a snapshot that waits for locks, up to the
// session's lock time-out.
std::vector<unsigned char> WriteTransactionParameters(const FirebirdSession& session);

// Asks the call under way on the session's attachment, from another thread, to give up; nothing
// when no call is under way.
void CancelFirebirdCall(FirebirdSession& session) noexcept;

// Marks a call under way on the session. The last one to end takes back a cancel raised as it
// ended, which the engine would otherwise keep for the next call.
class FirebirdCallUnderWay {
public:
    explicit FirebirdCallUnderWay(FirebirdSession& session);
    ~FirebirdCallUnderWay();
    FirebirdCallUnderWay(const FirebirdCallUnderWay&) = delete;
    FirebirdCallUnderWay& operator=(const FirebirdCallUnderWay&) = delete;

private:
    FirebirdSession& session_;
};

// A call against the session's attachment, which a cancel from another thread can reach.
template <class F>
decltype(auto) CallFirebird(FirebirdSession& session, F&& call) {
    FirebirdCallUnderWay underWay(session);
    return CallFirebird(session.util, std::forward<F>(call));
}

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
