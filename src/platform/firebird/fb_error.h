#pragma once
#include <firebird/Interface.h>

#include "platform/database.h"

namespace tess {

// Carries Firebird's formatted status vector, as isql would print it.
class FirebirdError : public DatabaseError {
public:
    using DatabaseError::DatabaseError;
};

// A value our own binding refuses before the engine sees it, refused as the engine would refuse it:
// the row's own values, with the engine's code for it.
FirebirdError RefusedValue(long gdsCode, const std::string& words);

std::string FormatFirebirdStatus(Firebird::IUtil* util, const Firebird::IStatus* status);
// The status vector's error codes, and what they say: that the attachment or the database can take
// no more (shutdown, a lost or failed network link, an I/O error, a full disk among them), or that
// a lock wait timed out.
DatabaseError::Details FirebirdErrorDetails(const Firebird::IStatus* status);
// Runs a call against the client library, turning its exceptions into FirebirdError.
template <class F>
decltype(auto) CallFirebird(Firebird::IUtil* util, F&& call) {
    try {
        return call();
    } catch (const Firebird::FbException& e) {
        throw FirebirdError(FormatFirebirdStatus(util, e.getStatus()), FirebirdErrorDetails(e.getStatus()));
    }
}

}  // namespace tess
