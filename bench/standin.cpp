// The SQL Server side of the copy benchmarks: SQLite's ODBC driver registered as "SQL Server" (the
// caller's odbcinst.ini), read through the program's own ODBC layer.
//   standin fill DB ROWS          a table BIG of ten mixed columns, ROWS rows
//   standin fill-many DB N ROWS   N such tables of ROWS rows each, T0001 to T<N>
//   standin fill-memo DB ROWS     MEMO: short memos, a long one now and then, a note, a small picture
//   standin read DB [TABLE]       reads every row (of BIG): the driver's own time and memory
//   standin script DB FDB FILE [--table-by-table] [TABLE...]
//                                 the windows' path's very CREATE and INSERTs for BIG (or the
//                                 tables named), as an isql script: every table made, then every
//                                 row in one transaction; or, table by table, each table made,
//                                 filled and committed in turn, as the program does
//   standin replay FDB FILE       runs that script's statements from memory through the program's
//                                 own Firebird connection, committing as the program does: the
//                                 floor of any copier that sends a literal INSERT a row
//   standin huge DB MB ROWS       a table HUGE of ROWS rows, each an ID and a text of MB megabytes
//   standin create-fdb FDB        an empty Firebird database
//   standin target DB             the table that read_firebird fills, in types SQLite reads, named
//                                 MIXEDSYS: the listing leaves out names with "SYS", so the copy asks
//                                 no question, its CREATE is refused and its rows land in this table
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "connect/connection_strings.h"
#include "peak_memory.h"
#include "platform/drivers/drivers_database.h"
#include "platform/odbc/odbc_locale.h"
#include "temp_folder.h"
#include "transfer/firebird_insert.h"
#include "transfer/firebird_mapping.h"
#include "transfer/to_firebird.h"
#include "transfer/value_text.h"

using namespace tess;

namespace {

std::unique_ptr<Connection> Open(Database& db, const std::string& file) {
    auto c = db.createConnection();
    c->open(SqlServerSettings({"localhost", "1433", file, "sa", "", false}));
    return c;
}

void Fill(Connection& c, const std::string& table, const std::string& rows) {
    c.execute("CREATE TABLE " + table + " (ID INTEGER, CODE BIGINT, NAME VARCHAR(40), PRICE NUMERIC(18,4), "
              "RATIO DOUBLE, QTY SMALLINT, PLACED TIMESTAMP, DAY DATE, FLAG BIT, SCORE REAL)");
    c.execute("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " + rows + ") INSERT INTO " +
              table + " SELECT i, i * 1000003, 'name ' || i || ' O''Brien', i / 7.0, i / 3.0, i % 30000, "
              "datetime(1400000000 + i, 'unixepoch'), date(946684800 + (i % 7000) * 86400, 'unixepoch'), i % 2, "
              "i / 8.0 FROM n");
}

// The tables people have: a memo of short notes with a long one now and then (56 to 430 KB), a
// note of an NVARCHAR(4000), a small picture with zero bytes in it.
void FillMemo(Connection& c, const std::string& rows) {
    c.execute("CREATE TABLE MEMO (ID INTEGER, MEMO TEXT, NOTE NVARCHAR(4000), PIC BLOB)");
    c.execute("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " + rows +
              ") INSERT INTO MEMO SELECT i, CASE WHEN i % 500 = 250 "
              "THEN replace(hex(zeroblob(5000 + (i % 8) * 4500)), '00', 'Notiz für ') "
              "ELSE substr(replace(hex(zeroblob(200)), '00', 'Anmerkung zur Bestellung, Rückruf erbeten; '), 1, "
              "40 + (i * 37) % 360) END, 'Kunde ' || i || ' – café crème № ' || (i % 97), "
              "randomblob(100 + (i % 5) * 100) FROM n");
}

std::string ManyName(int t) {
    char name[16];
    std::snprintf(name, sizeof name, "T%04d", t);
    return name;
}

FirebirdTableDefinition Definition(Recordset& rows, const std::string& table) {
    std::vector<SourceColumn> columns;
    for (int j = 0; j < rows.fieldCount(); ++j) columns.push_back(rows.field(j));
    return MapColumnsToFirebird(table, columns, FirebirdDefaultCharacterSet::Limited);
}

// The statement with each marker outside a quoted literal replaced by its value's text: isql takes
// no markers, and the values the program sends as parameters (a double such as 1e+05, whose literal
// Firebird would read inexactly) are exact enough for a reference's timing.
std::string Inline(const Statement& statement) {
    if (statement.parameters.empty()) return statement.text;
    std::string out;
    bool quoted = false;
    size_t next = 0;
    for (char c : statement.text) {
        if (c == '\'') quoted = !quoted;
        if (c == '?' && !quoted && next < statement.parameters.size()) {
            out += ValueText(statement.parameters[next++]);
            continue;
        }
        out += c;
    }
    return out;
}

// The table's INSERTs, written as they are read: a script of millions of rows is never held whole.
void ScriptRows(Connection& c, const std::string& table, std::ostream& out) {
    auto rs = c.openRecordset("SELECT * FROM [" + table + "]");
    const auto definition = Definition(*rs, table);
    std::vector<Value> row;
    for (; !rs->eof(); rs->moveNext()) {
        row.clear();
        for (int j = 0; j < rs->fieldCount(); ++j) row.push_back(rs->value(j));
        out << Inline(RenderFirebirdInsert(table, definition.numeric, row, definition.dateOnly)) << ";\n";
    }
}

// standin script DB FDB FILE [--table-by-table] [TABLE...]
int Script(Database& db, int argc, char** argv) {
    CreateFirebirdDatabase(argv[3]);
    auto c = Open(db, argv[2]);
    const bool tableByTable = argc > 5 && std::string(argv[5]) == "--table-by-table";
    std::vector<std::string> tables(argv + (tableByTable ? 6 : 5), argv + argc);
    if (tables.empty()) tables.push_back("BIG");
    std::ofstream out(argv[4]);
    // The very tables and connection the program makes: UTF-8 text columns on a NONE database,
    // an attachment in UTF8, so that isql converts as much text as the program does.
    out << "SET NAMES UTF8;\nCONNECT '" << argv[3] << "' USER 'SYSDBA';\n";
    auto create = [&](const std::string& table) {
        out << Definition(*c->openRecordset("SELECT * FROM [" + table + "]"), table).createStatement << ";\n";
    };
    if (tableByTable) {  // AUTODDL commits each CREATE, as the program does before the rows
        for (const std::string& table : tables) {
            create(table);
            ScriptRows(*c, table, out);
            out << "COMMIT;\n";
        }
        return out ? 0 : 1;
    }
    for (const std::string& table : tables) create(table);
    out << "COMMIT;\nSET AUTODDL OFF;\n";
    for (const std::string& table : tables) ScriptRows(*c, table, out);
    out << "COMMIT;\n";
    return out ? 0 : 1;
}

// standin replay FDB FILE
int Replay(Database& db, const std::string& fdb, const std::string& file) {
    std::ifstream in(file);
    std::vector<std::string> statements;
    for (std::string line; std::getline(in, line);)
        if (line.starts_with("CREATE TABLE") || line.starts_with("INSERT INTO"))
            statements.push_back(line.substr(0, line.size() - 1));  // without the isql terminator
    CreateFirebirdDatabase(fdb);
    auto c = db.createConnection();
    c->open(FirebirdSettings({fdb, "SYSDBA", ""}));
    c->execute(statements.front());
    c->beginTransaction();
    for (size_t i = 1; i < statements.size(); ++i) {
        if (i % kFirebirdRowsPerCommit == 0) {
            c->commitTransaction();
            c->beginTransaction();
        }
        c->execute(statements[i]);
    }
    c->commitTransaction();
    c->close();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    UseUtf8CharacterSet();
    const std::string mode = argc > 2 ? argv[1] : "";
    DriversDatabase db;
    if (mode == "create-fdb") {
        CreateFirebirdDatabase(argv[2]);
        return 0;
    }
    if (mode == "fill" && argc > 3) {
        auto c = Open(db, argv[2]);
        Fill(*c, "BIG", argv[3]);
        c->close();
        return 0;
    }
    if (mode == "fill-memo" && argc > 3) {
        auto c = Open(db, argv[2]);
        FillMemo(*c, argv[3]);
        c->close();
        return 0;
    }
    if (mode == "fill-many" && argc > 4) {
        auto c = Open(db, argv[2]);
        for (int t = 1; t <= std::atoi(argv[3]); ++t) Fill(*c, ManyName(t), argv[4]);
        c->close();
        return 0;
    }
    if (mode == "huge" && argc > 4) {
        auto c = Open(db, argv[2]);
        c->execute("CREATE TABLE HUGE (ID INTEGER, BODY TEXT)");
        const long long bytes = std::atoll(argv[3]) * 1000000;
        c->execute("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " + std::string(argv[4]) +
                   ") INSERT INTO HUGE SELECT i, hex(zeroblob(" + std::to_string(bytes / 2) + ")) FROM n");
        c->close();
        return 0;
    }
    if (mode == "target") {
        auto c = Open(db, argv[2]);
        c->execute("CREATE TABLE [MIXEDSYS]([ID] INT,[CODE] BIGINT,[NAME] TEXT,[PRICE] DECIMAL(19,4),[RATIO] FLOAT,"
                   "[QTY] INT,[PLACED] TEXT,[DAY_] TEXT,[FLAG] TEXT,[NOTE] TEXT)");
        c->close();
        return 0;
    }
    if (mode == "read") {
        auto c = Open(db, argv[2]);
        const auto start = std::chrono::steady_clock::now();
        auto rs = c->openRecordset("SELECT * FROM [" + std::string(argc > 3 ? argv[3] : "BIG") + "]");
        long long rows = 0;
        for (; !rs->eof(); rs->moveNext()) ++rows;
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("rows=%lld seconds=%.2f peak_kb=%ld\n", rows, seconds, PeakResidentKb());
        return 0;
    }
    if (mode == "script" && argc > 4) return Script(db, argc, argv);
    if (mode == "replay" && argc > 3) return Replay(db, argv[2], argv[3]);
    std::fprintf(stderr,
                 "usage: standin fill DB ROWS | fill-many DB N ROWS | fill-memo DB ROWS | read DB | "
                 "script DB FDB FILE [--table-by-table] [TABLE...] | replay FDB FILE | create-fdb FDB\n");
    return 2;
}
