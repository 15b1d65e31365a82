// Runs the ODBC tests with the drivers their file registers, in a UTF-8 locale as the program runs.
#include <gtest/gtest.h>

#include "platform/odbc/odbc_locale.h"
#include "temp_folder.h"

namespace tess {
extern const char* const kOdbcDriversIni;  // defined by each ODBC test file
}

int main(int argc, char** argv) {
    tess::UseUtf8CharacterSet();
    tess::TempFolder drivers;
    tess::UsePrivateOdbcDrivers(drivers.path(), tess::kOdbcDriversIni);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
