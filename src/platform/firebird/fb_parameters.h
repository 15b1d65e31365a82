#pragma once
#include "platform/firebird/fb_session.h"
#include "platform/value.h"

namespace tess {

// Where a marker's value goes in the message, read once from the metadata.
struct FirebirdParameterSlot {
    unsigned type = 0, length = 0, offset = 0, nullOffset = 0;
    static FirebirdParameterSlot Of(Firebird::ThrowStatusWrapper* status, Firebird::IMessageMetadata* input,
                                    unsigned index);
};

// Writes one value into an input message: text and binary (as a blob where the column is one),
// floating point and integers as their binary forms where the marker takes them.
void WriteFirebirdParameter(FirebirdSession& session, Firebird::ThrowStatusWrapper* status,
                            Firebird::ITransaction* transaction, const FirebirdParameterSlot& slot,
                            const Value& value, unsigned char* message);
void WriteFirebirdParameter(FirebirdSession& session, Firebird::ThrowStatusWrapper* status,
                            Firebird::ITransaction* transaction, Firebird::IMessageMetadata* input, unsigned index,
                            const Value& value, unsigned char* message);

}  // namespace tess
