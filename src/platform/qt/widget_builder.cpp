#include "platform/qt/widget_builder.h"

#include <QHelpEvent>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QToolTip>

#include "platform/qt/twips.h"

namespace tess {
namespace {

// Arial where installed, else its metric twin.
QFont Arial(double points) {
    QFont font("Arial");
    font.setFamilies({"Arial", "Liberation Sans"});
    font.setPointSizeF(points);
    font.setBold(true);
    return font;
}

template <class W>
W* Place(W* w, const char* name, int l, int t, int width, int height, const QFont& font) {
    w->setObjectName(name);
    w->setFont(font);
    w->setGeometry(Px(l), Px(t), Px(width), Px(height));
    w->setMouseTracking(true);
    return w;
}

// Each entry as the style draws it, plus two things a person needs: a focus mark that stands out
// under any style (the style's own is faint or absent), and the whole name as a tooltip where
// the list is too narrow to show it.
class TableEntryDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QStyledItemDelegate::paint(painter, option, index);
        if (!(option.state & QStyle::State_HasFocus)) return;
        painter->save();
        const bool selected = option.state & QStyle::State_Selected;
        QPen pen(option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text), 1, Qt::DashLine);
        painter->setPen(pen);
        painter->drawRect(option.rect.adjusted(0, 0, -1, -1));
        painter->restore();
    }

    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override {
        if (event->type() != QEvent::ToolTip || !index.isValid())
            return QStyledItemDelegate::helpEvent(event, view, option, index);
        if (view->sizeHintForIndex(index).width() > view->viewport()->width())
            QToolTip::showText(event->globalPos(), index.data().toString(), view->viewport(), option.rect);
        else
            QToolTip::hideText();
        return true;
    }
};

// A button whose focus shows as a ring in the highlight colour, under the skin too: the skin draws
// no focus at all and the plain style a faint one, so a keyboard user lost track of the focus.
class FocusMarkedButton : public QPushButton {
public:
    using QPushButton::QPushButton;

protected:
    void paintEvent(QPaintEvent* event) override {
        QPushButton::paintEvent(event);
        if (!hasFocus()) return;
        QPainter painter(this);
        painter.setPen(QPen(palette().color(QPalette::Highlight).darker(150), 2));
        painter.drawRoundedRect(QRectF(rect()).adjusted(2, 2, -2, -2), 3, 3);
    }
};

// A list whose current entry is one the user chose. Qt makes the first row current when a list
// without one gets the focus from the keyboard or the window; the lists' operations read "no
// current entry" as "nothing chosen", so the entry stays unset until a click or an arrow key.
// A selection, however it was made (Ctrl+A, the Select All button, a drag), makes its first entry
// current when none is, or the operations would answer "Please select a table" to a full list.
class TableListWidget : public QListWidget {
public:
    explicit TableListWidget(QWidget* parent) : QListWidget(parent) {
        connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { currentFromSelection(); });
    }

protected:
    void focusInEvent(QFocusEvent* event) override {
        const bool hadCurrent = currentIndex().isValid();
        QListWidget::focusInEvent(event);
        if (!hadCurrent && currentIndex().isValid())
            selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
        viewport()->update();
    }
    void focusOutEvent(QFocusEvent* event) override {
        QListWidget::focusOutEvent(event);
        viewport()->update();
    }
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override {
        QListWidget::currentChanged(current, previous);
        viewport()->update();
    }
    // With no current entry the style draws no focus at all: the list itself carries the mark.
    void paintEvent(QPaintEvent* event) override {
        QListWidget::paintEvent(event);
        if (!hasFocus() || currentIndex().isValid()) return;
        QPainter painter(viewport());
        painter.setPen(QPen(palette().color(QPalette::Highlight).darker(150), 2, Qt::DashLine));
        painter.drawRect(QRectF(viewport()->rect()).adjusted(1, 1, -1, -1));
    }

private:
    void currentFromSelection() {
        if (currentIndex().isValid()) return;
        int first = -1;
        for (const QModelIndex& index : selectionModel()->selectedIndexes())
            if (first == -1 || index.row() < first) first = index.row();
        if (first != -1) selectionModel()->setCurrentIndex(model()->index(first, 0), QItemSelectionModel::NoUpdate);
    }
};

}  // namespace

void SetWhiteBackground(QWidget* widget) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, Qt::white);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

QFont WidgetBuilder::SmallBold() { return Arial(9); }

QString WidgetBuilder::FrameStyle(const QColor& background) {
    return QString("QGroupBox { background: %1; border: 1px solid #a0a0a0; border-radius: 3px; margin-top: %2px; }"
                   "QGroupBox::title { subcontrol-origin: margin; left: 6px; padding: 0 3px; }")
        .arg(background.name())
        .arg(Px(120));
}
QFont WidgetBuilder::ButtonBold() { return Arial(11.25); }

QGroupBox* WidgetBuilder::frame(const char* name, const char* caption, int l, int t, int w, int h) {
    auto* frame = Place(new QGroupBox(caption, window_), name, l, t, w, h, SmallBold());
    frame->setStyleSheet(FrameStyle(Qt::white));
    return frame;
}

QLabel* WidgetBuilder::label(QWidget* parent, const char* name, const char* caption, int l, int t) {
    auto* label = new QLabel(caption, parent);
    label->setObjectName(name);
    label->setFont(SmallBold());
    label->adjustSize();
    label->move(Px(l), Px(t));
    label->setMouseTracking(true);
    return label;
}

QLineEdit* WidgetBuilder::field(QWidget* parent, const char* name, int l, int t, int w, int h, bool password) {
    auto* field = Place(new QLineEdit(parent), name, l, t, w, h, SmallBold());
    if (password) {
        field->setEchoMode(QLineEdit::Password);
        field->setStyleSheet("QLineEdit { lineedit-password-character: 42; }");  // "*"
    }
    return field;
}

QPushButton* WidgetBuilder::button(QWidget* parent, const char* name, const char* caption, int l, int t, int w,
                                   int h) {
    auto* button = Place(new FocusMarkedButton(caption, parent), name, l, t, w, h, ButtonBold());
    // Enter presses the focused button, as the windows were designed; Qt does so only in dialogs.
    button->setAutoDefault(true);
    return button;
}

QCheckBox* WidgetBuilder::checkBox(QWidget* parent, const char* name, const char* caption, int l, int t, int w, int h) {
    return Place(new QCheckBox(caption, parent), name, l, t, w, h, SmallBold());
}

QListWidget* WidgetBuilder::list(QWidget* parent, const char* name, int l, int t, int w, int h) {
    auto* list = Place(new TableListWidget(parent), name, l, t, w, h, SmallBold());
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list->setItemDelegate(new TableEntryDelegate(list));
    return list;
}

QProgressBar* WidgetBuilder::progressBar(const char* name, const char* text, int l, int t, int w, int h) {
    auto* bar = Place(new QProgressBar(window_), name, l, t, w, h, SmallBold());
    bar->setRange(0, 100);
    bar->setValue(0);
    bar->setFormat(text);
    return bar;
}

}  // namespace tess
