#pragma once
// "Send Table/s To Firebird": copies the selected SQL Server tables, bottom of the list first.
#include "tables/transfer_handler.h"

namespace tess {

class SendToFirebird : TransferHandler {
public:
    using TransferHandler::TransferHandler;
    void PushButton3_Click();
};

}  // namespace tess
