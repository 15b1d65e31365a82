#pragma once
// The login window on screen: its controls at their design places, wired to Form1.
#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>
#include <memory>

#include "common/stop_request.h"
#include "connect/login_window.h"
#include "platform/qt/pointer_zones.h"
#include "platform/qt/qt_controls.h"

namespace tess {

class LoginWindowWidget : public QWidget {
public:
    LoginWindowWidget(Database& database, Toolkit& toolkit, Shell& shell, SettingsStore& settings,
                      std::function<TablesWindowDoor&()> tablesWindow, Form1::Random random, OperationGuard& guard,
                      StopRequest& stop);
    ~LoginWindowWidget() override;

    Form1& form() { return *form_; }
    Window& window() { return window_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // The controls at their design places.
    struct Controls {
        QGroupBox *frame1, *frame2;
        QLineEdit *text1, *text2, *text3, *text4, *text5, *text6, *text7, *text8;
        QCheckBox* check4;
        QPushButton *help, *next, *testFirebird, *browse, *testSqlServer, *sample;
    };
    Controls placeControls();
    void connectHandlers(const Controls& c);
    void addPointerRules(const Controls& c);

    QtWindow window_{this};
    std::vector<std::unique_ptr<QtTextField>> fields_;
    std::unique_ptr<QtCheckBox> check4_;
    std::unique_ptr<Form1> form_;
    OperationGuard& guard_;
    StopRequest& stop_;
    std::unique_ptr<PointerZones> pointer_;
    std::vector<QLineEdit*> selectOnFocus_, keepOnFocus_;
};

}  // namespace tess
