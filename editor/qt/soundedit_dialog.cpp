#include "editor/qt/soundedit_dialog.h"

#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTimer>

#include "editor/qt/waveform_strip_widget.h"
#include "window/qt/control_binding.h"
#include "window/qt/message_box.h"
#include "editor/soundedit_layout.h"

namespace rumblet::qtskin {

namespace layout = soundedit_layout;

void QtSoundeditSystem::MsgBox(const std::string& text) { showMessage(text); }

std::string QtSoundeditSystem::decimalSeparator() const { return fromQt(QLocale().decimalPoint()); }

namespace {

QRect rectOf(const layout::Place& p) { return QRect(p.left, p.top, p.width, p.height); }

QString indexedName(const char* name, std::size_t i) {
    return QString::fromLatin1(name) + QLatin1Char('_') + QString::number(i);
}

template <typename W>
W* place(W* widget, const layout::Place& p, const QString& name) {
    widget->setGeometry(rectOf(p));
    widget->setObjectName(name);
    return widget;
}

// The file list: mirrors the items and the picked one. Only the user picks
// (a click or the arrow keys); the list's own habit of making its first row
// current when it gets the focus is no pick and is undone.
class FileListWidget : public QListWidget {
public:
    FileListWidget(FileList& list, QWidget* parent) : QListWidget(parent), list_(list) {
        setSelectionMode(QAbstractItemView::SingleSelection);
        QPointer<QListWidget> w(this);
        list.changed = [&list, w] {
            if (!w) return;
            QSignalBlocker block(w);
            QStringList names;
            for (const auto& item : list.items) names << toQt(item);
            QStringList shown;
            for (int i = 0; i < w->count(); ++i) shown << w->item(i)->text();
            if (names != shown) {
                w->clear();
                w->addItems(names);
            }
            w->setCurrentRow(list.listIndex);
            w->setEnabled(list.enabled);
        };
        list.changed();
    }

protected:
    void mousePressEvent(QMouseEvent* event) override {
        QListWidget::mousePressEvent(event);
        pickCurrentRow();
    }
    void keyPressEvent(QKeyEvent* event) override {
        QListWidget::keyPressEvent(event);
        pickCurrentRow();
    }
    void focusInEvent(QFocusEvent* event) override {
        QListWidget::focusInEvent(event);
        if (currentRow() != list_.listIndex && list_.changed) list_.changed();
    }

private:
    void pickCurrentRow() {
        int row = currentRow();
        if (row >= 0 && row != list_.listIndex) runUserAction([this, row] { list_.click(row); });
    }
    FileList& list_;
};

}  // namespace

SoundeditDialog::SoundeditDialog(Soundedit& editor, QWidget* owner) : QDialog(owner), editor_(editor) {
    setObjectName(QStringLiteral("Soundedit"));
    setWindowTitle(toQt(editor.caption));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setModal(true);
    setFixedSize(layout::CLIENT_WIDTH, layout::CLIENT_HEIGHT);
    useWindowFont(this);
    buildWidgets();
}

// Created in the order the window stacks them: frames before what they hold.
void SoundeditDialog::buildWidgets() {
    Soundedit& e = editor_;

    auto* frame2 = place(new QGroupBox(this), layout::Frame2, QStringLiteral("Frame2"));
    bindFrame(e.Frame2, frame2);
    place(new FileListWidget(e.File1, frame2), layout::File1, QStringLiteral("File1"));

    auto* frame4 = place(new QGroupBox(this), layout::Frame4, QStringLiteral("Frame4"));
    bindFrame(e.Frame4, frame4);
    for (std::size_t i = 0; i < 4; ++i) {
        auto* row = place(new QGroupBox(frame4), layout::Frame1[i], indexedName("Frame1", i));
        bindFrame(e.Frame1[i], row);
        auto* name = place(new QLabel(row), layout::Label3, indexedName("Label3", i));
        bindLabel(e.Label3[i], name);
    }
    auto* frame7 = place(new QGroupBox(frame4), layout::Frame7, QStringLiteral("Frame7"));
    bindFrame(e.Frame7, frame7);
    auto* slider2 = place(new QSlider(Qt::Horizontal, frame7), layout::Slider2, QStringLiteral("Slider2"));
    bindSlider(e.Slider2, slider2);
    for (std::size_t i = 0; i < 4; ++i) {
        auto* option = place(new QRadioButton(frame4), layout::Option2[i], indexedName("Option2", i));
        // The category options are only 13 pixels high: a smaller indicator.
        option->setStyleSheet(QStringLiteral("QRadioButton::indicator { width: 11px; height: 11px; }"));
        bindOption(e.Option2[i], option, [&e, i] { selectOption(e.Option2, i); });
    }
    auto* frame3 = place(new QGroupBox(frame4), layout::Frame3, QStringLiteral("Frame3"));
    bindFrame(e.Frame3, frame3);
    for (std::size_t i = 0; i < 4; ++i) {
        auto* option = place(new QRadioButton(frame3), layout::Option1[i], indexedName("Option1", i));
        bindOption(e.Option1[i], option, [&e, i] { selectOption(e.Option1, i); });
    }
    auto* command1 = place(new QPushButton(frame4), layout::Command1, QStringLiteral("Command1"));
    bindButton(e.Command1, command1, [&e] { e.Command1_Click(); });
    auto* command2 = place(new QPushButton(frame4), layout::Command2, QStringLiteral("Command2"));
    bindButton(e.Command2, command2, [&e] { e.Command2_Click(); });
    for (auto* b : {command1, command2}) b->setAutoDefault(false);

    auto* frame5 = place(new QGroupBox(this), layout::Frame5, QStringLiteral("Frame5"));
    bindFrame(e.Frame5, frame5);
    for (std::size_t i = 0; i < e.Option3.size(); ++i) {
        auto* option = place(new QRadioButton(frame5), layout::Option3[i], indexedName("Option3", i));
        bindOption(e.Option3[i], option, [&e, i] { selectOption(e.Option3, i); });
    }
    for (std::size_t i = 0; i < 2; ++i) {
        auto* frame6 = place(new QGroupBox(frame5), layout::Frame6[i], indexedName("Frame6", i));
        bindFrame(e.Frame6[i], frame6);
        auto* slider = place(new QSlider(Qt::Horizontal, frame6), layout::Slider1, indexedName("Slider1", i));
        bindSlider(e.Slider1[i], slider);
        auto* value = place(new QLabel(frame6), layout::Label4, indexedName("Label4", i));
        bindLabel(e.Label4[i], value);
    }

    place(new WaveformStripWidget(e, this), layout::WaveStrip, QStringLiteral("WaveStrip"));

    timer1_ = new QTimer(this);
    timer1_->setObjectName(QStringLiteral("Timer1"));
    bindTimer(e.Timer1, timer1_);
}

int SoundeditDialog::showModal() {
    unloaded_ = false;
    runUserAction([this] { editor_.Form_Load(); });
    return exec();
}

void SoundeditDialog::done(int result) {
    if (!unloaded_) {
        unloaded_ = true;
        runUserAction([this] { editor_.Form_Unload(); });
    }
    QDialog::done(result);
}

}  // namespace rumblet::qtskin
