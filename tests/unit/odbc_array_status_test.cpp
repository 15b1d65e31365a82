#include <gtest/gtest.h>
#include <sql.h>
#include <sqlext.h>

#include "platform/odbc/odbc_parameters.h"

namespace tess {
namespace {

// What SQLExecute of an array of three rows can return, as the drivers return it.
TEST(EveryArrayRowTaken, ReadsEachRowsStatusWhenTheCallAddsInformation) {
    constexpr SQLUSMALLINT ok = SQL_PARAM_SUCCESS, info = SQL_PARAM_SUCCESS_WITH_INFO, error = SQL_PARAM_ERROR,
                           unused = SQL_PARAM_UNUSED;
    struct Case {
        SQLRETURN rc;
        SQLULEN processed;
        std::vector<SQLUSMALLINT> statuses;
        bool taken;
    } cases[] = {
        {SQL_SUCCESS, 3, {ok, ok, ok}, true},
        {SQL_SUCCESS, 3, {unused, unused, unused}, true},  // SQLite's driver marks no status
        {SQL_SUCCESS, 2, {ok, ok, unused}, false},         // the driver stopped early
        {SQL_SUCCESS_WITH_INFO, 3, {ok, info, ok}, true},
        {SQL_SUCCESS_WITH_INFO, 3, {ok, error, ok}, false},  // FreeTDS: one row refused
        {SQL_SUCCESS_WITH_INFO, 3, {error, error, error}, false},
        {SQL_SUCCESS_WITH_INFO, 3, {ok, ok, unused}, false},
        {SQL_SUCCESS_WITH_INFO, 3, {ok, SQL_PARAM_DIAG_UNAVAILABLE, ok}, false},
        {SQL_ERROR, 3, {ok, ok, ok}, false},
        {SQL_NO_DATA, 0, {unused, unused, unused}, true},  // an UPDATE that touched no row
    };
    for (const auto& c : cases)
        EXPECT_EQ(EveryArrayRowTaken(c.rc, c.processed, c.statuses), c.taken)
            << "rc " << c.rc << ", processed " << c.processed << ", second status " << c.statuses[1];
}

}  // namespace
}  // namespace tess
