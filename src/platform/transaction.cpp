#include "platform/transaction.h"

namespace tess {

Transaction::Transaction(Connection& connection, Unfinished unfinished)
    : connection_(connection), unfinished_(std::move(unfinished)) {
    connection_.beginTransaction();
    open_ = true;
}

Transaction::~Transaction() {
    if (!open_) return;
    const auto tell = [this](const DatabaseError& e) noexcept {
        try {
            if (unfinished_) unfinished_(e);
        } catch (...) {  // a report that failed too has nowhere left to go
        }
    };
    try {
        connection_.rollbackTransaction();
    } catch (const DatabaseError& e) {
        tell(e);
    } catch (const std::exception& e) {
        tell(DatabaseError(e.what()));
    } catch (...) {
        tell(DatabaseError("Unknown error"));
    }
}

void Transaction::commit() {
    connection_.commitTransaction();
    open_ = false;
}

// Ended whatever the rollback says: a second try would meet the same.
void Transaction::rollback() {
    open_ = false;
    connection_.rollbackTransaction();
}

}  // namespace tess
