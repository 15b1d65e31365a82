#pragma once
// A transaction on one connection, begun when made and rolled back when it goes uncommitted, so
// that no way out of a scope leaves one open. A rollback that fails is never swallowed: one asked
// for throws it, and one made on the way out goes to `unfinished`, which reports it.
#include <functional>

#include "platform/database.h"

namespace tess {

class Transaction {
public:
    using Unfinished = std::function<void(const DatabaseError& rollbackFailure)>;
    // Begins; throws what the begin threw.
    Transaction(Connection& connection, Unfinished unfinished);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    // Throws what the commit threw; the transaction is then still there to roll back.
    void commit();
    void rollback();
    // The connection is gone, and its transaction with it: nothing is left to roll back.
    void abandon() { open_ = false; }
    bool open() const { return open_; }

private:
    Connection& connection_;
    Unfinished unfinished_;
    bool open_ = false;
};

}  // namespace tess
