#pragma once
#include "platform/firebird/fb_session.h"
#include "platform/value.h"

namespace tess {

// Where a marker's value goes in the message, read once from the metadata.
struct FirebirdParameterSlot {
    unsigned type = 0, length = 0, offset = 0, nullOffset = 0;
    int scale = 0;  // of a NUMERIC or DECIMAL kept in an integer
    static FirebirdParameterSlot Of(Firebird::ThrowStatusWrapper* status, Firebird::IMessageMetadata* input,
                                    unsigned index);
};

// Writes one value into an input message: text and binary (as a blob where the column is one),
// floating point, integers, scaled numbers, dates, times and booleans as their binary forms where
// the marker takes them, converted as the engine converts a literal (a scaled number rounded half
// away from zero, its range the storage's).
void WriteFirebirdParameter(FirebirdSession& session, Firebird::ThrowStatusWrapper* status,
                            Firebird::ITransaction* transaction, const FirebirdParameterSlot& slot,
                            const Value& value, unsigned char* message);
void WriteFirebirdParameter(FirebirdSession& session, Firebird::ThrowStatusWrapper* status,
                            Firebird::ITransaction* transaction, Firebird::IMessageMetadata* input, unsigned index,
                            const Value& value, unsigned char* message);

}  // namespace tess
