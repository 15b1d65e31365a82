#pragma once
// "Send Table/s To Firebird": copies the selected SQL Server tables, bottom of the list first.
#include "transfer/transfer_handler.h"

namespace tess {

class SendToFirebird : TransferHandler {
public:
    // The row INSERTs of a table run in one transaction, committed this often and at the table's end:
    // committing every row costs thirty times the time.
    static constexpr long long kRowsPerCommit = 10000;
    // With the companion's --bulk, where each row costs a tenth as much, commits come as seldom.
    static constexpr long long kBulkRowsPerCommit = 100000;

    using TransferHandler::TransferHandler;
    void PushButton3_Click();
};

}  // namespace tess
