#pragma once
// ADO's own descriptions for an object used out of turn. Every adapter throws them in its own error
// type, so that the error report reads the same whichever database the object reaches.
namespace tess {

inline constexpr const char* kObjectClosed = "Operation is not allowed when the object is closed.";
inline constexpr const char* kNoCurrentRecord = "Either BOF or EOF is True, or the current record has been deleted.";

template <class Error>
void RequireOpen(bool open) {
    if (!open) throw Error(kObjectClosed);
}

// A recordset's value and MoveNext need an open recordset standing on a row.
template <class Error>
void RequireCurrentRecord(bool open, bool eof) {
    RequireOpen<Error>(open);
    if (eof) throw Error(kNoCurrentRecord);
}

}  // namespace tess
