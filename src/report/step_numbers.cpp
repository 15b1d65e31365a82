#include "report/step_numbers.h"

namespace tess {

int TableSteps::of(CopyStage stage) const {
    switch (stage) {
        case CopyStage::kListed: return listed;
        case CopyStage::kAsk: return ask;
        case CopyStage::kOpenSource: return openSource;
        case CopyStage::kDrop: return drop;
        case CopyStage::kColumns: return columns;
        case CopyStage::kCreate: return create;
        case CopyStage::kCount: return count;
        case CopyStage::kBegin: return begin;
        case CopyStage::kEof: return eof;
        case CopyStage::kCommitBatch: return commitBatch;
        case CopyStage::kReadRow: return readRow;
        case CopyStage::kInsert: return insert;
        case CopyStage::kMoveNext: return moveNext;
        case CopyStage::kCommit: return commit;
        case CopyStage::kCloseSource: return closeSource;
    }
    return 0;
}

}  // namespace tess
