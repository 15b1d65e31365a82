// The windows as a person meets them: real mouse moves through the window system, focus and key
// events, and what Qt draws, read back from the widgets.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QFontMetrics>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>
#include <QTimer>
#include <map>
#include <set>

#include "platform/qt/qt_toolkit.h"
#include "program_fixture.h"

namespace tess {
namespace {

class PersonTest : public ProgramFixture {
protected:
    void SetUp() override { ui.folder = TESSALINE_PROGRAM_FOLDER; }
    void storeWorkingLogins() {
        ProgramFixture::storeWorkingLogins();
        sqlServer.catalogue = FakeDatabase::Catalogue({{"Orders", "TABLE"}, {"Lines", "TABLE"}});
        firebird.catalogue = FakeDatabase::Catalogue({{"CUSTOMERS", "TABLE"}});
    }
    // A mouse move as the window system delivers it: Qt finds the widget under the point itself.
    static void moveOver(QWidget* widget, QPoint at = {-1, -1}) {
        if (at.x() < 0) at = widget->rect().center();
        QWidget* window = widget->window();
        QTest::mouseMove(window->windowHandle(), widget->mapTo(window, at));
        QApplication::processEvents();
    }
    int loginPointer() { return program->loginWindow().window().mousePointer(); }
};

TEST_F(PersonTest, TheHandShowsOverButtonsAndOnlyThere) {
    start();
    QWidget& window = program->loginWindow();
    struct Step {
        const char* what;
        QWidget* over;
        int pointer;
    } steps[] = {
        {"Next >", login<QPushButton>("PushButton2"), kPointerCustom},
        {"a label keeps it", login<QLabel>("Label6"), kPointerCustom},
        {"Check4 keeps it", login<QCheckBox>("Check4"), kPointerCustom},
        {"Text3 keeps it", login<QLineEdit>("Text3"), kPointerCustom},
        {"the frame's margin", login<QWidget>("Frame2"), kPointerDefault},
        {"the browse button", login<QPushButton>("PushButton5"), kPointerCustom},
        {"Text1", login<QLineEdit>("Text1"), kPointerDefault},
        {"Test Connection", login<QPushButton>("PushButton6"), kPointerCustom},
        {"the window itself", &window, kPointerDefault},
    };
    for (const auto& s : steps) {
        // The window and the frame are taken at a corner that no control covers.
        const bool corner = s.over == &window || std::string(s.what).find("frame") != std::string::npos;
        moveOver(s.over, corner ? QPoint(6, s.over->height() - 4) : QPoint(-1, -1));
        EXPECT_EQ(loginPointer(), s.pointer) << s.what;
        if (loginPointer() != s.pointer) return;
    }
    moveOver(login<QPushButton>("PushButton1"));
    EXPECT_EQ(window.cursor().shape(), Qt::BitmapCursor) << "the hand picture of HAND-M.CUR";
    program->loginWindow().window().setMousePointer(kPointerBusy);
    moveOver(login<QPushButton>("PushButton2"));
    moveOver(login<QWidget>("Frame1"));
    EXPECT_EQ(loginPointer(), kPointerBusy) << "moves never replace the hourglass";
    EXPECT_EQ(window.cursor().shape(), Qt::WaitCursor);
}

TEST_F(PersonTest, TheTablesWindowsPointerRules) {
    storeWorkingLogins();
    start();
    auto pointer = [&] { return program->tablesWindow().cursor().shape(); };
    moveOver(tables<QPushButton>("PushButton4"));
    EXPECT_EQ(pointer(), Qt::BitmapCursor);
    moveOver(tables<QProgressBar>("ProgressBar1"));
    EXPECT_EQ(pointer(), Qt::BitmapCursor) << "the progress bar has no rule";
    moveOver(tables<QListWidget>("List1"));
    EXPECT_EQ(pointer(), Qt::ArrowCursor);
    moveOver(tables<QPushButton>("PushButton12"));
    moveOver(tables<QWidget>("Frame2"), {5, 5});
    EXPECT_EQ(pointer(), Qt::ArrowCursor);
}

// No entry is current until the user clicks one or moves to one with the keys.
TEST_F(PersonTest, NoCurrentEntryThatNobodyChose) {
    storeWorkingLogins();
    start();
    auto* list1 = tables<QListWidget>("List1");
    list1->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    EXPECT_EQ(list1->currentRow(), -1);
    for (const char* button : {"PushButton3", "PushButton6", "PushButton1"}) {
        ui.boxes.clear();
        QTest::mouseClick(tables<QPushButton>(button), Qt::LeftButton);
        ASSERT_EQ(ui.boxes.size(), 1u) << button;
        EXPECT_EQ(ui.boxes[0].text, "Please select a table") << button;
    }
    EXPECT_TRUE(sqlServer.calls("execute").empty());
    list1->setFocus(Qt::TabFocusReason);
    QTest::keyClick(list1, Qt::Key_Down);
    EXPECT_EQ(list1->currentRow(), 0);
}

// Tab selects the whole text only in the fields whose rule says so.
TEST_F(PersonTest, TabSelectsOnlyWhereTheRuleSays) {
    store("FireBirdDatabase", "/data/shop.fdb");
    store("FireBirdPassword", "secret");
    store("MSSQL User", "sa");
    store("MSSQL Password", "pw");
    store("MSSQL Server", "SRV");
    store("MSSQL Database", "Shop");
    firebird.failOn("open", "unavailable");  // no automatic move: the login window stays
    start();
    QApplication::setActiveWindow(&program->loginWindow());
    login<QLineEdit>("Text1")->setFocus(Qt::MouseFocusReason);
    const std::map<std::string, bool> selects = {{"Text1", true}, {"Text7", true}, {"Text2", true},
                                                 {"Text5", true}, {"Text6", true}, {"Text3", false},
                                                 {"Text4", false}, {"Text8", false}};
    std::set<std::string> seen;
    for (int i = 0; i < 20 && seen.size() < selects.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QApplication::processEvents();
        auto* field = qobject_cast<QLineEdit*>(QApplication::focusWidget());

        if (!field || !selects.count(field->objectName().toStdString())) continue;
        const std::string name = field->objectName().toStdString();
        seen.insert(name);
        EXPECT_EQ(field->hasSelectedText(), selects.at(name)) << name << " [" << field->text().toStdString() << "]";
        if (selects.at(name)) {
            EXPECT_EQ(field->selectedText(), field->text()) << name;
        }
    }
    EXPECT_EQ(seen.size(), selects.size()) << "Tab reached every field";
}

// The indicator of "Local Connection" is drawn as a box, ticked or not, with the skin and without.
TEST_F(PersonTest, LocalConnectionLooksLikeACheckBox) {
    start();
    auto* box = login<QCheckBox>("Check4");
    // Pixels of the indicator's outline that stand out from the widget's own background.
    auto outlinePixels = [box] {
        QStyleOptionButton option;
        option.initFrom(box);
        const QRect r = box->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, box);
        const QImage image = box->grab().toImage();
        const int background = qGray(image.pixel(box->width() - 1, 0));
        int standing = 0, ring = 0;
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x) {
                if (x > r.left() + 1 && x < r.right() - 1 && y > r.top() + 1 && y < r.bottom() - 1) continue;
                ++ring;
                standing += std::abs(qGray(image.pixel(x, y)) - background) > 24;
            }
        return std::pair(standing, ring);
    };
    for (bool skinned : {true, false}) {
        if (!skinned) program->loginWindow().setStyleSheet("");
        for (bool ticked : {false, true}) {
            box->setChecked(ticked);
            const auto [standing, ring] = outlinePixels();
            EXPECT_GE(standing * 2, ring) << "skin " << skinned << ", ticked " << ticked << ": the box is drawn";
        }
    }
}

TEST_F(PersonTest, LoginsThatWorkNeverShowTheLoginWindow) {
    storeWorkingLogins();
    struct ShowWatch : QObject {
        int shows = 0;
        QString titleAtShow;
        bool eventFilter(QObject* o, QEvent* e) override {
            if (e->type() == QEvent::Show) ++shows, titleAtShow = static_cast<QWidget*>(o)->windowTitle();
            return false;
        }
    } watch;
    program = std::make_unique<Program>(db, ui, shell, settings, [this] { return draw; });
    program->loginWindow().installEventFilter(&watch);
    program->start();
    EXPECT_EQ(watch.shows, 0);
    EXPECT_TRUE(program->tablesWindow().isVisible());

    // Without working logins the window is shown once, already loaded.
    settings.values.clear();
    ShowWatch second;
    program = std::make_unique<Program>(db, ui, shell, settings, [this] { return draw; });
    program->loginWindow().installEventFilter(&second);
    program->start();
    EXPECT_EQ(second.shows, 1);
    EXPECT_EQ(second.titleAtShow, "Tessaline");
}

TEST_F(PersonTest, TheTablesWindowKeepsItsSize) {
    storeWorkingLogins();
    start();
    QWidget& w = program->tablesWindow();
    EXPECT_EQ(w.minimumSize(), w.maximumSize());
    const QSize before = w.size();
    w.resize(before * 2);
    EXPECT_EQ(w.size(), before);
}

// Run inside a modal loop: inspects the box or dialog that is open, then closes it.
template <class W, class Check>
void WhenOpen(Check check) {
    QTimer::singleShot(0, [check] {
        auto* open = qobject_cast<W*>(QApplication::activeModalWidget());
        ASSERT_NE(open, nullptr);
        check(*open);
        open->reject();
        open->close();
    });
}

TEST(QtToolkitBoxes, MessagesAreShownAsPlainText) {
    QtToolkit toolkit;
    const std::string text = "Table <b>x</b> & <i>y</i>\r\nsecond line";
    WhenOpen<QMessageBox>([&](QMessageBox& box) {
        EXPECT_EQ(box.textFormat(), Qt::PlainText);
        EXPECT_EQ(box.text().toStdString(), "Table <b>x</b> & <i>y</i>\nsecond line");
    });
    toolkit.messageBox(text, kOkOnly, std::nullopt);
    WhenOpen<QDialog>([&](QDialog& dialog) {
        for (QLabel* label : dialog.findChildren<QLabel*>()) EXPECT_EQ(label->textFormat(), Qt::PlainText);
    });
    toolkit.inputBox("Enter new name of <b>x</b>:", "Tessaline", "<b>x</b>");
}

// A box is wide enough for its title beside the window's icon and buttons: "Please select a table"
// made a box of 167 px, under a title of 120.
TEST(QtToolkitBoxes, ABoxShowsItsTitleWhole) {
    QtToolkit toolkit;
    for (const char* title : {"Tessaline", "Application Error"}) {
        WhenOpen<QMessageBox>([&](QMessageBox& box) {
            QFont bold = box.font();
            bold.setBold(true);
            const int titleWidth = QFontMetrics(bold).horizontalAdvance(title);
            EXPECT_GE(box.width(), titleWidth + 3 * 32) << title << ": the title and three buttons beside it";
        });
        toolkit.messageBox("Please select a table", kOkOnly, std::string(title));
    }
}

TEST(QtToolkitBoxes, TheBrowseDialogReadsAsWrittenAndOpensInTheDatabasesFolder) {
    QtToolkit toolkit;
    OpenFileRequest request;
    request.dialogTitle = "Select Firebird Database";
    request.filter = "FirebirdInterbase Database (*.fdb;*.gdb)|*.fdb;*.gdb|";
    request.startFolder = QDir::tempPath().toStdString();
    WhenOpen<QFileDialog>([&](QFileDialog& dialog) {
        EXPECT_EQ(dialog.nameFilters(), QStringList{"FirebirdInterbase Database (*.fdb;*.gdb)"});
        auto* combo = dialog.findChild<QComboBox*>("fileTypeCombo");
        ASSERT_NE(combo, nullptr);
        EXPECT_EQ(combo->currentText(), "FirebirdInterbase Database (*.fdb;*.gdb)");
        EXPECT_EQ(dialog.findChild<QFileSystemModel*>()->nameFilters(), (QStringList{"*.fdb", "*.gdb"}));
        EXPECT_EQ(dialog.directory().absolutePath(), QDir::tempPath());
    });
    EXPECT_EQ(toolkit.showOpen(request), std::nullopt);
}

}  // namespace
}  // namespace tess

namespace tess {
namespace {

// Closing the tables window in the middle of a copy commits the rows written, then ends the program.
TEST_F(PersonTest, ClosingDuringACopyCommitsFirst) {
    storeWorkingLogins();
    FakeResult rows;
    rows.fields = {{"ID", 3, 4, 10, 0}};
    for (int i = 0; i < 100; ++i) rows.rows.push_back({std::int64_t{i}});
    sqlServer.results["SELECT * FROM [Orders]"] = rows;
    start();
    auto* list1 = tables<QListWidget>("List1");
    list1->setCurrentRow(list1->row(list1->findItems("Orders", Qt::MatchExactly).front()));
    ui.onEvents = [this] {
        if (firebird.calls("execute INSERT").size() == 10) program->tablesWindow().close();
    };
    QTest::mouseClick(tables<QPushButton>("PushButton3"), Qt::LeftButton);
    ui.onEvents = nullptr;
    // Events run after each row: the close is seen before the next one.
    EXPECT_EQ(firebird.calls("execute INSERT").size(), 10u) << "no row after the close";
    EXPECT_EQ(firebird.calls("commit").size(), 1u) << "the rows written were committed";
    EXPECT_TRUE(program->stopRequest().requested());
}

}  // namespace
}  // namespace tess

namespace tess {
namespace {

// A web address in a message stays on one line: Qt's own wrapping broke it after "https://".
TEST(QtToolkitBoxes, AnAddressStaysOnOneLine) {
    QtToolkit toolkit;
    const std::string address = "https://www.kestrawin.example/contact/";
    for (const std::string& before : {std::string("Questions? Please contact Team Kestrawin at "),
                                      std::string(40, 'w') + " " + std::string(30, 'v') + " see "}) {
        WhenOpen<QMessageBox>([&](QMessageBox& box) {
            auto* label = box.findChild<QLabel*>("qt_msgbox_label");
            ASSERT_NE(label, nullptr);
            const QStringList lines = label->text().split('\n');
            const QString* holder = nullptr;
            for (const QString& line : lines)
                if (line.contains(QString::fromStdString(address))) holder = &line;
            ASSERT_NE(holder, nullptr) << label->text().toStdString();
            EXPECT_TRUE(!label->wordWrap() ||
                        label->fontMetrics().horizontalAdvance(*holder) <= label->contentsRect().width())
                << "the line with the address is not wrapped again";
            EXPECT_EQ(label->text().simplified().toStdString(), (before + address));
        });
        toolkit.messageBox(before + address, kOkOnly, std::nullopt);
    }
}

}  // namespace
}  // namespace tess

namespace tess {
namespace {

// The picture of the login help opens in a window of the program's own; one that cannot be read is
// a failure in words that name it.
TEST(QtShellPictures, OpenInAWindowOfTheProgramsOwn) {
    QtShell shell;
    const std::string picture = std::string(TESSALINE_PROGRAM_FOLDER) + "/local-connection-example.jpg";
    shell.run("explorer \"" + picture + "\"", kMinimizedKeepFocus);
    QLabel* shown = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == "Picture" && w->isVisible()) shown = qobject_cast<QLabel*>(w);
    ASSERT_NE(shown, nullptr);
    EXPECT_FALSE(shown->pixmap().isNull());

    QTemporaryDir folder;
    const std::string broken = folder.filePath("example.jpg").toStdString();
    QFile::copy(QString::fromStdString(std::string(TESSALINE_PROGRAM_FOLDER) + "/CMakeCache.txt"),
                QString::fromStdString(broken));
    for (const std::string& path : {broken, folder.filePath("missing.jpg").toStdString()}) {
        try {
            shell.run("explorer \"" + path + "\"", kMinimizedKeepFocus);
            ADD_FAILURE() << path << " opened";
        } catch (const ShellError& e) {
            EXPECT_NE(std::string(e.what()).find("The picture " + path + " cannot be shown: "), std::string::npos)
                << e.what();
        }
    }
}

}  // namespace
}  // namespace tess
