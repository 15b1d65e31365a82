#include "platform/odbc/odbc_locale.h"

#include <langinfo.h>

#include <clocale>
#include <cstring>

namespace tess {

void UseUtf8CharacterSet() {
    std::setlocale(LC_CTYPE, "");
    const char* codeset = nl_langinfo(CODESET);
    if (codeset && (std::strcmp(codeset, "UTF-8") == 0 || std::strcmp(codeset, "utf8") == 0)) return;
    std::setlocale(LC_CTYPE, "C.UTF-8");
}

}  // namespace tess
