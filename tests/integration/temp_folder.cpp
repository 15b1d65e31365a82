#include "temp_folder.h"

#include <firebird/Interface.h>
#include <ibase.h>
#include <stdlib.h>

#include <cstring>
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

void CreateFirebirdDatabase(const std::string& path, const std::string& defaultCharacterSet, int dialect) {
    using namespace Firebird;
    IMaster* master = fb_get_master_interface();
    ThrowStatusWrapper status(master->getStatus());
    IXpbBuilder* dpb = master->getUtilInterface()->getXpbBuilder(&status, IXpbBuilder::DPB, nullptr, 0);
    dpb->insertString(&status, isc_dpb_user_name, "SYSDBA");
    dpb->insertInt(&status, isc_dpb_sql_dialect, dialect);
    if (!defaultCharacterSet.empty()) dpb->insertString(&status, isc_dpb_set_db_charset, defaultCharacterSet.c_str());
    IProvider* provider = master->getDispatcher();
    IAttachment* attachment =
        provider->createDatabase(&status, path.c_str(), dpb->getBufferLength(&status), dpb->getBuffer(&status));
    attachment->detach(&status);
    dpb->dispose();
    provider->release();
    status.dispose();
}

namespace {

Firebird::IAttachment* AttachAsSysdba(Firebird::IMaster* master, Firebird::ThrowStatusWrapper& status,
                                      const std::string& path) {
    Firebird::IXpbBuilder* dpb =
        master->getUtilInterface()->getXpbBuilder(&status, Firebird::IXpbBuilder::DPB, nullptr, 0);
    dpb->insertString(&status, isc_dpb_user_name, "SYSDBA");
    Firebird::IProvider* provider = master->getDispatcher();
    Firebird::IAttachment* attachment =
        provider->attachDatabase(&status, path.c_str(), dpb->getBufferLength(&status), dpb->getBuffer(&status));
    dpb->dispose();
    provider->release();
    return attachment;
}

}  // namespace

void PutFirebirdArray(const std::string& path, const std::string& relation, const std::string& field,
                      const std::string& update, unsigned char elementType, unsigned short elementBytes,
                      const std::vector<std::pair<int, int>>& bounds, std::vector<unsigned char> slice) {
    using namespace Firebird;
    IMaster* master = fb_get_master_interface();
    ThrowStatusWrapper status(master->getStatus());
    IAttachment* attachment = AttachAsSysdba(master, status, path);
    ITransaction* transaction = attachment->startTransaction(&status, 0, nullptr);

    ISC_ARRAY_DESC desc{};
    desc.array_desc_dtype = elementType;
    desc.array_desc_length = elementBytes;
    relation.copy(desc.array_desc_relation_name, sizeof desc.array_desc_relation_name - 1);
    field.copy(desc.array_desc_field_name, sizeof desc.array_desc_field_name - 1);
    desc.array_desc_dimensions = static_cast<short>(bounds.size());
    for (size_t d = 0; d < bounds.size(); ++d)
        desc.array_desc_bounds[d] = {static_cast<short>(bounds[d].first), static_cast<short>(bounds[d].second)};
    ISC_STATUS_ARRAY legacy{};
    unsigned char sdl[512];
    short sdlLength = 0, sdlBuffer = sizeof sdl;
    if (isc_array_gen_sdl(legacy, &desc, &sdlBuffer, sdl, &sdlLength)) throw std::runtime_error("isc_array_gen_sdl");

    ISC_QUAD id{};
    attachment->putSlice(&status, transaction, &id, static_cast<unsigned>(sdlLength), sdl, 0, nullptr,
                         static_cast<int>(slice.size()), slice.data());
    IStatement* statement = attachment->prepare(&status, transaction, 0, update.c_str(), 3, 0);
    IMessageMetadata* in = statement->getInputMetadata(&status);
    std::vector<unsigned char> message(in->getMessageLength(&status));
    std::memcpy(&message[in->getOffset(&status, 0)], &id, sizeof id);
    statement->execute(&status, transaction, in, message.data(), nullptr, nullptr);
    in->release();
    statement->free(&status);
    transaction->commit(&status);
    attachment->detach(&status);
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
