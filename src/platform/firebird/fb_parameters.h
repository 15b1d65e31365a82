#pragma once
#include "platform/firebird/fb_session.h"
#include "platform/value.h"

namespace tess {

// Writes one text or binary value into an input message, as a blob where the column is one.
void WriteFirebirdParameter(FirebirdSession& session, Firebird::ThrowStatusWrapper* status,
                            Firebird::ITransaction* transaction, Firebird::IMessageMetadata* input, unsigned index,
                            const Value& value, unsigned char* message);

}  // namespace tess
