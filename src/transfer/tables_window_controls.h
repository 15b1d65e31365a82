#pragma once
// What the transfers use of the tables window.
#include <functional>
#include <string>

namespace tess {

class SqlServerTableNames;
class StopRequest;
struct TableOutcome;
class TableList;
class ProgressBar;
class Window;

struct TablesWindowControls {
    TableList& sqlServerList;  // List1
    TableList& firebirdList;   // List2
    ProgressBar& progressBar;  // ProgressBar1
    Window& window;
    // Told after each row sent: table, rows done, rows in all (-1 when unknown). May be empty.
    std::function<void(const std::string&, long long, long long)> rowsSent{};
    // Which schema each List1 entry names, as the listing recorded it. May be empty: then every
    // entry names a table of the default schema.
    SqlServerTableNames* sqlServerNames = nullptr;
    // Asks a running transfer to commit what it wrote and end. May be empty.
    const StopRequest* stop = nullptr;
    // Told how far each table got. May be empty.
    std::function<void(const TableOutcome&)> tableDone{};
    // The companion's --bulk: rows go through one prepared INSERT per table instead of a literal
    // statement each. Off for the windows.
    bool bulk = false;
};

}  // namespace tess
