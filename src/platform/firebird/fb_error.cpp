#include "platform/firebird/fb_error.h"

#include <ibase.h>

#include <algorithm>
#include <vector>

namespace tess {

std::string FormatFirebirdStatus(Firebird::IUtil* util, const Firebird::IStatus* status) {
    std::vector<char> buffer(4096);
    unsigned length = util->formatStatus(buffer.data(), static_cast<unsigned>(buffer.size()),
                                         const_cast<Firebird::IStatus*>(status));
    std::string text(buffer.data(), std::min<size_t>(length, buffer.size()));
    while (!text.empty() && (text.back() == '\n' || text.back() == '\0')) text.pop_back();
    return text.empty() ? "Firebird reported an error without a description" : text;
}

FirebirdError RefusedValue(long gdsCode, const std::string& words) {
    DatabaseError::Details details;
    details.rowValues = true;
    details.codes.gdsCodes = {isc_arith_except, gdsCode};
    if (gdsCode == isc_convert_error || gdsCode == isc_date_range_exceeded) details.codes.gdsCodes = {gdsCode};
    return FirebirdError(words, details);
}

DatabaseError::Details FirebirdErrorDetails(const Firebird::IStatus* status) {
    static constexpr ISC_STATUS kLost[] = {
        isc_shutdown,         isc_att_shutdown, isc_shutinprog,  isc_net_server_shutdown, isc_network_error,
        isc_net_read_err,     isc_net_write_err, isc_conn_lost,  isc_lost_db_connection,  isc_io_error,
        isc_io_write_err,     isc_io_read_err,  isc_old_no_space, isc_out_of_temp_space,  isc_bad_db_handle};
    // What no row of the statement's table can get past: the table unknown or dropped, no right to
    // write it, a read-only database or transaction, a transaction that is dead or waited too long.
    static constexpr ISC_STATUS kTable[] = {
        isc_dsql_relation_err, isc_relnotdef,   isc_no_priv,      isc_read_only_database, isc_read_only_trans,
        isc_lock_timeout,      isc_deadlock,    isc_lock_conflict, isc_bad_trans_handle,  isc_trans_invalid,
        isc_req_no_trans};
    // The row's own values: a truncation, an overflow, a conversion, a NOT NULL, a key or a check.
    static constexpr ISC_STATUS kRowValues[] = {
        isc_arith_except,     isc_string_truncation, isc_numeric_out_of_range, isc_convert_error,
        isc_not_valid,        isc_no_dup,            isc_unique_key_violation,  isc_foreign_key,
        isc_check_constraint, isc_malformed_string,  isc_transliteration_failed, isc_date_range_exceeded};
    DatabaseError::Details details;
    const ISC_STATUS* v = const_cast<Firebird::IStatus*>(status)->getErrors();
    // The vector holds pairs of argument kind and value; every isc_arg_gds value is an error code.
    for (; v && *v != isc_arg_end; v += 2) {
        if (v[0] != isc_arg_gds) continue;
        details.codes.gdsCodes.push_back(static_cast<long>(v[1]));
        if (std::find(std::begin(kLost), std::end(kLost), v[1]) != std::end(kLost)) details.connectionLost = true;
        if (v[1] == isc_lock_timeout) details.timedOut = true;
        if (std::find(std::begin(kTable), std::end(kTable), v[1]) != std::end(kTable)) details.endsTable = true;
        if (v[1] == isc_cancelled) details.cancelled = true;
        if (std::find(std::begin(kRowValues), std::end(kRowValues), v[1]) != std::end(kRowValues))
            details.rowValues = true;
    }
    return details;
}

}  // namespace tess
