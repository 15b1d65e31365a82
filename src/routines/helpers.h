#pragma once
// Small routines that the windows and the transfers share. None keeps state; all but FileExists
// let failures pass to the calling handler's trap.
#include <string>
#include <vector>

#include "platform/value.h"

namespace tess {

class TableList;
class Connection;
class Window;
class Toolkit;

// True when some entry equals the text without regard to case. Visits every entry.
bool ListContains(const TableList& list, const std::string& text);
// Removes every entry equal to the text exactly (case-sensitive, no trimming).
void ListRemoveItem(TableList& list, const std::string& text);
// Every entry, in the list's order.
std::vector<std::string> ListItems(const TableList& list);
// The list emptied and given these entries, in this order.
void ListFill(TableList& list, const std::vector<std::string>& items);
Value NullToDefault(const Value& value, const Value& fallback);
// True when the file system can tell the path's last-modified time; never throws.
bool FileExists(const std::string& path);
// Hands one statement to the connection. Always false; the callers ignore it.
bool ExecuteSql(Connection& connection, const std::string& sql);

struct Position {
    double left = 0, top = 0;
};
Position CenteredPosition(double screenWidth, double screenHeight, double windowWidth, double windowHeight);
void CenterForm(Window& window, const Toolkit& toolkit);

}  // namespace tess
