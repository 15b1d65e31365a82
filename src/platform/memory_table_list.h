#pragma once
// A table list held in memory: the headless companion's lists, and the tests'.
#include <string>
#include <vector>

#include "platform/toolkit.h"

namespace tess {

class MemoryTableList : public TableList {
public:
    MemoryTableList() = default;
    explicit MemoryTableList(const std::vector<std::string>& entries);

    int listCount() const override { return static_cast<int>(entries_.size()); }
    std::string item(int index) const override { return entries_.at(index).text; }
    bool selected(int index) const override { return entries_.at(index).selected; }
    void setSelected(int index, bool selected) override { entries_.at(index).selected = selected; }
    int listIndex() const override { return current_; }
    void addItem(const std::string& text) override;
    void removeItem(int index) override;
    void clear() override;

    void setListIndex(int index) { current_ = index; }
    std::vector<std::string> items() const;

private:
    struct Entry {
        std::string text;
        bool selected = false;
    };
    std::vector<Entry> entries_;
    int current_ = -1;
};

}  // namespace tess
