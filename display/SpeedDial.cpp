#include "SpeedDial.h"

#include "AssistInfo.h"
#include "LoadPngResource.h"
#include "PlayerColours.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <cmath>

namespace {

struct tagUnitParams {
    int needleOffset;     // degrees at 0 km/h
    float degreesPerKmh;  // needle turn per km/h
    int needleMaximum;    // km/h
    const char* format;   // speed text
    int textMaximum;      // in the unit shown
};

constexpr tagUnitParams kKmh = {150, 1.0f, 240, "%dKMH", 240};
constexpr tagUnitParams kMph = {140, static_cast<float>(1.2455745091728356), 210, "%dMPH", 130};

const tagUnitParams& ParamsFor(int unit) {
    return unit == CSpeedDial::kUnitKmh ? kKmh : kMph;
}

int TextValue(int speed, int unit) {
    if (unit == CSpeedDial::kUnitKmh)
        return speed;
    return static_cast<int>(std::trunc(static_cast<double>(static_cast<float>(speed)) * 0.6214));
}

const QColor kNeedleColour(255, 0, 0);

QFont SpeedFont() {
    QFont font;
    font.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans"),
                      QStringLiteral("DejaVu Sans Condensed"), QStringLiteral("DejaVu Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(14);
    font.setBold(true);
    return font;
}

// The speed text must stay inside the dial's text box: a wider fallback face
// is made smaller until it fits.
QFont FittedFont(const QString& text, const QRectF& box) {
    QFont font = SpeedFont();
    const qreal room = box.width() * 0.92;  // keep clear of the box's rounded ends
    while (font.pixelSize() > 7 && QFontMetricsF(font).horizontalAdvance(text) > room) {
        font.setPixelSize(font.pixelSize() - 1);
    }
    return font;
}

}  // namespace

CSpeedDial::CSpeedDial(QWidget* parent) : QWidget(parent) {
    LoadPngResource(218, "PNG", m_imageMph);
    LoadPngResource(220, "PNG", m_imageKmh);
    LoadPngResource(217, "PNG", m_imageCompass);
    LoadPngResource(219, "PNG", m_imageNeedle);
}

CSpeedDial::~CSpeedDial() = default;

void CSpeedDial::SetImages(const QImage& mphDial, const QImage& kmhDial, const QImage& compass,
                           const QImage& compassNeedle) {
    m_imageMph = mphDial;
    m_imageKmh = kmhDial;
    m_imageCompass = compass;
    m_imageNeedle = compassNeedle;
    update();
}

QSize CSpeedDial::sizeHint() const {
    return QSize(308, 145);
}

tagSpeedDialLayout CSpeedDial::Layout(int width, int height) {
    tagSpeedDialLayout l;
    if (width >= 2 * height + 48) {
        l.side = height;
        l.y0 = 0;
        const int gap = (width - 2 * height) / 3;
        l.x1 = gap;
        l.x2 = height + 2 * gap;
    } else {
        l.side = (width - 48) / 2;
        l.x1 = 16;
        l.x2 = l.side + 32;
        l.y0 = (height - l.side) / 2;
    }
    l.half = l.side / 2;
    l.cx1 = l.x1 + l.half;
    l.cx2 = l.x2 + l.half;
    l.cy = l.y0 + l.half;
    return l;
}

int CSpeedDial::NeedleMaximum(int unit) {
    return ParamsFor(unit).needleMaximum;
}

int CSpeedDial::NeedleSpeed(int speed, int unit) {
    return (speed >= 0 && speed <= NeedleMaximum(unit)) ? speed : 0;
}

int CSpeedDial::NeedleAngle(int needleSpeed, int unit) {
    const tagUnitParams& params = ParamsFor(unit);
    const float turn = static_cast<float>(needleSpeed) * params.degreesPerKmh;
    return (static_cast<int>(std::trunc(turn)) + params.needleOffset) % 360;
}

int CSpeedDial::NeedleLength(const tagSpeedDialLayout& layout) {
    return 3 * (layout.half / 4);
}

QPoint CSpeedDial::NeedleTip(const tagSpeedDialLayout& layout, int angle) {
    const float radians = static_cast<float>(angle * 3.1415 / 180.0);
    const float length = static_cast<float>(NeedleLength(layout));
    const float dx = static_cast<float>(std::cos(radians)) * length;
    const float dy = static_cast<float>(std::sin(radians)) * length;
    return QPoint(layout.cx1 + static_cast<int>(std::trunc(dx)),
                  layout.cy + static_cast<int>(std::trunc(dy)));
}

QString CSpeedDial::SpeedText(int speed, int unit) {
    const tagUnitParams& params = ParamsFor(unit);
    int value = TextValue(ShownSpeed(speed), unit);
    if (value > params.textMaximum)
        value = 0;
    return QString::asprintf(params.format, value);
}

QRectF CSpeedDial::TextRect(const tagSpeedDialLayout& layout) {
    const float s = static_cast<float>(layout.side);
    return QRectF(layout.x1 + s / 3.0f, layout.y0 + s / 100.0f * 78.0f, s / 2.75f,
                  s / 100.0f * 9.0f);
}

QRectF CSpeedDial::CompassNeedleRect(const tagSpeedDialLayout& layout) {
    const int eighth = layout.side / 8;
    return QRectF(layout.x2 + (layout.side - eighth) / 2.0f,
                  layout.y0 + (layout.side - layout.half) / 2.0f, eighth, layout.half);
}

int CSpeedDial::Draw(int speed, double heading, int unit) {
    m_nSpeed = speed;
    m_nUnit = unit;
    m_nNeedleSpeed = NeedleSpeed(speed, unit);
    m_dHeading = heading;
    m_bDrawn = true;
    // Painted on the next pass of the event loop: an immediate repaint waits
    // for the X server and would hold the clock's tick for tens of ms.
    update();
    return m_nNeedleSpeed;
}

void CSpeedDial::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setPen(Qt::black);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    if (!m_bDrawn)
        return;

    const tagSpeedDialLayout l = Layout(width(), height());
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.setRenderHint(QPainter::TextAntialiasing);

    const QImage& dial = m_nUnit != kUnitMph ? m_imageKmh : m_imageMph;
    if (!dial.isNull())
        p.drawImage(QRect(l.x1, l.y0, l.side, l.side), dial);
    if (!m_imageCompass.isNull())
        p.drawImage(QRect(l.x2, l.y0, l.side, l.side), m_imageCompass);

    const QPoint tip = NeedleTip(l, NeedleAngle(m_nNeedleSpeed, m_nUnit));
    p.setPen(QPen(kNeedleColour, 2.0, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPoint(l.cx1, l.cy), tip);

    const QString text = SpeedText(m_nSpeed, m_nUnit);
    const QRectF box = TextRect(l);
    p.setFont(FittedFont(text, box));
    p.setPen(kTextBlue);
    p.drawText(box, Qt::AlignCenter, text);

    if (m_imageNeedle.isNull())
        return;
    p.translate(l.cx2, l.cy);
    p.rotate(static_cast<float>(m_dHeading));
    p.translate(-l.cx2, -l.cy);
    p.drawImage(CompassNeedleRect(l), m_imageNeedle);
}
