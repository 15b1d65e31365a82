#include "platform/firebird/fb_connection.h"

#include "platform/object_state.h"

#include <ibase.h>

#include <algorithm>
#include <cctype>
#include <cstdint>

#include "platform/firebird/fb_error.h"
#include "platform/firebird/fb_parameters.h"
#include "platform/firebird/fb_recordset.h"

namespace tess {

using namespace Firebird;

namespace {

constexpr const char* kConnectionCharacterSet = "UTF8";
constexpr unsigned kUtf8CharacterSetId = 4;
constexpr unsigned kOctetsCharacterSetId = 1;
constexpr unsigned kFirebirdLongestParameterText = 32765;

// Relations in the shape of the ADO tables schema. The engine's own tables are reported as
// SYSTEM TABLE; it is the table lists that leave them out. The CASE is of the longest literal's
// length, so its shorter words come padded unless trimmed.
constexpr const char* kTablesCatalogue =
    "SELECT CAST(NULL AS VARCHAR(1)) AS TABLE_CATALOG, CAST(NULL AS VARCHAR(1)) AS TABLE_SCHEMA, "
    "TRIM(TRAILING FROM RDB$RELATION_NAME) AS TABLE_NAME, "
    "CAST(TRIM(CASE WHEN COALESCE(RDB$SYSTEM_FLAG, 0) <> 0 THEN 'SYSTEM TABLE' "
    "WHEN RDB$VIEW_BLR IS NOT NULL THEN 'VIEW' ELSE 'TABLE' END) AS VARCHAR(12)) AS TABLE_TYPE, "
    "CAST(NULL AS VARCHAR(1)) AS DESCRIPTION "
    "FROM RDB$RELATIONS ORDER BY 4, 3";

}  // namespace

namespace {

void CancelOperation(FirebirdSession& session, int option) noexcept {
    IStatus* status = session.master->getStatus();
    CheckStatusWrapper wrapper(status);
    session.attachment->cancelOperation(&wrapper, option);
    status->dispose();
}

}  // namespace

std::vector<unsigned char> WriteTransactionParameters(const FirebirdSession& session) {
    const auto seconds = static_cast<std::uint32_t>(std::max(session.lockTimeout, 0));
    std::vector<unsigned char> tpb = {isc_tpb_version3, isc_tpb_concurrency, isc_tpb_write, isc_tpb_wait,
                                      isc_tpb_lock_timeout, 4};
    for (int shift = 0; shift < 32; shift += 8) tpb.push_back(static_cast<unsigned char>(seconds >> shift));
    if (seconds == 0) tpb.resize(4);  // no time-out: the wait has no end
    return tpb;
}

void CancelFirebirdCall(FirebirdSession& session) noexcept {
    std::lock_guard lock(session.cancelling);
    if (!session.attachment || session.callsUnderWay == 0) return;
    CancelOperation(session, fb_cancel_raise);
    session.cancelRaised = true;
}

FirebirdCallUnderWay::FirebirdCallUnderWay(FirebirdSession& session) : session_(session) {
    std::lock_guard lock(session_.cancelling);
    ++session_.callsUnderWay;
}

// Disabling cancels drops one that is pending; enabling them again leaves none (jrd.cpp,
// FB_CANCEL_OPERATION).
FirebirdCallUnderWay::~FirebirdCallUnderWay() {
    std::lock_guard lock(session_.cancelling);
    if (--session_.callsUnderWay > 0 || !session_.cancelRaised) return;
    session_.cancelRaised = false;
    if (!session_.attachment) return;
    CancelOperation(session_, fb_cancel_disable);
    CancelOperation(session_, fb_cancel_enable);
}

FirebirdConnection::FirebirdConnection(IMaster* master) : master_(master) {}

FirebirdConnection::~FirebirdConnection() { endSession(); }

// An uncommitted transaction is rolled back, as on any lost connection; whatever still shares the
// session learns that its connection is gone.
void FirebirdConnection::endSession() noexcept {
    if (!session_) return;
    session_->transaction.reset();
    session_->closed = true;
}

namespace {

unsigned DatabaseDialect(ThrowStatusWrapper* status, IAttachment* attachment) {
    const unsigned char items[] = {isc_info_db_sql_dialect, isc_info_end};
    unsigned char answer[16] = {};
    attachment->getInfo(status, sizeof items, items, sizeof answer, answer);
    if (answer[0] != isc_info_db_sql_dialect) return SQL_DIALECT_V6;
    const unsigned length = answer[1] | (answer[2] << 8u);
    return length >= 1 && answer[3] == 1 ? 1 : SQL_DIALECT_V6;
}

bool IsDefinition(const std::string& sql) {
    const size_t start = sql.find_first_not_of(" \t\r\n");
    if (start == std::string::npos) return false;
    std::string word;
    for (size_t i = start; i < sql.size() && std::isalpha(static_cast<unsigned char>(sql[i])); ++i)
        word += static_cast<char>(std::toupper(static_cast<unsigned char>(sql[i])));
    return word == "CREATE" || word == "DROP" || word == "ALTER" || word == "RECREATE";
}

}  // namespace

void FirebirdConnection::requireOpen() const {
    RequireOpen<FirebirdError>(session_ != nullptr);
}

void FirebirdConnection::open(const ConnectionSettings& settings) {
    if (session_) throw FirebirdError("Operation is not allowed when the object is open.");
    if (!settings.firebird()) throw FirebirdError("A Firebird connection opens with a Firebird login.");
    const FirebirdLogin& p = *settings.firebird();
    // The connection text puts one blank after the path, which a path never ends in; the path
    // is given the way that text would have given it.
    const std::string database = p.database.substr(0, p.database.find_last_not_of(' ') + 1);
    auto session = std::make_shared<FirebirdSession>();
    session->master = master_;
    session->util = master_->getUtilInterface();
    if (!p.noneCodePage.empty()) {
        try {
            session->noneText = std::make_shared<const CodePage>(p.noneCodePage);
        } catch (const std::invalid_argument& e) {
            throw FirebirdError(std::string(e.what()) + " It was named as the code page of text in NONE columns.");
        }
    }
    CallFirebird(session->util, [&] {
        FbStatus status(master_);
        FbHandle<IXpbBuilder> dpb(master_, session->util->getXpbBuilder(&status, IXpbBuilder::DPB, nullptr, 0));
        if (!p.user.empty()) dpb->insertString(&status, isc_dpb_user_name, p.user.c_str());
        if (!p.password.empty()) dpb->insertString(&status, isc_dpb_password, p.password.c_str());
        // The program's text is UTF-8 whatever the login's character set says: attached as UTF8, the engine
        // converts between it and each column's own character set, both ways, and refuses a
        // character that a column cannot hold instead of storing it as something else.
        dpb->insertString(&status, isc_dpb_lc_ctype, kConnectionCharacterSet);
        if (!p.role.empty()) dpb->insertString(&status, isc_dpb_sql_role_name, p.role.c_str());
        if (connectionTimeout_ > 0) dpb->insertInt(&status, isc_dpb_connect_timeout, connectionTimeout_);
        FbHandle<IProvider> provider(master_, master_->getDispatcher());
        IAttachment* attachment = provider->attachDatabase(&status, database.c_str(), dpb->getBufferLength(&status),
                                                           dpb->getBuffer(&status));
        session->attachment = FbHandle<IAttachment>(master_, attachment);
        session->databaseDialect = DatabaseDialect(&status, attachment);
    });
    session->lockTimeout = commandTimeout_;
    session_ = std::move(session);
}

void InFirebirdTransaction(FirebirdSession& session, const std::function<void(ThrowStatusWrapper*, ITransaction*)>& work) {
    if (session.closed) throw FirebirdError("The connection of this statement is closed.");
    CallFirebird(session, [&] {
        FbStatus status(session.master);
        if (session.transaction) {
            work(&status, session.transaction.get());
            return;
        }
        const auto tpb = WriteTransactionParameters(session);
        FbHandle<ITransaction> own(session.master, session.attachment->startTransaction(
                                                       &status, static_cast<unsigned>(tpb.size()), tpb.data()));
        work(&status, own.get());
        own->commit(&status);
        own.forget();
    });
}

void FirebirdConnection::execute(const std::string& sql) {
    requireOpen();
    InFirebirdTransaction(*session_, [&](ThrowStatusWrapper* status, ITransaction* transaction) {
        const unsigned dialect = IsDefinition(sql) ? session_->databaseDialect : SQL_DIALECT_V6;
        session_->attachment->execute(status, transaction, static_cast<unsigned>(sql.size()), sql.c_str(), dialect,
                                      nullptr, nullptr, nullptr, nullptr);
    });
}

void FirebirdConnection::executeWith(const std::string& sql, const std::vector<Value>& parameters) {
    requireOpen();
    InFirebirdTransaction(*session_, [&](ThrowStatusWrapper* status, ITransaction* transaction) {
        FbHandle<IStatement> statement(master_, session_->attachment->prepare(status, transaction,
                                                                             static_cast<unsigned>(sql.size()),
                                                                             sql.c_str(), SQL_DIALECT_V6,
                                                                             IStatement::PREPARE_PREFETCH_METADATA));
        FbHandle<IMessageMetadata> input(master_, statement->getInputMetadata(status));
        std::vector<unsigned char> message(input->getMessageLength(status));
        const unsigned count = input->getCount(status);
        if (count != parameters.size()) throw FirebirdError("The statement's markers do not match its values.");
        for (unsigned i = 0; i < count; ++i)
            WriteFirebirdParameter(*session_, status, transaction, input.get(), i, parameters[i], message.data());
        statement->execute(status, transaction, input.get(), message.data(), nullptr, nullptr);
    });
}

void FirebirdConnection::beginTransaction() {
    requireOpen();
    if (session_->transaction) throw FirebirdError("A transaction is already open.");
    const auto tpb = WriteTransactionParameters(*session_);
    CallFirebird(*session_, [&] {
        FbStatus status(master_);
        session_->transaction =
            FbHandle<ITransaction>(master_, session_->attachment->startTransaction(
                                                &status, static_cast<unsigned>(tpb.size()), tpb.data()));
    });
}

void FirebirdConnection::commitTransaction() {
    requireOpen();
    if (!session_->transaction) throw FirebirdError("No transaction is open.");
    CallFirebird(*session_, [&] {
        FbStatus status(master_);
        session_->transaction->commit(&status);
        session_->transaction.forget();
    });
}

void FirebirdConnection::rollbackTransaction() {
    requireOpen();
    if (!session_->transaction) throw FirebirdError("No transaction is open.");
    CallFirebird(*session_, [&] {
        FbStatus status(master_);
        session_->transaction->rollback(&status);
        session_->transaction.forget();
    });
}

// Shares the session, so the attachment stays while the statement does; its statement handle is
// freed before the session goes. Once the connection is closed, it refuses to run.
class FirebirdPrepared : public PreparedStatement {
public:
    FirebirdPrepared(std::shared_ptr<FirebirdSession> session, FbHandle<IStatement> statement,
                     FbHandle<IMessageMetadata> input)
        : session_(std::move(session)), statement_(std::move(statement)), input_(std::move(input)) {
        FbStatus status(session_->master);
        message_.resize(input_->getMessageLength(&status));
        for (unsigned i = 0, n = input_->getCount(&status); i < n; ++i)
            slots_.push_back(FirebirdParameterSlot::Of(&status, input_.get(), i));
    }

    void execute(const std::vector<Value>& parameters) override {
        if (parameters.size() != slots_.size()) throw FirebirdError("The statement's markers do not match its values.");
        InFirebirdTransaction(*session_, [&](ThrowStatusWrapper* status, ITransaction* transaction) {
            for (size_t i = 0; i < slots_.size(); ++i)
                WriteFirebirdParameter(*session_, status, transaction, slots_[i], parameters[i], message_.data());
            statement_->execute(status, transaction, input_.get(), message_.data(), nullptr, nullptr);
        });
    }

private:
    std::shared_ptr<FirebirdSession> session_;  // first, so that it goes last
    FbHandle<IStatement> statement_;
    FbHandle<IMessageMetadata> input_;
    std::vector<unsigned char> message_;
    std::vector<FirebirdParameterSlot> slots_;
};

std::unique_ptr<PreparedStatement> FirebirdConnection::prepare(const std::string& sql) {
    requireOpen();
    std::unique_ptr<PreparedStatement> prepared;
    InFirebirdTransaction(*session_, [&](ThrowStatusWrapper* status, ITransaction* transaction) {
        FbHandle<IStatement> statement(master_, session_->attachment->prepare(status, transaction,
                                                                             static_cast<unsigned>(sql.size()),
                                                                             sql.c_str(), SQL_DIALECT_V6,
                                                                             IStatement::PREPARE_PREFETCH_METADATA));
        FbHandle<IMessageMetadata> native(master_, statement->getInputMetadata(status));
        FbHandle<IMetadataBuilder> builder(master_, native->getBuilder(status));
        for (unsigned i = 0, n = native->getCount(status); i < n; ++i) {
            // Each value in its column's own type; only text of a character set other than UTF-8's
            // goes as UTF-8 text, for the engine to translate.
            const unsigned type = native->getType(status, i) & ~1u;
            if (type != SQL_VARYING && type != SQL_TEXT) continue;
            const unsigned charSet = native->getCharSet(status, i);
            if (type == SQL_VARYING && (charSet == kUtf8CharacterSetId || charSet == kOctetsCharacterSetId)) continue;
            builder->setType(status, i, SQL_VARYING + 1);
            builder->setLength(status, i, kFirebirdLongestParameterText);
            builder->setCharSet(status, i, kUtf8CharacterSetId);
            builder->setScale(status, i, 0);
            builder->setSubType(status, i, 0);
        }
        FbHandle<IMessageMetadata> input(master_, builder->getMetadata(status));
        prepared = std::make_unique<FirebirdPrepared>(session_, std::move(statement), std::move(input));
    });
    return prepared;
}

std::unique_ptr<Recordset> FirebirdConnection::openSchema(int schema) {
    if (schema != kSchemaTables) throw FirebirdError("Only the tables schema is supported.");
    return openRecordset(kTablesCatalogue, kOpenStatic, kLockReadOnly);
}

std::unique_ptr<Recordset> FirebirdConnection::openRecordset(const std::string& query, int, int) {
    requireOpen();
    return std::make_unique<FirebirdRecordset>(session_, query);
}

std::unique_ptr<Recordset> FirebirdConnection::openRecordsetWith(const std::string& query,
                                                                 const std::vector<Value>& parameters) {
    requireOpen();
    return std::make_unique<FirebirdRecordset>(session_, query, false, &parameters);
}

void FirebirdConnection::setCommandTimeout(int seconds) {
    commandTimeout_ = seconds;
    if (session_) session_->lockTimeout = seconds;
}

void FirebirdConnection::cancel() noexcept {
    if (const auto session = session_) CancelFirebirdCall(*session);
}

// The client closes its side of the link: a server that stopped answering never reads a cancel.
void FirebirdConnection::abandon() noexcept {
    const auto session = session_;
    if (!session || !session->attachment) return;
    std::lock_guard lock(session->cancelling);
    CancelOperation(*session, fb_cancel_abort);
}

void FirebirdConnection::close() {
    requireOpen();
    endSession();
    // The attachment is detached when the last open recordset or statement of it is done, too.
    auto session = std::move(session_);
    if (session.use_count() == 1) {
        CallFirebird(session->util, [&] {
            FbStatus status(master_);
            session->attachment->detach(&status);
            session->attachment.forget();
        });
    }
}

}  // namespace tess
