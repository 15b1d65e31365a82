#pragma once
// What the connection and its recordsets share: the client library's entry points and the
// attachment, which lives until the last of them is done with it.
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
};

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
