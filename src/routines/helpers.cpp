#include "routines/helpers.h"

#include <filesystem>
#include <system_error>

#include "common/text_case.h"
#include "platform/database.h"
#include "platform/toolkit.h"

namespace tess {

bool ListContains(const TableList& list, const std::string& text) {
    const std::string wanted = LowerCase(text);
    bool found = false;
    for (int i = 0; i < list.listCount(); ++i)
        if (LowerCase(list.item(i)) == wanted) found = true;
    return found;
}

void ListRemoveItem(TableList& list, const std::string& text) {
    for (int i = 0; i < list.listCount();) {
        if (list.item(i) == text)
            list.removeItem(i);  // the next entry has moved into index i
        else
            ++i;
    }
}

std::vector<std::string> ListItems(const TableList& list) {
    std::vector<std::string> items;
    for (int i = 0; i < list.listCount(); ++i) items.push_back(list.item(i));
    return items;
}

void ListFill(TableList& list, const std::vector<std::string>& items) {
    list.clear();
    for (const auto& item : items) list.addItem(item);
}

Value NullToDefault(const Value& value, const Value& fallback) { return IsNull(value) ? fallback : value; }

bool FileExists(const std::string& path) {
    if (path.empty()) return false;
    std::error_code error;
    (void)std::filesystem::last_write_time(path, error);
    return !error;
}

bool ExecuteSql(Connection& connection, const std::string& sql) {
    connection.execute(sql);
    return false;
}

Position CenteredPosition(double screenWidth, double screenHeight, double windowWidth, double windowHeight) {
    return {(screenWidth - windowWidth) / 2, (screenHeight - windowHeight) / 2};
}

void CenterForm(Window& window, const Toolkit& toolkit) {
    Position p = CenteredPosition(toolkit.screenWidth(), toolkit.screenHeight(), window.width(), window.height());
    window.move(p.left, p.top);
}

}  // namespace tess

namespace tess {

}  // namespace tess

namespace tess {

int ListFindTable(const TableList& list, const std::string& text) {
    for (int i = 0; i < list.listCount(); ++i)
        if (list.item(i) == text) return i;
    const std::string wanted = LowerCase(text);
    for (int i = 0; i < list.listCount(); ++i)
        if (LowerCase(list.item(i)) == wanted) return i;
    return -1;
}

}  // namespace tess
