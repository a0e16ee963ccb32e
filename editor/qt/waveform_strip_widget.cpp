#include "editor/qt/waveform_strip_widget.h"

#include <QLine>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <QVector>
#include <QWheelEvent>
#include <cmath>

#include "window/qt/control_binding.h"
#include "editor/soundedit_waveform.h"

namespace rumblet::qtskin {

namespace {

// The lane of the segment names above the wave, in logical pixels.
constexpr int LANE_HEIGHT = 14;

// One colour per segment, Motorstart to Motorstop.
const std::array<QColor, 6> SEGMENT_COLOURS{{QColor(0x4c, 0xaf, 0x50), QColor(0x03, 0xa9, 0xf4),
                                             QColor(0xff, 0x98, 0x00), QColor(0x9c, 0x27, 0xb0),
                                             QColor(0xf4, 0x43, 0x36), QColor(0x79, 0x55, 0x48)}};
const QColor WAVE_COLOUR(0x1a, 0x3a, 0x6b);
const QColor START_COLOUR(0x1b, 0x8a, 0x2e);
const QColor END_COLOUR(0xc6, 0x28, 0x28);
const QColor CURSOR_COLOUR(0x10, 0x10, 0x10);

QColor withAlpha(QColor c, int alpha) {
    c.setAlpha(alpha);
    return c;
}

// A marker: a line through the wave and a handle in the lane to grab.
void paintMarker(QPainter& p, double x, int laneBottom, int bottom, qreal dpr, const QColor& colour) {
    const double handle = 4 * dpr;
    p.setPen(QPen(colour, dpr));
    p.drawLine(QLineF(x, laneBottom, x, bottom));
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    const QPointF triangle[3] = {{x - handle, 0.0}, {x + handle, 0.0}, {x, double(laneBottom)}};
    p.drawPolygon(triangle, 3);
}

}  // namespace

void paintWaveStrip(QPainter& p, const QSize& size, qreal dpr, const WaveStripScene& scene,
                    const std::array<QString, 6>& names) {
    p.fillRect(QRect(QPoint(0, 0), size), Qt::white);
    p.setPen(QColor(0xa0, 0xa0, 0xa0));
    p.drawRect(QRect(QPoint(0, 0), size).adjusted(0, 0, -1, -1));
    if (!scene.columns) return;

    // Columns and lines in device pixels, the names in logical ones.
    p.save();
    p.scale(1 / dpr, 1 / dpr);
    const int width = static_cast<int>(std::lround(size.width() * dpr));
    const int laneBottom = static_cast<int>(std::lround(LANE_HEIGHT * dpr));
    const int bottom = static_cast<int>(std::lround(size.height() * dpr));
    const double middle = (laneBottom + bottom) / 2.0;
    const double half = (bottom - laneBottom) / 2.0 - dpr;

    for (const SegmentBand& band : scene.bands) {
        const QColor& colour = SEGMENT_COLOURS[static_cast<size_t>(band.index)];
        const QRectF lane(band.left, 0, band.right - band.left, laneBottom);
        p.fillRect(lane, withAlpha(colour, band.current ? 230 : 120));
        if (band.current)
            p.fillRect(QRectF(band.left, laneBottom, band.right - band.left, bottom - laneBottom), withAlpha(colour, 45));
    }

    p.setPen(QColor(0xd0, 0xd0, 0xd0));
    p.drawLine(QLineF(0, middle, width, middle));
    QVector<QLine> wave;
    wave.reserve(static_cast<int>(scene.columns->size()));
    for (size_t c = 0; c < scene.columns->size(); ++c) {
        const WaveSpan& s = (*scene.columns)[c];
        if (s.empty()) continue;
        const int top = static_cast<int>(std::lround(middle - s.high * half / 32767.0));
        const int low = static_cast<int>(std::lround(middle - s.low * half / 32767.0));
        wave.append(QLine(static_cast<int>(c), top, static_cast<int>(c), low));
    }
    p.setPen(QPen(WAVE_COLOUR, 0));
    p.drawLines(wave);
    if (scene.samplesApart()) {
        // Zoomed in this far, each sample gets a dot where its value begins.
        const int dot = static_cast<int>(std::lround(3 * dpr));
        for (const QLine& line : wave) {
            if (!scene.sampleStartsAt(line.x1())) continue;
            p.fillRect(line.x1(), line.y1() - dot / 2, dot, dot, WAVE_COLOUR);
            if (line.y2() != line.y1()) p.fillRect(line.x1(), line.y2() - dot / 2, dot, dot, WAVE_COLOUR);
        }
    }

    if (scene.startMarker) paintMarker(p, *scene.startMarker, laneBottom, bottom, dpr, START_COLOUR);
    if (scene.endMarker) paintMarker(p, *scene.endMarker, laneBottom, bottom, dpr, END_COLOUR);
    if (scene.playCursor) {
        p.setPen(QPen(CURSOR_COLOUR, dpr));
        p.drawLine(QLineF(*scene.playCursor, laneBottom, *scene.playCursor, bottom));
    }
    p.restore();

    // The names go where their bands leave room, the current one on top.
    p.setPen(Qt::black);
    for (const SegmentBand& band : scene.bands) {
        const QRectF lane(band.left / dpr + 6, 0, (band.right - band.left) / dpr - 9, LANE_HEIGHT);
        if (lane.width() < 12) continue;
        const QString text = p.fontMetrics().elidedText(names[static_cast<size_t>(band.index)], Qt::ElideRight,
                                                        static_cast<int>(lane.width()));
        p.drawText(lane, Qt::AlignLeft | Qt::AlignVCenter, text);
    }
}

WaveformStripWidget::WaveformStripWidget(Soundedit& editor, QWidget* parent)
    : QWidget(parent), editor_(editor), view_(editor) {
    setFocusPolicy(Qt::NoFocus);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    timer_ = new QTimer(this);
    timer_->setInterval(REFRESH_MS);
    connect(timer_, &QTimer::timeout, this, [this] { refresh(); });
}

// The strip follows the editor only while it can be seen.
void WaveformStripWidget::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    refresh();
    timer_->start();
}

void WaveformStripWidget::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    timer_->stop();
}

void WaveformStripWidget::fitWidth() { view_.setWidth(static_cast<int>(std::lround(width() * devicePixelRatioF()))); }

double WaveformStripWidget::columnAt(const QPointF& point) const { return point.x() * devicePixelRatioF(); }

double WaveformStripWidget::xOfByte(int32_t byte) const { return view_.strip().columnOf(byte) / devicePixelRatioF(); }

void WaveformStripWidget::refresh() {
    fitWidth();
    if (view_.refresh()) update();
}

void WaveformStripWidget::paintEvent(QPaintEvent*) {
    fitWidth();
    QPainter painter(this);
    std::array<QString, 6> names;
    for (size_t i = 0; i < names.size(); ++i) names[i] = toQt(editor_.Option3[i].caption);
    paintWaveStrip(painter, size(), devicePixelRatioF(), view_.scene(), names);
}

void WaveformStripWidget::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    fitWidth();
}

void WaveformStripWidget::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && view_.press(columnAt(event->position()))) update();
}

void WaveformStripWidget::mouseMoveEvent(QMouseEvent* event) {
    const double column = columnAt(event->position());
    if (!view_.dragging()) {
        setCursor(view_.overMovableMarker(column) ? Qt::SizeHorCursor : Qt::ArrowCursor);
        return;
    }
    runUserAction([this, column] { view_.drag(column); });
    refresh();
}

void WaveformStripWidget::mouseReleaseEvent(QMouseEvent*) { view_.release(); }

void WaveformStripWidget::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && view_.doubleClick()) update();
}

void WaveformStripWidget::wheelEvent(QWheelEvent* event) {
    const QPoint delta = event->angleDelta();
    const bool sideways = (event->modifiers() & Qt::ShiftModifier) || std::abs(delta.x()) > std::abs(delta.y());
    const int turned = sideways ? (delta.x() != 0 ? delta.x() : delta.y()) : delta.y();
    if (view_.wheel(columnAt(event->position()), turned, sideways)) {
        update();
        event->accept();
    }
}

}  // namespace rumblet::qtskin
