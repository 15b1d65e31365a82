// Copies a generated SQL Server table of ten mixed columns into an embedded Firebird database with
// the "Send Table/s To Firebird" handler, and writes the same INSERT statements as an isql script,
// so that bench/run can time both on the same machine. The source streams: no row is kept.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>

#include "platform/memory_table_list.h"
#include "common/operation_guard.h"
#include "connect/logins.h"
#include "platform/console_toolkit.h"
#include "platform/drivers/drivers_database.h"
#include "split_database.h"
#include "temp_folder.h"
#include "transfer/firebird_insert.h"
#include "transfer/firebird_mapping.h"
#include "transfer/send_to_firebird.h"

using namespace tess;

namespace {

const std::vector<FieldInfo> kColumns = {
    {"ID", 3, 4, 10, 0},        {"CODE", 20, 8, 19, 0},   {"NAME", 200, 40, 255, 0}, {"PRICE", 131, 19, 19, 4},
    {"RATIO", 5, 8, 15, 0},     {"QTY", 2, 2, 5, 0},      {"PLACED", 135, 16, 23, 3}, {"DAY", 133, 10, 255, 0},
    {"FLAG", 11, 2, 255, 0},    {"SCORE", 4, 4, 7, 0},
};

std::vector<Value> Row(long long i) {
    return {std::int64_t{i},
            std::int64_t{i * 1000003},
            "name " + std::to_string(i) + " O'Brien",
            Decimal{std::to_string(i / 7) + "." + std::to_string(1000 + i % 9000).substr(0, 4)},
            Floating{i / 3.0, false},
            std::int64_t{i % 30000},
            DateTime{2014, 5, 20, static_cast<int>(i / 3600 % 24), static_cast<int>(i / 60 % 60),
                     static_cast<int>(i % 60), static_cast<std::uint32_t>(i % 10000) * 100000u},
            DateTime{2000 + static_cast<int>(i % 20), 1 + static_cast<int>(i % 12), 1 + static_cast<int>(i % 28)},
            i % 2 == 0,
            Floating{static_cast<float>(i) / 8, true}};
}

class GeneratedRows : public Recordset {
public:
    explicit GeneratedRows(long long rows) : rows_(rows), row_(Row(0)) {}
    int fieldCount() const override { return static_cast<int>(kColumns.size()); }
    const FieldInfo& field(int index) const override { return kColumns.at(index); }
    const Value& value(int index) const override { return row_.at(index); }
    long long recordCount() const override { return rows_; }
    bool eof() const override { return at_ >= rows_; }
    void moveNext() override {
        if (++at_ < rows_) row_ = Row(at_);
    }
    void close() override {}

private:
    long long rows_, at_ = 0;
    std::vector<Value> row_;
};

class GeneratedSqlServer : public Database {
public:
    explicit GeneratedSqlServer(long long rows) : rows_(rows) {}
    std::unique_ptr<Connection> createConnection() override {
        struct C : Connection {
            long long rows;
            void setCursorLocation(int) override {}
            void setCommandTimeout(int) override {}
            void setConnectionTimeout(int) override {}
            void open(const std::string&) override {}
            void execute(const std::string&) override {}
            void executeWith(const std::string&, const std::vector<Value>&) override {}
            void beginTransaction() override {}
            void commitTransaction() override {}
            std::unique_ptr<Recordset> openSchema(int) override { return nullptr; }
            std::unique_ptr<Recordset> openRecordset(const std::string&, int, int) override {
                return std::make_unique<GeneratedRows>(rows);
            }
            void close() override {}
        };
        auto c = std::make_unique<C>();
        c->rows = rows_;
        return c;
    }

private:
    long long rows_;
};

struct Logins : LoginSource {
    FirebirdLogin firebird;
    SqlServerLogin sqlServerLogin() const override { return {"generated", "1433", "bench", "sa", "", false}; }
    FirebirdLogin firebirdLogin() const override { return firebird; }
};

long PeakResidentKb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

int Copy(long long rows, const std::string& path) {
    CreateFirebirdDatabase(path);
    GeneratedSqlServer source(rows);
    DriversDatabase drivers;
    SplitDatabase database(source, drivers);
    Logins logins;
    logins.firebird = {path, "SYSDBA", ""};
    ConsoleToolkit toolkit(std::cerr, kAnswerYes);
    MemoryTableList list1({"MIXED"}), list2;
    list1.setSelected(0, true);
    list1.setListIndex(0);
    ConsoleProgressBar progress;
    ConsoleWindow window;
    OperationGuard guard;
    SendToFirebird handler(database, toolkit, logins, {list1, list2, progress, window, {}}, guard);
    const auto start = std::chrono::steady_clock::now();
    handler.PushButton3_Click();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("rows=%lld seconds=%.2f rows_per_s=%.0f peak_kb=%ld errors=%d\n", rows, seconds, rows / seconds,
                PeakResidentKb(), toolkit.errorReports());
    return toolkit.errorReports() == 0 ? 0 : 1;
}

// The same statements, in one transaction, for isql.
int Script(long long rows, const std::string& database, const std::string& file) {
    std::ofstream out(file);
    out << "CONNECT '" << database << "' USER 'SYSDBA';\n";
    const auto definition = MapColumnsToFirebird("MIXED", kColumns);
    out << definition.createStatement << ";\nCOMMIT;\nSET AUTODDL OFF;\n";
    for (long long i = 0; i < rows; ++i) out << RenderFirebirdInsert("MIXED", definition.numeric, Row(i)).text << ";\n";
    out << "COMMIT;\n";
    return out ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 3 ? argv[1] : "";
    if (mode == "copy") return Copy(std::atoll(argv[2]), argv[3]);
    if (mode == "script" && argc > 4) {
        CreateFirebirdDatabase(argv[3]);
        return Script(std::atoll(argv[2]), argv[3], argv[4]);
    }
    std::fprintf(stderr, "usage: copy_to_firebird copy ROWS DATABASE | copy_to_firebird script ROWS DATABASE FILE\n");
    return 2;
}
