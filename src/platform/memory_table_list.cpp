#include "platform/memory_table_list.h"

#include <stdexcept>

#include "common/text_case.h"

namespace tess {

MemoryTableList::MemoryTableList(const std::vector<std::string>& entries) {
    for (const auto& e : entries) addItem(e);
}

void MemoryTableList::addItem(const std::string& text) {
    int at = SortedInsertPosition(entries_, text, [](const Entry& e) { return e.text; });
    entries_.insert(entries_.begin() + at, Entry{text, false});
}

void MemoryTableList::removeItem(int index) {
    if (index < 0 || index >= listCount()) throw std::out_of_range("Invalid procedure call or argument");
    entries_.erase(entries_.begin() + index);
    if (current_ >= listCount()) current_ = listCount() - 1;
}

void MemoryTableList::clear() {
    entries_.clear();
    current_ = -1;
}

std::vector<std::string> MemoryTableList::items() const {
    std::vector<std::string> out;
    for (const auto& e : entries_) out.push_back(e.text);
    return out;
}

}  // namespace tess
