// tessaline-copy as a scheduler runs it, in a child process: stopped by SIGTERM, SIGINT or SIGHUP in the
// middle of a copy of 200,000 rows from the SQL Server stand-in into a real Firebird database.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>
#include <thread>

#include "connect/connection_strings.h"
#include "platform/drivers/drivers_database.h"
#include "temp_folder.h"

namespace tess {
namespace {

struct Finished {
    int status = -1;  // the exit status, or -1 when the child did not end in time
    std::string errorOutput, output;  // standard error, standard output
    double secondsAfterSignal = 0;
    std::string coreLimit;  // the running child's core file limit, soft and hard
};

// "Max core file size  0  0  bytes" of /proc/PID/limits, as "0 0": the passwords in memory never
// reach a core file.
std::string CoreFileLimit(pid_t pid) {
    std::ifstream limits("/proc/" + std::to_string(pid) + "/limits");
    for (std::string line; std::getline(limits, line);)
        if (line.rfind("Max core file size", 0) == 0) {
            std::istringstream fields(line.substr(18));
            std::string soft, hard;
            fields >> soft >> hard;
            return soft + " " + hard;
        }
    return "unknown";
}

// Starts the companion, sends `signals` one after the other once it has copied a while, and waits
// at most 20 s.
Finished CopyAndSignal(const std::vector<std::string>& args, std::vector<int> signals, const std::string& folder) {
    const int signal = signals.front();
    // A file of this run's own: the last run's progress must not pass for this one's.
    const std::string errorFile = folder + "/stderr-" + std::to_string(signal) + ".txt";
    const std::string outputFile = folder + "/stdout-" + std::to_string(signal) + ".txt";
    std::remove(errorFile.c_str());
    const pid_t child = fork();
    if (child == 0) {
        freopen(errorFile.c_str(), "w", stderr);
        freopen(outputFile.c_str(), "w", stdout);
        setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
        std::vector<char*> argv{const_cast<char*>(TESSALINE_COPY)};
        for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(TESSALINE_COPY, argv.data());
        _exit(127);
    }
    // Wait until rows are flowing: a progress line counts a row sent. A condition, not a delay:
    // under load the first rows come late. Into a file the progress is a line every two seconds,
    // the first at the first row: a fast machine copies the whole table before a second line.
    const std::regex rowsSent(R"((\d+) of \d+ rows)");
    for (int i = 0; i < 400; ++i) {
        std::ifstream in(errorFile);
        if (!in) {  // the child has not made it yet
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            continue;
        }
        std::stringstream text;
        text << in.rdbuf();
        const std::string progress = text.str();
        long long most = 0;
        for (auto m = std::sregex_iterator(progress.begin(), progress.end(), rowsSent); m != std::sregex_iterator(); ++m)
            most = std::max(most, std::stoll((*m)[1]));
        if (most >= 1) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    Finished f;
    f.coreLimit = CoreFileLimit(child);
    for (int each : signals) kill(child, each);
    const auto sent = std::chrono::steady_clock::now();
    for (int i = 0; i < 400; ++i) {
        int status = 0;
        if (waitpid(child, &status, WNOHANG) == child) {
            f.status = WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    f.secondsAfterSignal = std::chrono::duration<double>(std::chrono::steady_clock::now() - sent).count();
    if (f.status == -1) {
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
    }
    for (auto [file, text] : {std::pair{&errorFile, &f.errorOutput}, std::pair{&outputFile, &f.output}}) {
        std::ifstream in(*file);
        std::stringstream read;
        read << in.rdbuf();
        *text = read.str();
    }
    return f;
}

// A stand-in database of 200,000 rows in the table Big: a copy long enough to be stopped midway.
void MakeBigSource(DriversDatabase& db, const std::string& source) {
    auto c = db.createConnection();
    c->open(SqlServerSettings({"localhost", "1433", source, "sa", "", false}));
    c->execute("CREATE TABLE Big (ID INTEGER, NAME VARCHAR(40))");
    c->execute("WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n WHERE x < 200000) "
               "INSERT INTO Big SELECT x, 'row ' || x FROM n");
    c->close();
}

TEST(CompanionSignals, ASignalCommitsTheRowsWrittenAndSaysHowFar) {
    TempFolder folder;
    const std::string source = folder.file("source.db");
    DriversDatabase db;
    MakeBigSource(db, source);
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) {  // SIGHUP: the terminal closed; a stop like the others
        const std::string target = folder.file("target" + std::to_string(signal) + ".fdb");
        CreateFirebirdDatabase(target);
        const std::string json = folder.file("summary.json");
        std::ofstream(json) << R"({"tables": [{"table": "Big", "outcome": "complete"}], "exitStatus": 0})";
        const Finished f = CopyAndSignal({"--fb-database", target, "--fb-user", "SYSDBA", "--ms-server", "localhost",
                                          "--ms-database", source, "--ms-user", "sa", "--summary-json", json,
                                          "send-to-firebird", "Big"},
                                         {signal}, folder.path());
        EXPECT_EQ(f.status, 128 + signal) << f.errorOutput.substr(0, 2000);
        EXPECT_LT(f.secondsAfterSignal, 5.0);
        EXPECT_EQ(f.coreLimit, "0 0");
        EXPECT_EQ(f.errorOutput.find("[step"), std::string::npos) << "no report: " << f.errorOutput.substr(0, 2000);
        EXPECT_EQ(f.errorOutput.find('\r'), std::string::npos) << "progress to a file is whole lines";

        std::smatch m;
        ASSERT_TRUE(std::regex_search(f.output, m, std::regex(R"(^table Big: read (\d+), written (\d+), .*, (\w+)\n$)")))
            << "the summary alone on standard output: " << f.output.substr(0, 2000);
        const long long written = std::stoll(m[2]);
        EXPECT_EQ(m[3], "stopped");
        EXPECT_GT(written, 0);
        EXPECT_LT(written, 200000);
        auto c = db.createConnection();
        c->open(FirebirdSettings({target, "SYSDBA", ""}));
        auto rows = c->openRecordset("SELECT COUNT(*) FROM \"Big\"");
        EXPECT_EQ(std::get<std::int64_t>(rows->value(0)), written) << "the summary's count is what the target holds";
        const auto summary = nlohmann::json::parse(std::ifstream(json));
        EXPECT_EQ(summary["exitStatus"], f.status) << "the process's own status";
        EXPECT_EQ(summary["tables"][0]["outcome"], "stopped");
        EXPECT_EQ(summary["tables"][0]["rowsWritten"], written);
    }
}

// However the process ends, the summary file says so or is not there: after SIGKILL no earlier
// run's "complete" stands; after a second signal the file is the kept summary, with the status
// the process ended with.
TEST(CompanionSignals, TheSummaryFileNeverOutlivesItsRun) {
    TempFolder folder;
    const std::string source = folder.file("source.db");
    DriversDatabase db;
    MakeBigSource(db, source);
    const struct {
        std::vector<int> signals;
        bool fileAfter;
    } cases[] = {{{SIGKILL}, false}, {{SIGTERM, SIGTERM}, true}};
    for (const auto& c : cases) {
        const std::string target = folder.file("target" + std::to_string(c.signals.size()) + ".fdb");
        CreateFirebirdDatabase(target);
        const std::string json = folder.file("summary.json");
        std::ofstream(json) << R"({"tables": [{"table": "Big", "outcome": "complete"}], "exitStatus": 0})";
        const Finished f = CopyAndSignal({"--fb-database", target, "--fb-user", "SYSDBA", "--ms-server", "localhost",
                                          "--ms-database", source, "--ms-user", "sa", "--summary-json", json,
                                          "send-to-firebird", "Big"},
                                         c.signals, folder.path());
        ASSERT_NE(f.status, -1) << "ended";
        EXPECT_EQ(std::filesystem::exists(json), c.fileAfter) << c.signals.size();
        if (!c.fileAfter) continue;
        const auto summary = nlohmann::json::parse(std::ifstream(json));
        EXPECT_EQ(summary["exitStatus"], f.status);
        EXPECT_NE(summary["tables"][0]["outcome"], "complete");
    }
}

}  // namespace
}  // namespace tess

namespace tess {
namespace {

// Starts the windowed program, sends it `signal` once it is up, and expects it ended as a shell says.
void EndsOn(int signal, TempFolder& folder) {
    const pid_t child = fork();
    if (child == 0) {
        setenv("XDG_CONFIG_HOME", folder.path().c_str(), 1);
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        freopen("/dev/null", "w", stderr);
        execl(TESSALINE_PROGRAM, TESSALINE_PROGRAM, static_cast<char*>(nullptr));
        _exit(127);
    }
    // Until it has loaded its settings, which come after the signals and the core limit are set.
    for (int i = 0; i < 200 && !std::ifstream(folder.path() + "/Kestrawin/Kestrawin.conf"); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    EXPECT_EQ(CoreFileLimit(child), "0 0");
    kill(child, signal);
    int status = -1;
    for (int i = 0; i < 100 && waitpid(child, &status, WNOHANG) != child; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    if (!WIFEXITED(status)) {
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        FAIL() << "still running 5 s after signal " << signal;
    }
    EXPECT_EQ(WEXITSTATUS(status), 128 + signal);
}

// The windowed program ends on SIGTERM and SIGHUP too, with the status a shell expects.
TEST(ProgramSignals, TheWindowedProgramEndsOnSigterm) {
    for (int signal : {SIGTERM, SIGHUP}) {
        TempFolder folder;
        EndsOn(signal, folder);
    }
}

}  // namespace
}  // namespace tess
