#pragma once
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/buffered_recordset.h"
#include "platform/firebird/fb_array.h"
#include "platform/firebird/fb_error.h"
#include "platform/firebird/fb_session.h"
#include "platform/firebird/fb_types.h"

namespace tess {

// Rows of one query through a forward-only cursor, one row in memory. Members end in reverse order:
// cursor, statement, then the read transaction, and the attachment only with the last user of it. The count and the rows come
// from one read-only snapshot, so the count matches the rows read.
class FirebirdRecordset : public BufferedRecordset<FirebirdError> {
public:
    // `rawNone`: text of NONE columns as its bytes, for the reading that decides their code page.
    // `parameters`: the values of the query's "?" markers; its row count is then not known.
    FirebirdRecordset(std::shared_ptr<FirebirdSession> session, const std::string& query, bool rawNone = false,
                      const std::vector<Value>* parameters = nullptr);

    void close() override;
    void cancel() noexcept override { CancelFirebirdCall(*session_); }
    // Counted when first asked, in the rows' own snapshot: a count reads the whole table again,
    // and only a copy's progress needs one.
    long long recordCount() const override;
    std::string guessedColumn() const override;

private:
    struct Column {
        FirebirdColumnShape shape;
        unsigned offset = 0, nullOffset = 0;
        std::shared_ptr<const FirebirdArrayShape> array;  // array columns only
        NoneGuess none;  // how its text is read, for a NONE column without a named code page
        // A blob column read inline: its short value, a VARCHAR, at these offsets; the blob at `offset`.
        bool inlined = false;
        unsigned inlineOffset = 0, inlineNullOffset = 0;
        // ... and a long value's length in its own bytes: asking the blob would cost a round trip.
        unsigned lengthOffset = 0, lengthNullOffset = 0;
    };

    // A blob column that is no array, which a short value of may come inside its row.
    static bool IsPlainBlob(const Column& c);
    bool isOpen() const override { return bool(cursor_); }
    void fetch() override;
    void describe();
    struct NoneText {
        std::vector<std::string> legacy, utf8;  // a NONE column's values beyond ASCII, by whether they are UTF-8
    };
    std::vector<NoneText> readNoneText(const std::vector<size_t>& wanted);
    void decideNoneText();
    void inlineShortBlobs();
    void readInlineShapes(Firebird::IMessageMetadata* wrapped);
    Value decode(Column& column);
    template <class Content>
    Content readBlob(const ISC_QUAD& id, const ISC_INT64* length = nullptr);
    std::string readArray(const ISC_QUAD& id, const FirebirdArrayShape& shape);
    std::shared_ptr<const FirebirdArrayShape> arrayShape(const std::string& relation, const std::string& field);
    long long scalar(const std::string& query) const;
    unsigned bytesPerCharacter(unsigned charSet);

    std::shared_ptr<FirebirdSession> session_;
    std::string query_;
    bool sampling_;  // the sample of NONE text: bytes as they are, no declared precisions read
    mutable std::optional<long long> counted_;
    FbHandle<Firebird::ITransaction> transaction_;
    FbHandle<Firebird::IStatement> statement_;
    FbHandle<Firebird::IResultSet> cursor_;
    FbHandle<Firebird::IMessageMetadata> metadata_;
    std::vector<Column> columns_;
    std::vector<unsigned char> buffer_;
};

}  // namespace tess
