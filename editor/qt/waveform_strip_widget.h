// The sound editor's waveform strip on Qt: paints what WaveStrip computes and
// routes the mouse into it. A marker dragged with the mouse is a user's move
// of its position slider; the wheel zooms around the mouse (with Shift, or
// sideways, it scrolls); a double click zooms into the current segment and
// back out to the whole sound. The strip takes no keyboard focus: the keys
// stay with the sliders.
#pragma once

#include <QWidget>
#include <array>

#include "editor/soundedit.h"
#include "editor/soundedit_waveform.h"
#include "editor/waveform.h"

class QPainter;
class QTimer;

namespace rumblet::qtskin {

// Paints a scene of `size` logical pixels on a screen of `devicePixelRatio`
// (the scene's columns are device pixels). `names` label the segment bands.
void paintWaveStrip(QPainter& painter, const QSize& size, qreal devicePixelRatio, const WaveStripScene& scene,
                    const std::array<QString, 6>& names);

class WaveformStripWidget : public QWidget {
public:
    // About 30 repaints a second at most, only when something shown changed.
    static constexpr int REFRESH_MS = 33;

    WaveformStripWidget(Soundedit& editor, QWidget* parent);

    // Reads the editor's state and repaints what changed; the timer calls it.
    void refresh();
    const WaveStrip& strip() const { return view_.strip(); }
    // The strip column under a point of the widget.
    double columnAt(const QPointF& point) const;
    // Where a byte of the sound stands in the widget (logical pixels).
    double xOfByte(int32_t byte) const;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void fitWidth();

    Soundedit& editor_;
    WaveStripView view_;
    QTimer* timer_ = nullptr;
};

}  // namespace rumblet::qtskin
