#pragma once
// The tables window on screen: two framed lists side by side, wired to Form2.
#include <QPointer>
#include <QListWidget>
#include <QPushButton>
#include <QWidget>
#include <array>
#include <memory>
#include <vector>

#include "common/stop_request.h"
#include "platform/qt/pointer_zones.h"
#include "platform/qt/qt_controls.h"
#include "tables/tables_window.h"

namespace tess {

class TablesWindowWidget : public QWidget {
public:
    TablesWindowWidget(Database& database, Toolkit& toolkit, const LoginSource& logins, Window& loginWindow,
                       OperationGuard& guard, StopRequest& stop);
    ~TablesWindowWidget() override;

    Form2& form() { return *form_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void connectHandlers(const std::array<QPushButton*, 12>& buttons);
    void showBusy(bool busy);

    QtWindow window_{this};
    std::unique_ptr<QtTableList> list1_, list2_;
    std::unique_ptr<QtProgressBar> progress_;
    std::unique_ptr<Form2> form_;
    OperationGuard& guard_;
    StopRequest& stop_;
    std::unique_ptr<PointerZones> pointer_;
    std::vector<QWidget*> idleOnly_;  // every button but Help, and the two lists
    QPointer<QWidget> focusBeforeBusy_;
};

}  // namespace tess
