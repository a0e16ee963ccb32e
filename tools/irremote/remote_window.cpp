#include "remote_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>

namespace irremote {

namespace {

// Clock ticks: the session is advanced often enough that frames leave within
// a millisecond or two of their turn; the panels follow at screen pace.
constexpr int SESSION_TICK_MS = 2;
constexpr int DISPLAY_TICK_MS = 50;

QSlider* trackSlider() {
    auto* s = new QSlider(Qt::Vertical);
    s->setRange(-MAX_SPEED, MAX_SPEED);
    s->setTickPosition(QSlider::TicksBothSides);
    s->setTickInterval(5);
    s->setFocusPolicy(Qt::NoFocus);
    s->setMinimumHeight(120);
    return s;
}

template <class W>
W* unfocused(W* w) {
    w->setFocusPolicy(Qt::NoFocus);
    return w;
}

}  // namespace

RemoteWindow::RemoteWindow(Session& session, bool quitAtScriptEnd) : session_(session) {
    setWindowTitle("irremote");
    auto* rows = new QVBoxLayout(this);
    auto* panels = new QHBoxLayout;
    for (int n = 0; n < CONTROLLERS; ++n) panels->addWidget(makePanel(n));
    rows->addLayout(panels);
    auto* keys = new QLabel(
        "Keys for the selected remote: 1-4 select, Enter on/off, Q/A left track, P/L right track, "
        "W/S both tracks, Space fire, T turret");
    keys->setWordWrap(true);
    rows->addWidget(keys);
    status_ = new QLabel;
    rows->addWidget(status_);
    select(0);

    auto* sessionTick = new QTimer(this);
    sessionTick->setTimerType(Qt::PreciseTimer);
    connect(sessionTick, &QTimer::timeout, this, [this, quitAtScriptEnd] {
        session_.tick(port::virtual_receiver::monotonicNowNs());
        if (quitAtScriptEnd && session_.scriptFinished()) QApplication::quit();
    });
    sessionTick->start(SESSION_TICK_MS);
    auto* displayTick = new QTimer(this);
    connect(displayTick, &QTimer::timeout, this, [this] { showState(); });
    displayTick->start(DISPLAY_TICK_MS);
    showState();
}

QGroupBox* RemoteWindow::makePanel(int n) {
    Panel& p = panels_[size_t(n)];
    p.box = new QGroupBox(QString("Controller %1").arg(n));
    auto* grid = new QGridLayout(p.box);

    p.on = unfocused(new QPushButton("On"));
    p.on->setCheckable(true);
    p.model = new QSpinBox;
    p.model->setRange(0, 31);
    p.model->setValue(n + 1);
    p.model->setPrefix("model ");
    p.mode = unfocused(new QComboBox);
    p.mode->addItems({"Training", "Munition", "Ladezeit"});
    p.single = unfocused(new QCheckBox("Single"));
    p.newModel = unfocused(new QCheckBox("New"));
    p.left = trackSlider();
    p.right = trackSlider();
    p.speeds = new QLabel;
    p.speeds->setAlignment(Qt::AlignCenter);
    p.fire = unfocused(new QPushButton("Fire"));
    p.turret = unfocused(new QPushButton("Turret"));
    p.frame = new QLabel;
    p.frame->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));

    grid->addWidget(p.on, 0, 0, 1, 2);
    grid->addWidget(p.model, 1, 0, 1, 2);
    grid->addWidget(p.mode, 2, 0, 1, 2);
    grid->addWidget(p.single, 3, 0);
    grid->addWidget(p.newModel, 3, 1);
    grid->addWidget(new QLabel("L"), 4, 0, Qt::AlignCenter);
    grid->addWidget(new QLabel("R"), 4, 1, Qt::AlignCenter);
    grid->addWidget(p.left, 5, 0, Qt::AlignHCenter);
    grid->addWidget(p.right, 5, 1, Qt::AlignHCenter);
    grid->addWidget(p.speeds, 6, 0, 1, 2);
    grid->addWidget(p.fire, 7, 0);
    grid->addWidget(p.turret, 7, 1);
    grid->addWidget(p.frame, 8, 0, 1, 2);

    connect(p.on, &QPushButton::toggled, this, [this, n](bool on) { switchRemote(n, on); });
    auto tracksMoved = [this, n] {
        const Panel& q = panels_[size_t(n)];
        session_.remote().setTracks(n, q.left->value(), q.right->value());
    };
    connect(p.left, &QSlider::valueChanged, this, tracksMoved);
    connect(p.right, &QSlider::valueChanged, this, tracksMoved);
    connect(p.fire, &QPushButton::clicked, this, [this, n] { session_.remote().fire(n); });
    connect(p.turret, &QPushButton::pressed, this, [this, n] { session_.remote().setTurret(n, true); });
    connect(p.turret, &QPushButton::released, this, [this, n] { session_.remote().setTurret(n, false); });
    return p.box;
}

// The remote announces itself with what its panel shows at the moment it is
// switched on.
void RemoteWindow::switchRemote(int n, bool on) {
    Panel& p = panels_[size_t(n)];
    if (!on) {
        session_.remote().switchOff(n);
        return;
    }
    Announcement a;
    a.mode = static_cast<Mode>(p.mode->currentIndex());
    a.single = p.single->isChecked();
    a.newModel = p.newModel->isChecked();
    session_.remote().switchOn(n, p.model->value(), a);
}

void RemoteWindow::select(int n) {
    selected_ = n;
    for (int k = 0; k < CONTROLLERS; ++k)
        panels_[size_t(k)].box->setTitle(QString(k == n ? "> Controller %1 <" : "Controller %1").arg(k));
}

// Mirrors the remotes' state, which a script or the keyboard may have changed.
void RemoteWindow::showState() {
    for (int n = 0; n < CONTROLLERS; ++n) {
        Panel& p = panels_[size_t(n)];
        const ControllerState& s = session_.remote().state(n);
        {
            const QSignalBlocker b1(p.on), b2(p.left), b3(p.right), b4(p.model), b5(p.mode), b6(p.single),
                b7(p.newModel);
            p.on->setChecked(s.on);
            p.left->setValue(s.left);
            p.right->setValue(s.right);
            if (s.on) {
                p.model->setValue(s.model);
                p.mode->setCurrentIndex(static_cast<int>(s.announcement.mode));
                p.single->setChecked(s.announcement.single);
                p.newModel->setChecked(s.announcement.newModel);
            }
        }
        p.speeds->setText(QString("%1   %2").arg(s.left).arg(s.right));
        p.turret->setDown(s.turret);
        const auto& frame = session_.lastFrame(n);
        p.frame->setText(s.on && frame ? QString::fromStdString(frameText(*frame)) : QString("-"));
    }
    const FrameLink& link = session_.link();
    status_->setText(QString("%1: %2, %3 frames sent, %4 lost")
                         .arg(QString::fromStdString(link.address()))
                         .arg(link.overUdp()               ? "over UDP"
                              : link.receiverListening() ? "receiver listening"
                                                         : "no receiver listening")
                         .arg(link.framesSent())
                         .arg(link.framesLost()));
}

bool RemoteWindow::pressKey(int key, bool pressed) {
    Remote& remote = session_.remote();
    const int n = selected_;
    const ControllerState& s = remote.state(n);
    const int full = pressed ? MAX_SPEED : 0;
    switch (key) {
        case Qt::Key_1: case Qt::Key_2: case Qt::Key_3: case Qt::Key_4:
            if (pressed) select(key - Qt::Key_1);
            return true;
        case Qt::Key_Return: case Qt::Key_Enter:
            if (pressed) panels_[size_t(n)].on->toggle();
            return true;
        case Qt::Key_Q: remote.setTracks(n, full, s.right); return true;
        case Qt::Key_A: remote.setTracks(n, -full, s.right); return true;
        case Qt::Key_P: remote.setTracks(n, s.left, full); return true;
        case Qt::Key_L: remote.setTracks(n, s.left, -full); return true;
        case Qt::Key_W: remote.setTracks(n, full, full); return true;
        case Qt::Key_S: remote.setTracks(n, -full, -full); return true;
        case Qt::Key_Space:
            if (pressed) remote.fire(n);
            return true;
        case Qt::Key_T: remote.setTurret(n, pressed); return true;
        default: return false;
    }
}

void RemoteWindow::keyPressEvent(QKeyEvent* event) {
    if (event->isAutoRepeat() || !pressKey(event->key(), true)) QWidget::keyPressEvent(event);
}

void RemoteWindow::keyReleaseEvent(QKeyEvent* event) {
    if (event->isAutoRepeat() || !pressKey(event->key(), false)) QWidget::keyReleaseEvent(event);
}

}  // namespace irremote
