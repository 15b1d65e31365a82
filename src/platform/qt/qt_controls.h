#pragma once
// The toolkit's controls over Qt widgets.
#include <QCheckBox>
#include <QCursor>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QWidget>

#include "platform/toolkit.h"

namespace tess {

class QtTableList : public TableList {
public:
    explicit QtTableList(QListWidget* list) : list_(list) {}
    int listCount() const override { return list_->count(); }
    std::string item(int index) const override;
    bool selected(int index) const override;
    void setSelected(int index, bool selected) override;
    int listIndex() const override { return list_->currentRow(); }
    // Sorted without regard to case: Qt's own sorting goes by case.
    void addItem(const std::string& text) override;
    void removeItem(int index) override;
    void clear() override;

private:
    QListWidgetItem* at(int index) const;
    QListWidget* list_;
};

class QtTextField : public TextField {
public:
    explicit QtTextField(QLineEdit* field) : field_(field) {}
    std::string text() const override { return field_->text().toStdString(); }
    void setText(const std::string& text) override { field_->setText(QString::fromStdString(text)); }

private:
    QLineEdit* field_;
};

class QtCheckBox : public CheckBox {
public:
    explicit QtCheckBox(QCheckBox* box) : box_(box) {}
    int value() const override { return box_->isChecked() ? 1 : 0; }
    void setValue(int value) override { box_->setChecked(value != 0); }

private:
    QCheckBox* box_;
};

class QtProgressBar : public ProgressBar {
public:
    explicit QtProgressBar(QProgressBar* bar) : bar_(bar), words_(bar->format()) {}
    void setValue(double percent) override;
    void showWaiting(const std::string& text) override;

private:
    QProgressBar* bar_;
    QString words_;  // its own, shown beside the measure
};

class QtWindow : public Window {
public:
    explicit QtWindow(QWidget* window) : window_(window) {}
    void show() override;
    void hide() override { window_->hide(); }
    void setCaption(const std::string& caption) override { window_->setWindowTitle(QString::fromStdString(caption)); }
    int mousePointer() const override { return pointer_; }
    void setMousePointer(int pointer) override;
    double left() const override;
    double top() const override;
    double width() const override;
    double height() const override;
    void move(double left, double top) override;
    void setHeight(double height) override;
    void setProgramIcon() override;
    void setCustomPointerPicture(const std::string& path) override;
    void setButtonFaceColors() override;
    void applySkin(const std::string& path) override;

private:
    QWidget* window_;
    int pointer_ = kPointerDefault;
    QCursor custom_{Qt::ArrowCursor};
};

}  // namespace tess
