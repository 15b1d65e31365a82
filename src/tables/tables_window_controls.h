#pragma once
// What the send handlers use of the tables window.
namespace tess {

class SqlServerTableNames;
class StopRequest;
class TableList;
class ProgressBar;
class Window;

struct TablesWindowControls {
    TableList& sqlServerList;  // List1
    TableList& firebirdList;   // List2
    ProgressBar& progressBar;  // ProgressBar1
    Window& window;
    // Which schema each List1 entry names, as the listing recorded it. May be empty: then every
    // entry names a table of the default schema.
    SqlServerTableNames* sqlServerNames = nullptr;
    // Set when the window is closed during a transfer: the transfer commits what it wrote and ends.
    // May be empty.
    const StopRequest* stop = nullptr;
};

}  // namespace tess
