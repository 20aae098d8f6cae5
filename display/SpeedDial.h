#pragma once

#include <QImage>
#include <QPoint>
#include <QRectF>
#include <QString>
#include <QWidget>

// Where the speedometer and the compass sit inside the speed frame.
struct tagSpeedDialLayout {
    int side = 0;  // both squares are side x side
    int x1 = 0;    // speedometer left
    int x2 = 0;    // compass left
    int y0 = 0;    // top of both
    int half = 0;  // side / 2
    int cx1 = 0;   // speedometer centre x
    int cx2 = 0;   // compass centre x
    int cy = 0;    // centre y of both
};

// The speed readout (control 1071): a speedometer with a red needle and the
// speed as text, and a compass whose needle turns to the heading. Draw()
// records what to show and repaints at once; the drawing stays until the
// next Draw(). The geometry is exposed as pure functions for tests.
class CSpeedDial : public QWidget {
    Q_OBJECT
public:
    static constexpr int kUnitMph = 0;
    static constexpr int kUnitKmh = 1;

    explicit CSpeedDial(QWidget* parent = nullptr);
    ~CSpeedDial() override;

    // speed in km/h, heading in degrees, unit 1 km/h or 0 mph. Returns the
    // needle speed (the speed, or 0 when outside 0 .. needle maximum).
    int Draw(int speed, double heading, int unit);

    // Replaces the four images (loaded from PNG 218, 220, 217 and 219 by
    // the constructor).
    void SetImages(const QImage& mphDial, const QImage& kmhDial, const QImage& compass,
                   const QImage& compassNeedle);

    bool HasDrawing() const { return m_bDrawn; }
    int DrawnSpeed() const { return m_nSpeed; }
    int DrawnNeedleSpeed() const { return m_nNeedleSpeed; }
    double DrawnHeading() const { return m_dHeading; }
    int DrawnUnit() const { return m_nUnit; }

    // Geometry and texts.
    static tagSpeedDialLayout Layout(int width, int height);
    static int NeedleMaximum(int unit);  // 240 km/h, or 210 km/h for mph
    static int NeedleSpeed(int speed, int unit);
    static int NeedleAngle(int needleSpeed, int unit);  // degrees 0..359, clockwise from +x
    static int NeedleLength(const tagSpeedDialLayout& layout);
    static QPoint NeedleTip(const tagSpeedDialLayout& layout, int angle);
    static QString SpeedText(int speed, int unit);  // "62MPH", "0KMH", ...
    static QRectF TextRect(const tagSpeedDialLayout& layout);
    static QRectF CompassNeedleRect(const tagSpeedDialLayout& layout);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_imageMph;      // PNG 218
    QImage m_imageKmh;      // PNG 220
    QImage m_imageCompass;  // PNG 217
    QImage m_imageNeedle;   // PNG 219
    bool m_bDrawn = false;
    int m_nSpeed = 0;
    int m_nNeedleSpeed = 0;
    double m_dHeading = 180.0;
    int m_nUnit = kUnitKmh;
};
