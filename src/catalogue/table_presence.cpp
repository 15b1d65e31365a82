#include "catalogue/table_presence.h"

#include "platform/database.h"

namespace tess {

CatalogueEntry FindInCatalogue(Connection& connection, const std::string& name, const std::string& schema) {
    try {
        auto rows = connection.openSchema(kSchemaTables);
        CatalogueEntry found = CatalogueEntry::kMissing;
        for (; !rows->eof(); rows->moveNext()) {
            if (TextOrEmpty(rows->value("TABLE_NAME")) != name) continue;
            if (!schema.empty() && TextOrEmpty(rows->value("TABLE_SCHEMA")) != schema) continue;
            found = TextOrEmpty(rows->value("TABLE_TYPE")) == "VIEW" ? CatalogueEntry::kView : CatalogueEntry::kTable;
            break;
        }
        rows->close();
        return found;
    } catch (const std::exception&) {
        return CatalogueEntry::kUnknown;
    }
}

}  // namespace tess
