// Starts the program. Until the login window exists, a plain window says what the program is.
#include <QApplication>
#include <QLabel>

#include "platform/odbc/odbc_locale.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    tess::UseUtf8CharacterSet();
    QLabel window("Tessaline copies tables between SQL Server and Firebird.\nThe login window is on its way.");
    window.setWindowTitle("Tessaline");
    window.setMargin(24);
    window.show();
    return app.exec();
}
