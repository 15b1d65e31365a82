#pragma once
// A new Firebird database in a temp folder, the SQL Server side scripted by the fake, and the tables
// window's controls as the send handlers take them: the ground of the transfer tests.
#include <gtest/gtest.h>

#include "common/operation_guard.h"
#include "connect/connection_strings.h"
#include "fakes/engine_copy.h"
#include "fakes/fake_database.h"
#include "fakes/fake_toolkit.h"
#include "fakes/fixed_logins.h"
#include "platform/drivers/drivers_database.h"
#include "split_database.h"
#include "temp_folder.h"
#include "tables/send_to_firebird.h"
#include "tables/send_to_sqlserver.h"

namespace tess {

class FirebirdTarget : public testing::Test {
protected:
    // The new database's default character set; empty: Firebird's own default.
    virtual std::string defaultCharacterSet() const { return ""; }
    void SetUp() override { useDatabase("target.fdb"); }
    // Makes a new database in the folder and points the Firebird login at it.
    void useDatabase(const std::string& name, int dialect = 3) {
        logins.firebird = {folder.file(name), "SYSDBA", ""};
        CreateFirebirdDatabase(logins.firebird.database, defaultCharacterSet(), dialect);
    }
    std::unique_ptr<Connection> firebird() {
        auto c = drivers.createConnection();
        c->open(FirebirdSettings(logins.firebird));
        return c;
    }
    void select(FakeTableList& list, const std::string& name) {
        list.addItem(name);
        for (int i = 0; i < list.listCount(); ++i)
            if (list.item(i) == name) list.setSelected(i, true), list.setListIndex(i);
    }
    TablesWindowControls controls() { return {list1, list2, progress, window}; }
    // Sends one table of the scripted SQL Server side through the tables window's button, or with
    // --bulk as the companion sends it (in blocks of at most `blockRows` rows, when given).
    void sendToFirebird(const std::string& table, const FakeResult& source, bool bulk = false, size_t blockRows = 0) {
        sqlServer.results["SELECT * FROM [" + table + "]"] = source;
        if (bulk) {
            RecordingObserver observer(ui, "in Orvenda5/20/2014.Form2.PushButton3_Click ");
            CopyThroughEngine(db, logins, {.toFirebird = true, .bulk = true, .blockRows = blockRows}, list2,
                              {table}, observer);
            return;
        }
        select(list1, table);
        SendToFirebird(db, ui, logins, controls(), guard).PushButton3_Click();
        list1.clear();
    }
    // What the SQL Server side answers when a table's widest numbers are measured before the copy:
    // the columns of more than `digits` digits and their largest values.
    void scriptWideNumbers(const std::string& table, const std::vector<std::string>& columns,
                           const std::vector<Value>& largest, int digits = 18) {
        FakeResult wide, values;
        wide.fields = {{"COLUMN_NAME", 202, 128, 255, 0}};
        std::string maxima;
        for (const auto& c : columns) {
            wide.rows.push_back({c});
            values.fields.push_back({"", 131, 17, 38, 10});
            maxima += (maxima.empty() ? "" : ", ") + std::string("MAX(ABS([") + c + "]))";
        }
        values.rows = {largest};
        sqlServer.results[std::string("SELECT COLUMN_NAME FROM INFORMATION_SCHEMA.COLUMNS WHERE TABLE_SCHEMA = SCHEMA_NAME() AND "
                          "TABLE_NAME = ? AND DATA_TYPE IN ('decimal', 'numeric', 'money'") +
                          (digits == 9 ? ", 'bigint'" : "") + ") AND NUMERIC_PRECISION > " + std::to_string(digits) +
                          " ORDER BY ORDINAL_POSITION with " + table] = wide;
        sqlServer.results["SELECT " + maxima + " FROM [" + table + "]"] = values;
    }
    std::vector<std::vector<Value>> rows(const std::string& query) {
        auto c = firebird();
        auto rs = c->openRecordset(query);
        std::vector<std::vector<Value>> out;
        for (; !rs->eof(); rs->moveNext()) {
            out.emplace_back();
            for (int j = 0; j < rs->fieldCount(); ++j) out.back().push_back(rs->value(j));
        }
        return out;
    }
    std::string reports() const {
        std::string all;
        for (const auto& box : ui.boxes) all += box.text + "\n";
        return all;
    }

    TempFolder folder;
    FakeDatabase sqlServer;
    DriversDatabase drivers;
    SplitDatabase db{sqlServer, drivers};
    FakeToolkit ui;
    FixedLogins logins;
    FakeTableList list1, list2;
    FakeProgressBar progress;
    FakeWindow window;
    OperationGuard guard;
};

}  // namespace tess
