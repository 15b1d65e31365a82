// verify: the named tables against their copies, through the engine's verification; said a line a
// table, the differences and the keys after it.
#include "app/copy/commands.h"
#include "app/copy/console.h"
#include "app/copy/copy_command.h"
#include "app/copy/stall_limits.h"
#include "app/copy/table_choice.h"
#include "common/printable_text.h"
#include "common/stop_request.h"
#include "connect/connection_strings.h"
#include "connect/reconnect.h"
#include "platform/database.h"
#include "transfer/verification_run.h"

namespace tess {
namespace {

class VerifyPrinter : public VerificationObserver {
public:
    VerifyPrinter(Console& console, std::ostream& out, bool sample) : console_(console), out_(out), sample_(sample) {}

    void rowsRead(const std::string& table, const char* side, long long done) override {
        console_.rowsSent(table + " (" + side + ")", done, -1);
    }
    void tableCompared(const TableComparison& c) override {
        console_.endProgressLine();
        out_ << "table " << PrintableText(c.table) << ": ";
        using Status = TableComparison::Status;
        switch (c.status) {
            case Status::kCompared: printRows(c.rows); break;
            case Status::kNotCompared: out_ << "not compared\n"; break;
            case Status::kStopped: out_ << c.why << "\n"; break;
            case Status::kNotComparable: out_ << "not verified: " << c.why << "\n"; break;
            case Status::kFailed: out_ << "cannot be compared: " << c.why << "\n"; break;
        }
        if (c.keys) printKeys(*c.keys);
    }

private:
    void printRows(const VerificationResult& r) {
        out_ << "source " << r.sourceRows << " rows, target " << r.targetRows << " rows, matching " << r.matching
             << ", only in source " << r.onlyInSource << ", only in target " << r.onlyInTarget
             << (sample_ ? " (a sample)" : "") << ", " << (r.identical() ? "identical" : "DIFFERENT") << "\n";
        for (const auto& line : r.differences) out_ << "  " << line << "\n";
    }
    void printKeys(const KeysComparison& keys) {
        if (keys.failure) {
            out_ << "  keys: cannot be compared: " << Console::OneLine(*keys.failure) << "\n";
            return;
        }
        out_ << "  keys: ";
        if (keys.missing.empty()) out_ << "all there";
        for (size_t i = 0; i < keys.missing.size(); ++i)
            out_ << (i ? "; " : "MISSING ") << PrintableText(keys.missing[i]);
        out_ << "\n";
    }

    Console& console_;
    std::ostream& out_;
    bool sample_;
};

}  // namespace

// Each named table against its copy; "copied" when every one matches. A stop ends the table being
// compared, and names those not compared.
int VerifyTables(const CopyOptions& options, const StoredLogins& logins, Database& database, const ListedTables& listed,
                 const CommandEnds& ends) {
    std::unique_ptr<Connection> sqlServer, firebird;
    // A server that does not answer is given up within the stall time-out, connecting too.
    const int connecting = ConnectingWithin(options);
    try {
        sqlServer = database.createConnection();
        sqlServer->setConnectionTimeout(connecting);
        sqlServer->open(SqlServerSettings(logins.sqlServer));
        firebird = database.createConnection();
        firebird->setConnectionTimeout(connecting);
        firebird->open(FirebirdSettings(logins.firebird));
    } catch (const std::exception& e) {
        ends.console.say(Console::OneLine(e.what()));
        return kExitFailed;
    }
    VerificationPlan plan;
    plan.limits.stall = StallLimits(options).stall;
    plan.toFirebird = options.arguments[0] == "sqlserver-to-firebird";
    plan.sqlServerNames = &listed.sqlServerNames;
    plan.sample = options.sample;
    plan.keys = options.keys;
    plan.stop = ends.stop;
    const std::vector<std::string> named(options.arguments.begin() + 1, options.arguments.end());
    const TablesChosen chosen =
        TablesToCopy(plan.toFirebird ? listed.sqlServer : listed.firebird, named, options.choice,
                     plan.toFirebird ? &listed.sqlServerNames : nullptr, [&](const std::string& s) { ends.console.say(s); });
    plan.tables = chosen.tables;
    VerifyPrinter printer(ends.console, ends.out, options.sample > 0);
    bool identical = chosen.allFound;
    for (const auto& comparison : RunVerification(plan, {*sqlServer, *firebird}, printer))
        identical = identical && comparison.identical();
    return identical ? kExitCopied : kExitFailed;
}

}  // namespace tess
