#include "WaveFormCtrl.h"

#include "TelemetryStore.h"

#include <QPainter>
#include <QPolygon>
#include <cmath>

namespace {

const QColor kBackground(10, 10, 10);
const QColor kPlot(19, 19, 19);
const QColor kFrame(32, 37, 42);
const QColor kCursor(255, 255, 255);
const QColor kLabel(255, 255, 255);

// Reads sample `index`; a sample that cannot be fetched reads as zeros.
tagAssistInfo FetchSample(const TelemetryStore* store, int index) {
    tagAssistInfo sample;
    if (store == nullptr || store->GetSample(index, sample) != 0) {
        sample.accelX = sample.accelY = sample.accelZ = 0.0f;
    }
    return sample;
}

int ToPixel(float value) {
    return static_cast<int>(std::trunc(value));
}

}  // namespace

CWaveFormCtrl::CWaveFormCtrl(QWidget* parent) : QWidget(parent), m_font(LabelFont()) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

CWaveFormCtrl::~CWaveFormCtrl() = default;

QFont CWaveFormCtrl::LabelFont() {
    QFont font;
    font.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans"),
                      QStringLiteral("DejaVu Sans")});
    font.setStyleHint(QFont::SansSerif);
    // A 14-pixel character cell, as the graph's layout expects.
    font.setPixelSize(12);
    font.setWeight(QFont::Normal);
    return font;
}

QSize CWaveFormCtrl::sizeHint() const {
    return QSize(470, 137);
}

void CWaveFormCtrl::LoadTelemetry() {
    m_nSampleCount = m_pDataSource != nullptr ? m_pDataSource->GetCount() : 0;
    m_nCurrentIndex = 0;
    m_nStep = m_nSampleCount > kDecimationThreshold ? kDecimationStep : 1;
    update();
}

void CWaveFormCtrl::ClearTelemetry() {
    m_nSampleCount = 0;
    m_nCurrentIndex = 0;
    m_nStep = 1;
    if (m_pDataSource != nullptr)
        m_pDataSource->Clear();
    update();
}

void CWaveFormCtrl::SetCurrentIndex(int index) {
    if (index < 0 || index > m_nSampleCount)
        return;
    m_nCurrentIndex = index;
    update();
}

CWaveFormCtrl::tagPlotEdges CWaveFormCtrl::PlotEdges(const QRect& client) {
    return {client.x() + 24, client.y() + 14, client.x() + client.width() - 1,
            client.y() + client.height() - 14};
}

int CWaveFormCtrl::PlottedPoints(int sampleCount) {
    if (sampleCount < 2)
        return 0;
    const int step = sampleCount > kDecimationThreshold ? kDecimationStep : 1;
    return sampleCount / step;
}

float CWaveFormCtrl::HorizontalStep(const tagPlotEdges& e) const {
    if (m_nSampleCount < 2)
        return 0.0f;
    const int n = m_nSampleCount / m_nStep;
    if (n < 2)
        return 0.0f;
    return static_cast<float>(static_cast<double>(e.right - e.left) / (n - 1));
}

QPoint CWaveFormCtrl::PointAt(int i, float v) const {
    const tagPlotEdges e = PlotEdges(rect());
    const float scale = static_cast<float>((e.bottom - e.top) / 40.0);
    const int mid = e.top + (e.bottom - e.top) / 2;
    return QPoint(ToPixel(static_cast<float>(i) * HorizontalStep(e) + static_cast<float>(e.left)),
                  ToPixel(static_cast<float>(mid) - v * 10.0f * scale));
}

bool CWaveFormCtrl::CursorVisible() const {
    const int count = m_pDataSource != nullptr ? m_pDataSource->GetCount() : 0;
    return m_nCurrentIndex >= 0 && m_nCurrentIndex <= count;
}

int CWaveFormCtrl::CursorX() const {
    if (!CursorVisible())
        return -1;
    const tagPlotEdges e = PlotEdges(rect());
    const int k = m_nCurrentIndex / m_nStep;
    return ToPixel(static_cast<float>(k) * HorizontalStep(e) + static_cast<float>(e.left));
}

void CWaveFormCtrl::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, false);
    const tagPlotEdges e = PlotEdges(rect());
    PaintBackgroundAndGrid(p, e);
    PaintPolylines(p, e);
    PaintCursor(p, e);
    PaintValues(p, e);
}

void CWaveFormCtrl::PaintBackgroundAndGrid(QPainter& p, const tagPlotEdges& e) {
    p.fillRect(rect(), kBackground);
    p.fillRect(QRect(e.left, e.top, e.right - e.left, e.bottom - e.top), kPlot);

    p.setFont(m_font);
    p.setPen(kLabel);
    const QFontMetrics metrics(m_font);
    const int q = (e.bottom - e.top) / 4;
    const int x = e.left - 22;
    const struct {
        const char* text;
        int y;
    } labels[] = {{"+2G", e.top},
                  {"+1G", e.top + q - 8},
                  {"  0", e.top + 2 * q - 8},
                  {"-1G", e.top + 3 * q - 8},
                  {"-2G", e.top + 4 * q - 10}};
    for (const auto& label : labels) {
        p.drawText(x, label.y + metrics.ascent(), QString::fromLatin1(label.text));
    }

    const QPen quarterPen(kFrame, 0, Qt::DotLine);
    const QPen framePen(kFrame, 0, Qt::SolidLine);
    auto horizontal = [&](int y) { p.drawLine(e.left, y, e.right - 1, y); };
    auto vertical = [&](int xPos) { p.drawLine(xPos, e.top, xPos, e.bottom - 1); };
    p.setPen(quarterPen);
    horizontal(e.top + q);
    p.setPen(framePen);
    horizontal(e.top);
    horizontal(e.top + 2 * q);
    horizontal(e.bottom);
    vertical(e.left);
    vertical(e.right);
    p.setPen(quarterPen);
    horizontal(e.top + 3 * q);
}

void CWaveFormCtrl::PaintPolylines(QPainter& p, const tagPlotEdges& e) {
    if (m_nSampleCount < 2)
        return;
    const int n = m_nSampleCount / m_nStep;
    if (n < 2)
        return;
    const float step = HorizontalStep(e);
    const float scale = static_cast<float>((e.bottom - e.top) / 40.0);
    const float mid = static_cast<float>(e.top + (e.bottom - e.top) / 2);
    const float left = static_cast<float>(e.left);

    QPolygon xs(n);
    QPolygon ys(n);
    QPolygon zs(n);
    for (int i = 0; i < n; ++i) {
        const tagAssistInfo s = FetchSample(m_pDataSource, i * m_nStep);
        const int x = ToPixel(static_cast<float>(i) * step + left);
        xs.setPoint(i, x, ToPixel(mid - s.accelX * 10.0f * scale));
        ys.setPoint(i, x, ToPixel(mid - s.accelY * 10.0f * scale));
        zs.setPoint(i, x, ToPixel(mid - s.accelZ * 10.0f * scale));
    }
    p.setPen(QPen(m_crX, 0));
    p.drawPolyline(xs);
    p.setPen(QPen(m_crY, 0));
    p.drawPolyline(ys);
    p.setPen(QPen(m_crZ, 0));
    p.drawPolyline(zs);
}

void CWaveFormCtrl::PaintCursor(QPainter& p, const tagPlotEdges& e) {
    const int x = CursorX();
    if (x < 0)
        return;
    p.setPen(QPen(kCursor, 0));
    p.drawLine(x, e.top, x, e.bottom - 1);
}

void CWaveFormCtrl::PaintValues(QPainter& p, const tagPlotEdges& e) {
    const int index = CursorVisible() ? m_nCurrentIndex : 0;
    const tagAssistInfo s = FetchSample(m_pDataSource, index);
    const int x0 = e.left + (e.right - e.left - 240) / 2;
    const int y = e.bottom + QFontMetrics(m_font).ascent();
    p.setFont(m_font);
    const struct {
        const char* format;
        float value;
        QColor colour;
        int dx;
    } values[] = {{"X: %0.4f", s.accelX, m_crX, 0},
                  {"Y: %0.4f", s.accelY, m_crY, 80},
                  {"Z: %0.4f", s.accelZ, m_crZ, 160}};
    for (const auto& v : values) {
        p.setPen(v.colour);
        p.drawText(x0 + v.dx, y, QString::asprintf(v.format, static_cast<double>(v.value)));
    }
}
