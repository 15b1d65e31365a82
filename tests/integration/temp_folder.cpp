#include "temp_folder.h"

#include <firebird/Interface.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace tess {

TempFolder::TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tessaline-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot make a temp folder");
    path_ = pattern;
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

void CreateFirebirdDatabase(const std::string& path, const std::string& defaultCharacterSet) {
    using namespace Firebird;
    IMaster* master = fb_get_master_interface();
    ThrowStatusWrapper status(master->getStatus());
    IXpbBuilder* dpb = master->getUtilInterface()->getXpbBuilder(&status, IXpbBuilder::DPB, nullptr, 0);
    dpb->insertString(&status, isc_dpb_user_name, "SYSDBA");
    dpb->insertInt(&status, isc_dpb_sql_dialect, 3);
    if (!defaultCharacterSet.empty()) dpb->insertString(&status, isc_dpb_set_db_charset, defaultCharacterSet.c_str());
    IProvider* provider = master->getDispatcher();
    IAttachment* attachment =
        provider->createDatabase(&status, path.c_str(), dpb->getBufferLength(&status), dpb->getBuffer(&status));
    attachment->detach(&status);
    dpb->dispose();
    provider->release();
    status.dispose();
}

void UsePrivateOdbcDrivers(const std::string& folder, const std::string& iniText) {
    std::ofstream(folder + "/odbcinst.ini") << iniText;
    std::ofstream(folder + "/odbc.ini") << "";
    setenv("ODBCSYSINI", folder.c_str(), 1);
    setenv("ODBCINSTINI", "odbcinst.ini", 1);
    setenv("ODBCINI", (folder + "/odbc.ini").c_str(), 1);
}

}  // namespace tess
