#pragma once
// Two connections a test opened itself, handed to a transfer that may not open them again.
#include "platform/database.h"
#include "transfer/transfer_run.h"

namespace tess {

struct FixedEnds : TransferEnds {
    FixedEnds(Connection& source, Connection& target) : source_(source), target_(target) {}
    Connection* source() override { return &source_; }
    Connection* target() override { return &target_; }
    void reopen() override { throw DatabaseError("not made again here"); }

private:
    Connection& source_;
    Connection& target_;
};

}  // namespace tess
