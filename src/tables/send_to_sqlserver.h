#pragma once
// "Send Table/s To SQL Server": copies the selected Firebird tables, bottom of the list first.
#include "tables/transfer_handler.h"

namespace tess {

class SendToSqlServer : TransferHandler {
public:
    using TransferHandler::TransferHandler;
    void PushButton4_Click();
};

}  // namespace tess
