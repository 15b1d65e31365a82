#pragma once
// Places controls at their design geometry in twips, with the fonts the windows are designed with.
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>

namespace tess {

class WidgetBuilder {
public:
    explicit WidgetBuilder(QWidget* window) : window_(window) {}

    QGroupBox* frame(const char* name, const char* caption, int l, int t, int w, int h);
    QLabel* label(QWidget* parent, const char* name, const char* caption, int l, int t);
    QLineEdit* field(QWidget* parent, const char* name, int l, int t, int w, int h, bool password = false);
    QPushButton* button(QWidget* parent, const char* name, const char* caption, int l, int t, int w, int h);
    QCheckBox* checkBox(QWidget* parent, const char* name, const char* caption, int l, int t, int w, int h);
    QListWidget* list(QWidget* parent, const char* name, int l, int t, int w, int h);
    QProgressBar* progressBar(const char* name, const char* text, int l, int t, int w, int h);

    // The frames' look, on the given background (designed white, the button face once coloured).
    static QString FrameStyle(const QColor& background);
    static QFont SmallBold();   // Arial 9 pt bold: fields, labels, frames, lists
    static QFont ButtonBold();  // Arial 11.25 pt bold: buttons

private:
    QWidget* window_;
};

// A white background through the palette: a style sheet's background would also become the base of
// a check box's indicator, which then vanishes.
void SetWhiteBackground(QWidget* widget);

}  // namespace tess
