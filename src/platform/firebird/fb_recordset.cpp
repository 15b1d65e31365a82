#include "platform/firebird/fb_recordset.h"

#include "platform/object_state.h"

#include <ibase.h>

#include <algorithm>
#include <set>
#include <cstring>
#include <tuple>

#include "common/legacy_text.h"
#include "common/sql_literal.h"
#include "common/text_codec.h"
#include "platform/firebird/fb_error.h"
#include "platform/firebird/fb_inline_blobs.h"
#include "platform/firebird/fb_parameters.h"
#include "platform/firebird/fb_types.h"

namespace tess {

using namespace Firebird;

namespace {

size_t BlobLength(ThrowStatusWrapper* status, IBlob* blob) {
    const unsigned char items[] = {isc_info_blob_total_length};
    unsigned char answer[16] = {};
    blob->getInfo(status, sizeof items, items, sizeof answer, answer);
    if (answer[0] != isc_info_blob_total_length) return 0;
    const unsigned length = answer[1] | (answer[2] << 8u);
    unsigned long long total = 0;
    for (unsigned i = 0; i < length && i < 8; ++i) total |= static_cast<unsigned long long>(answer[3 + i]) << (8 * i);
    return static_cast<size_t>(total);
}

constexpr unsigned char kReadOnlySnapshot[] = {isc_tpb_version3, isc_tpb_concurrency, isc_tpb_read, isc_tpb_wait};

}  // namespace

FirebirdRecordset::FirebirdRecordset(std::shared_ptr<FirebirdSession> session, const std::string& query,
                                     bool rawNone, const std::vector<Value>* parameters)
    : session_(std::move(session)), query_(query), sampling_(rawNone) {
    IMaster* master = session_->master;
    CallFirebird(*session_, [&] {
        FbStatus status(master);
        IAttachment* attachment = session_->attachment.get();
        transaction_ = FbHandle<ITransaction>(
            master, attachment->startTransaction(&status, sizeof kReadOnlySnapshot, kReadOnlySnapshot));
        statement_ = FbHandle<IStatement>(
            master, attachment->prepare(&status, transaction_.get(), static_cast<unsigned>(query.size()),
                                        query.c_str(), SQL_DIALECT_V6, IStatement::PREPARE_PREFETCH_METADATA));
        metadata_ = FbHandle<IMessageMetadata>(master, statement_->getOutputMetadata(&status));
    });
    describe();
    for (Column& c : columns_) c.none.raw = sampling_;
    if (!sampling_ && !session_->noneText) decideNoneText();
    inlineShortBlobs();
    if (parameters) counted_ = -1;
    CallFirebird(*session_, [&] {
        FbStatus status(master);
        FbHandle<IMessageMetadata> input(master, statement_->getInputMetadata(&status));
        const unsigned markers = input->getCount(&status);
        if (markers != (parameters ? parameters->size() : 0))
            throw FirebirdError("The query's markers do not match its values.");
        std::vector<unsigned char> message(input->getMessageLength(&status));
        for (unsigned i = 0; i < markers; ++i)
            WriteFirebirdParameter(*session_, &status, transaction_.get(), input.get(), i, (*parameters)[i],
                                   message.data());
        cursor_ = FbHandle<IResultSet>(master, statement_->openCursor(&status, transaction_.get(), input.get(),
                                                                      message.data(), metadata_.get(), 0));
    });
    buffer_.resize(CallFirebird(*session_, [&] {
        FbStatus status(master);
        return metadata_->getMessageLength(&status);
    }));
    fetch();
}

long long FirebirdRecordset::recordCount() const {
    if (!counted_) {
        try {
            counted_ = transaction_ ? scalar("SELECT COUNT(*) FROM (" + query_ + ") tessaline_count") : -1;
        } catch (const FirebirdError&) {
            counted_ = -1;  // the provider cannot tell; the rows are still read to their end
        }
    }
    return *counted_;
}

long long FirebirdRecordset::scalar(const std::string& query) const {
    return CallFirebird(*session_, [&] {
        FbStatus status(session_->master);
        FbHandle<IStatement> stmt(session_->master,
                                  session_->attachment->prepare(&status, transaction_.get(),
                                                                static_cast<unsigned>(query.size()), query.c_str(),
                                                                SQL_DIALECT_V6,
                                                                             IStatement::PREPARE_PREFETCH_METADATA));
        FbHandle<IMessageMetadata> meta(session_->master, stmt->getOutputMetadata(&status));
        std::vector<unsigned char> buf(meta->getMessageLength(&status));
        const unsigned offset = meta->getOffset(&status, 0);
        const unsigned nullOffset = meta->getNullOffset(&status, 0);
        const unsigned type = meta->getType(&status, 0) & ~1u;
        const int scale = meta->getScale(&status, 0);
        // Executed as a singleton: its row comes back with the execute, a round trip less than a
        // cursor's open and fetch. A query of no row leaves the value null.
        *reinterpret_cast<short*>(&buf[nullOffset]) = -1;
        stmt->execute(&status, transaction_.get(), nullptr, nullptr, meta.get(), buf.data());
        long long result = -1;
        if (*reinterpret_cast<short*>(&buf[nullOffset]) == 0 && scale == 0) {
            if (type == SQL_INT64) result = *reinterpret_cast<ISC_INT64*>(&buf[offset]);
            else if (type == SQL_LONG) result = *reinterpret_cast<ISC_LONG*>(&buf[offset]);
            else if (type == SQL_SHORT) result = *reinterpret_cast<ISC_SHORT*>(&buf[offset]);
        }
        return result;
    });
}

unsigned FirebirdRecordset::bytesPerCharacter(unsigned charSet) {
    auto& known = session_->bytesPerCharacter;
    if (known.empty()) {
        const std::string query = "SELECT RDB$CHARACTER_SET_ID, RDB$BYTES_PER_CHARACTER FROM RDB$CHARACTER_SETS";
        CallFirebird(*session_, [&] {
            FbStatus status(session_->master);
            FbHandle<IStatement> stmt(session_->master,
                                      session_->attachment->prepare(&status, transaction_.get(),
                                                                    static_cast<unsigned>(query.size()),
                                                                    query.c_str(), SQL_DIALECT_V6,
                                                                             IStatement::PREPARE_PREFETCH_METADATA));
            FbHandle<IMessageMetadata> meta(session_->master, stmt->getOutputMetadata(&status));
            std::vector<unsigned char> buf(meta->getMessageLength(&status));
            const unsigned idOffset = meta->getOffset(&status, 0), sizeOffset = meta->getOffset(&status, 1);
            FbHandle<IResultSet> rs(session_->master,
                                    stmt->openCursor(&status, transaction_.get(), nullptr, nullptr, meta.get(), 0));
            while (rs->fetchNext(&status, buf.data()) == IStatus::RESULT_OK)
                known[*reinterpret_cast<ISC_SHORT*>(&buf[idOffset])] = *reinterpret_cast<ISC_SHORT*>(&buf[sizeOffset]);
        });
    }
    auto it = known.find(charSet);
    return it == known.end() || it->second == 0 ? 1 : it->second;
}

void FirebirdRecordset::describe() {
    std::vector<std::tuple<unsigned, std::string, std::string>> arrays;  // column, relation, field
    CallFirebird(*session_, [&] {
        FbStatus status(session_->master);
        const unsigned count = metadata_->getCount(&status);
        for (unsigned i = 0; i < count; ++i) {
            Column c;
            FirebirdColumnShape& shape = c.shape;
            shape.type = metadata_->getType(&status, i) & ~1u;
            shape.subType = metadata_->getSubType(&status, i);
            shape.length = metadata_->getLength(&status, i);
            shape.scale = metadata_->getScale(&status, i);
            shape.charSet = metadata_->getCharSet(&status, i);
            c.offset = metadata_->getOffset(&status, i);
            c.nullOffset = metadata_->getNullOffset(&status, i);
            if (shape.type == SQL_TEXT || shape.type == SQL_VARYING)
                shape.bytesPerCharacter = bytesPerCharacter(shape.charSet);
            const bool exact = (shape.type == SQL_SHORT || shape.type == SQL_LONG || shape.type == SQL_INT64) &&
                               (shape.scale != 0 || shape.subType != 0);
            const char* relation = metadata_->getRelation(&status, i);
            const char* fieldName = metadata_->getField(&status, i);
            if (exact && !sampling_ && relation && *relation && fieldName && *fieldName) {
                shape.declaredPrecision = static_cast<int>(
                    scalar("SELECT F.RDB$FIELD_PRECISION FROM RDB$RELATION_FIELDS RF JOIN RDB$FIELDS F "
                           "ON F.RDB$FIELD_NAME = RF.RDB$FIELD_SOURCE WHERE RF.RDB$RELATION_NAME = " +
                           QuotedLiteral(relation) + " AND RF.RDB$FIELD_NAME = " + QuotedLiteral(fieldName)));
            }
            if (shape.type == SQL_ARRAY) arrays.emplace_back(i, std::string(relation ? relation : ""),
                                                             std::string(fieldName ? fieldName : ""));
            fields_.push_back(AdoFieldFromFirebird(metadata_->getAlias(&status, i), shape));
            c.none.column = fields_.back().name;
            columns_.push_back(c);
        }
    });
    for (const auto& [index, relation, field] : arrays) columns_[index].array = arrayShape(relation, field);
}

namespace {

// What the reading of a column's legacy text holds at most: enough text to decide on, where a
// column of memos could hold gigabytes.
constexpr size_t kLegacyBytesRead = 4u << 20;

bool IsNoneText(const FirebirdColumnShape& s) {
    return s.charSet == kCsNone &&
           (s.type == SQL_TEXT || s.type == SQL_VARYING || (s.type == SQL_BLOB && s.subType == isc_blob_text));
}

// A condition true where a NONE column's value holds a byte beyond ASCII. SIMILAR TO takes
// microseconds a byte, more than linearly on a blob (16 s for a memo of 430 KB on Firebird 3), so a
// long memo is told instead by its length once its bytes are read as Latin-1 and written as UTF-8,
// which only the bytes beyond ASCII lengthen.
std::string BeyondAscii(const std::string& column, bool blob) {
    const std::string similar =
        column + " SIMILAR TO _NONE '%[' || ASCII_CHAR(128) || _NONE '-' || ASCII_CHAR(255) || _NONE ']%'";
    if (!blob) return similar;
    return "((OCTET_LENGTH(" + column + ") <= 4096 AND " + similar + ") OR (OCTET_LENGTH(" + column +
           ") > 4096 AND OCTET_LENGTH(CAST(CAST(" + column + " AS BLOB SUB_TYPE TEXT CHARACTER SET ISO8859_1) AS "
           "BLOB SUB_TYPE TEXT CHARACTER SET UTF8)) > OCTET_LENGTH(" + column + ")))";
}

// The query's columns `wanted` (from 0) under names of ours, which read alike in both dialects;
// `onlyLegacy`: only the rows where one of them holds a byte beyond ASCII.
std::string NoneTextQuery(const std::string& query, size_t columns, const std::vector<size_t>& wanted,
                          const std::vector<bool>& blob, bool onlyLegacy) {
    auto name = [](size_t i) { return "TESSALINE_C" + std::to_string(i + 1); };
    std::string names, selected, where;
    for (size_t i = 0; i < columns; ++i) names += (i ? ", " : "") + name(i);
    for (size_t j = 0; j < wanted.size(); ++j) {
        selected += (selected.empty() ? "" : ", ") + name(wanted[j]);
        where += (where.empty() ? " WHERE " : " OR ") + BeyondAscii(name(wanted[j]), blob[j]);
    }
    return "SELECT " + selected + " FROM (" + query + ") TESSALINE_T (" + names + ")" + (onlyLegacy ? where : "");
}

}  // namespace

// The text of the NONE columns `wanted` beyond ASCII, each value once, read in one pass before
// any row. The server hands over only rows with a byte beyond ASCII; one too old for SIMILAR TO
// hands over them all.
std::vector<FirebirdRecordset::NoneText> FirebirdRecordset::readNoneText(const std::vector<size_t>& wanted) {
    std::vector<bool> blob;
    for (size_t i : wanted) blob.push_back(columns_[i].shape.type == SQL_BLOB);
    for (bool onlyLegacy : {true, false}) {
        std::vector<NoneText> found(wanted.size());
        try {
            FirebirdRecordset rows(session_, NoneTextQuery(query_, columns_.size(), wanted, blob, onlyLegacy), true);
            std::vector<std::set<std::string>> seen(wanted.size());
            std::vector<size_t> bytes(wanted.size(), 0);
            size_t full = 0;
            for (; !rows.eof() && full < wanted.size(); rows.moveNext())
                for (size_t j = 0; j < wanted.size(); ++j) {
                    const auto* text = std::get_if<std::string>(&rows.value(static_cast<int>(j)));
                    if (!text || bytes[j] >= kLegacyBytesRead || IsAscii(*text) || !seen[j].insert(*text).second) continue;
                    bytes[j] += text->size();
                    full += bytes[j] >= kLegacyBytesRead ? 1 : 0;
                    (IsValidUtf8(*text) ? found[j].utf8 : found[j].legacy).push_back(*text);
                }
            rows.close();
            return found;
        } catch (const FirebirdError& e) {
            if (e.connectionLost() || e.cancelled()) throw;
        }
    }
    return std::vector<NoneText>(wanted.size());  // unreadable so: each value not UTF-8 is refused
}

// The code page of each NONE column's legacy text is decided from all of it before the first row,
// and taken only where one reading stands out: a value alone can read as Western when it is not
// ("Janáček" in Windows-1250 reads "Janáèek"), and a column that cannot be told is refused whole,
// never half copied.
void FirebirdRecordset::decideNoneText() {
    std::vector<size_t> wanted;
    for (size_t i = 0; i < columns_.size(); ++i)
        if (IsNoneText(columns_[i].shape) && !columns_[i].array) wanted.push_back(i);
    if (wanted.empty()) return;
    const std::vector<NoneText> texts = readNoneText(wanted);
    for (size_t j = 0; j < wanted.size(); ++j) {
        Column& c = columns_[wanted[j]];
        if (texts[j].legacy.empty()) continue;
        const LegacyTextDecision readings = DecideLegacyText(texts[j].legacy);
        if (!readings.sure) throw NoneTextRefused(c.none, readings, false);
        const std::string& page = readings.candidates.front().codePages.front();
        for (const std::string& v : texts[j].utf8)
            if (ReadsAsPlainText(v, page)) throw NoneTextRefused(c.none, readings, true);
        c.none.decided = std::make_shared<const CodePage>(page);
    }
}

bool FirebirdRecordset::IsPlainBlob(const Column& c) { return c.shape.type == SQL_BLOB && !c.array; }

// The query again, its blob columns' short values inside the rows (`fb_inline_blobs.h`). A query
// the engine will not wrap (a server too old for the casts) reads its blobs one by one, as before.
void FirebirdRecordset::inlineShortBlobs() {
    std::vector<FirebirdColumnShape> shapes;
    std::vector<bool> isBlob;
    unsigned otherBytes = 0;
    for (const Column& c : columns_) {
        shapes.push_back(c.shape);
        isBlob.push_back(IsPlainBlob(c));
        if (!isBlob.back()) otherBytes += c.shape.length + 2;
    }
    const auto blobCount = static_cast<size_t>(std::count(isBlob.begin(), isBlob.end(), true));
    if (blobCount == 0) return;
    const auto blobs = InlineBlobColumns(shapes, isBlob, InlineBlobBytes(otherBytes, blobCount));
    const std::string wrapped = InlineBlobQuery(query_, columns_.size(), blobs);
    IMaster* master = session_->master;
    FbHandle<IStatement> statement;
    FbHandle<IMessageMetadata> metadata;
    try {
        CallFirebird(*session_, [&] {
            FbStatus status(master);
            statement = FbHandle<IStatement>(
                master, session_->attachment->prepare(&status, transaction_.get(),
                                                      static_cast<unsigned>(wrapped.size()), wrapped.c_str(),
                                                      SQL_DIALECT_V6, IStatement::PREPARE_PREFETCH_METADATA));
            metadata = FbHandle<IMessageMetadata>(master, statement->getOutputMetadata(&status));
        });
    } catch (const FirebirdError& e) {
        if (e.connectionLost() || e.cancelled()) throw;
        return;
    }
    statement_ = std::move(statement);
    metadata_ = std::move(metadata);
    readInlineShapes(metadata_.get());
}

// Where each column now lies in the wrapped query's row: a blob column's short value, its blob,
// then the blob's length.
void FirebirdRecordset::readInlineShapes(IMessageMetadata* wrapped) {
    CallFirebird(*session_, [&] {
        FbStatus status(session_->master);
        unsigned output = 0;
        for (Column& c : columns_) {
            if (IsPlainBlob(c)) {
                c.inlined = true;
                c.inlineOffset = wrapped->getOffset(&status, output);
                c.inlineNullOffset = wrapped->getNullOffset(&status, output);
                ++output;
            }
            c.offset = wrapped->getOffset(&status, output);
            c.nullOffset = wrapped->getNullOffset(&status, output);
            ++output;
            if (c.inlined) {
                c.lengthOffset = wrapped->getOffset(&status, output);
                c.lengthNullOffset = wrapped->getNullOffset(&status, output);
                ++output;
            }
        }
    });
}

// An array the catalogue cannot describe (one computed in the query) cannot be read: the table
// fails to open rather than arrive without it.
std::shared_ptr<const FirebirdArrayShape> FirebirdRecordset::arrayShape(const std::string& relation,
                                                                       const std::string& field) {
    if (relation.empty() || field.empty())
        throw FirebirdError("An array column that is not a table's own column cannot be read.");
    FirebirdRecordset rows(session_,
                           "SELECT F.RDB$FIELD_TYPE, F.RDB$FIELD_LENGTH, F.RDB$FIELD_SCALE, F.RDB$FIELD_SUB_TYPE, "
                           "F.RDB$CHARACTER_SET_ID, D.RDB$LOWER_BOUND, D.RDB$UPPER_BOUND FROM RDB$RELATION_FIELDS RF "
                           "JOIN RDB$FIELDS F ON F.RDB$FIELD_NAME = RF.RDB$FIELD_SOURCE "
                           "JOIN RDB$FIELD_DIMENSIONS D ON D.RDB$FIELD_NAME = F.RDB$FIELD_NAME "
                           "WHERE RF.RDB$RELATION_NAME = " + QuotedLiteral(relation) +
                               " AND RF.RDB$FIELD_NAME = " + QuotedLiteral(field) + " ORDER BY D.RDB$DIMENSION");
    auto number = [&](int i) {
        const auto* n = std::get_if<std::int64_t>(&rows.value(i));
        return n ? static_cast<int>(*n) : 0;
    };
    FirebirdArrayField f;
    f.relation = relation, f.field = field;
    for (; !rows.eof(); rows.moveNext()) {
        f.blrType = number(0), f.length = number(1), f.scale = number(2), f.subType = number(3);
        f.charSet = number(4);
        f.bounds.emplace_back(number(5), number(6));
    }
    rows.close();
    return std::make_shared<const FirebirdArrayShape>(ShapeOfFirebirdArray(f));
}

void FirebirdRecordset::fetch() {
    CallFirebird(*session_, [&] {
        FbStatus status(session_->master);
        if (cursor_->fetchNext(&status, buffer_.data()) != IStatus::RESULT_OK) return endOfRows();
        row_.resize(columns_.size());
        // Each value goes before the next is read: a long one is never held beside its successor.
        for (size_t i = 0; i < columns_.size(); ++i) row_[i] = Null{}, row_[i] = decode(columns_[i]);
    });
}

Value FirebirdRecordset::decode(Column& c) {
    const unsigned char* data = &buffer_[c.offset];
    // A short blob value came in the row; its blob is then null.
    if (c.inlined && *reinterpret_cast<const short*>(&buffer_[c.inlineNullOffset]) == 0) {
        const unsigned char* at = &buffer_[c.inlineOffset];
        unsigned short length;
        std::memcpy(&length, at, sizeof length);
        if (c.shape.subType != isc_blob_text) return Bytes(at + 2, at + 2 + length);
        return FirebirdText(std::string(reinterpret_cast<const char*>(at + 2), length), c.shape.charSet,
                            session_->noneText.get(), &c.none);
    }
    if (*reinterpret_cast<const short*>(&buffer_[c.nullOffset]) != 0) return Null{};
    if (c.array) {
        ISC_QUAD id;
        std::memcpy(&id, data, sizeof id);
        return readArray(id, *c.array);
    }
    if (c.shape.type == SQL_BLOB) {
        ISC_QUAD id;
        std::memcpy(&id, data, sizeof id);
        ISC_INT64 length = 0;
        const bool known = c.inlined && *reinterpret_cast<const short*>(&buffer_[c.lengthNullOffset]) == 0;
        if (known) std::memcpy(&length, &buffer_[c.lengthOffset], sizeof length);
        if (c.shape.subType != isc_blob_text) return readBlob<Bytes>(id, known ? &length : nullptr);
        return FirebirdText(readBlob<std::string>(id, known ? &length : nullptr), c.shape.charSet,
                            session_->noneText.get(), &c.none);
    }
    return DecodeFirebirdValue(session_->util, c.shape, data, session_->noneText.get(), &c.none);
}

std::string FirebirdRecordset::guessedColumn() const {
    for (const Column& c : columns_)
        if (c.none.guessed) return c.none.column;
    return {};
}

template <class Content>
Content FirebirdRecordset::readBlob(const ISC_QUAD& id, const ISC_INT64* length) {
    FbStatus status(session_->master);
    ISC_QUAD blobId = id;
    FbHandle<IBlob> blob(session_->master,
                         session_->attachment->openBlob(&status, transaction_.get(), &blobId, 0, nullptr));
    Content content;  // text or bytes, read into the value's own kind: a long value is never copied
    // One allocation of the value's size, not doublings. Text read through UTF8 may outgrow its
    // own bytes: then it grows once.
    content.reserve(length ? static_cast<size_t>(*length) : BlobLength(&status, blob.get()));
    // A segment's length is 16 bits on the wire: the largest a call can ask for.
    std::vector<char> segment(kFirebirdLongestSegment);
    for (;;) {
        unsigned length = 0;
        int result = blob->getSegment(&status, kFirebirdLongestSegment, segment.data(), &length);
        if (result == IStatus::RESULT_OK || result == IStatus::RESULT_SEGMENT)
            content.insert(content.end(), segment.data(), segment.data() + length);
        else
            break;
    }
    blob->close(&status);
    blob.forget();
    return content;
}

std::string FirebirdRecordset::readArray(const ISC_QUAD& id, const FirebirdArrayShape& shape) {
    FbStatus status(session_->master);
    ISC_QUAD arrayId = id;
    std::vector<unsigned char> slice(shape.elementCount() * shape.elementBytes);
    const int got = session_->attachment->getSlice(&status, transaction_.get(), &arrayId,
                                                   static_cast<unsigned>(shape.sdl.size()), shape.sdl.data(), 0,
                                                   nullptr, static_cast<int>(slice.size()), slice.data());
    slice.resize(static_cast<size_t>(got));
    return FirebirdArrayText(session_->util, shape, slice, session_->noneText.get());
}

void FirebirdRecordset::close() {
    requireOpen();
    CallFirebird(*session_, [&] {
        FbStatus status(session_->master);
        cursor_->close(&status);
        cursor_.forget();
        statement_->free(&status);
        statement_.forget();
        transaction_->commit(&status);
        transaction_.forget();
    });
    row_.clear();
}

}  // namespace tess
