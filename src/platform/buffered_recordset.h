#pragma once
// What both adapters' recordsets share: the result's fields, the one current row held in memory,
// the count taken beforehand, and ADO's checks on a recordset used out of turn, thrown in the
// adapter's own error type.
#include <vector>

#include "platform/database.h"
#include "platform/object_state.h"

namespace tess {

template <class Error>
class BufferedRecordset : public Recordset {
public:
    int fieldCount() const override { return static_cast<int>(fields_.size()); }
    const FieldInfo& field(int index) const override { return fields_.at(index); }
    const Value& value(int index) const override {
        RequireCurrentRecord<Error>(isOpen(), eof_);
        return row_.at(index);
    }
    long long recordCount() const override { return recordCount_; }
    bool eof() const override { return eof_; }
    void moveNext() override {
        RequireCurrentRecord<Error>(isOpen(), eof_);
        fetch();
    }
    const std::vector<Value>* currentRow() const override { return eof_ ? nullptr : &row_; }
    bool takeCurrentRow(std::vector<Value>& into) override {
        if (eof_) return false;
        into.swap(row_);
        return true;
    }

protected:
    virtual bool isOpen() const = 0;
    // Reads the next row into row_, or sets eof_ and clears it.
    virtual void fetch() = 0;
    void requireOpen() const { RequireOpen<Error>(isOpen()); }
    void endOfRows() {
        eof_ = true;
        row_.clear();
    }

    std::vector<FieldInfo> fields_;
    std::vector<Value> row_;
    long long recordCount_ = -1;
    bool eof_ = false;
};

}  // namespace tess
