#include "PlayerLayout.h"

#include <QFontMetrics>

#include <algorithm>
#include <cmath>

#include "DialogUnits.h"

namespace {

// Template position of one control, in dialog units.
struct tagControlPlace {
    int id;
    int x, y, cx, cy;
};

// The visible controls of the window; the volume bars follow a rule.
constexpr tagControlPlace kPlaces[] = {
    {1000, 4, 2, 285, 176},   {1002, 293, 20, 205, 150}, {1004, 293, 173, 205, 62},
    {1005, 294, 0, 74, 14},   {1007, 379, 0, 99, 14},    {1010, 95, 183, 30, 26},
    {1009, 127, 183, 30, 26}, {1008, 158, 183, 30, 26},  {1011, 189, 183, 30, 26},
    {1013, 220, 184, 30, 25}, {1026, 9, 188, 17, 17},    {1027, 67, 188, 17, 17},
    {1061, 11, 214, 20, 8},   {1062, 270, 214, 17, 8},   {1020, 8, 226, 280, 9},
    {1021, 0, 243, 285, 84},  {1071, 293, 239, 205, 89},
};
constexpr int kDialogCx = 503;
constexpr int kDialogCy = 331;

constexpr int kVolumeBarFirst = 1028;
constexpr int kVolumeBarLast = 1037;
constexpr int kVolumeBarX = 28;
constexpr int kVolumeBarStep = 4;
constexpr int kVolumeBarY = 192;
constexpr int kVolumeBarCx = 2;
constexpr int kVolumeBarCy = 11;

// The transport buttons: centred under the video as the table centres them.
bool IsTransportButton(int id) {
    return id == 1008 || id == 1009 || id == 1010 || id == 1011 || id == 1013;
}

}  // namespace

CPlayerLayout::CPlayerLayout(const QFont& font) : m_font(font) {
    m_minClient = DialogUnitsToPixels(m_font, 0, 0, kDialogCx, kDialogCy).size();
    for (const tagControlPlace& p : kPlaces) {
        if (InVideoColumn(p.id)) {
            const QRect r = DialogRect(p.id);
            m_nVideoMinWidth = std::max(m_nVideoMinWidth, r.x() + r.width());
        }
    }
    m_nSideLeft = DialogRect(1002).x();
    // The splitter's handle is the gap between the columns: at least a pixel.
    m_nSideLeft = std::max(m_nSideLeft, m_nVideoMinWidth + 1);
}

QRect CPlayerLayout::DialogRect(int id) const {
    if (id >= kVolumeBarFirst && id <= kVolumeBarLast) {
        return DialogUnitsToPixels(m_font, kVolumeBarX + kVolumeBarStep * (id - kVolumeBarFirst),
                                   kVolumeBarY, kVolumeBarCx, kVolumeBarCy);
    }
    for (const tagControlPlace& p : kPlaces) {
        if (p.id == id) {
            return DialogUnitsToPixels(m_font, p.x, p.y, p.cx, p.cy);
        }
    }
    return QRect();
}

bool CPlayerLayout::InVideoColumn(int id) {
    return id != 1002 && id != 1004 && id != 1005 && id != 1007 && id != 1071 &&
           id != kLayoutSideSplitter;
}

int CPlayerLayout::SideHandleWidth() const {
    const QRect map = DialogRect(1002);
    const QRect list = DialogRect(1004);
    return std::max(1, list.y() - (map.y() + map.height()));
}

std::map<int, QRect> CPlayerLayout::VideoColumn(QSize size, double aspect) const {
    const int gx = std::max(0, size.width() - m_nVideoMinWidth);
    const int gy = std::max(0, size.height() - m_minClient.height());

    // The video area: the column's width; the height it leaves, down to what
    // the aspect ratio asks for but never below the table's.
    const QRect area0 = DialogRect(1000);
    const int availW = area0.width() + gx;
    const int availH = area0.height() + gy;
    int h = availH;
    if (aspect > 0.0) {
        const long fit = std::lround(availW / aspect);
        if (fit < availH) {
            h = std::max(area0.height(), static_cast<int>(fit));
        }
    }
    const int dy = h - area0.height();  // everything below moves down
    const int spare = availH - h;       // height the video does not use

    std::map<int, QRect> out;
    out[1000] = QRect(area0.x(), area0.y(), availW, h);
    for (const tagControlPlace& p : kPlaces) {
        if (!InVideoColumn(p.id) || p.id == 1000) {
            continue;
        }
        QRect r = DialogRect(p.id).translated(0, dy);
        if (IsTransportButton(p.id)) {
            r.translate(gx / 2, 0);
        } else if (p.id == 1062) {
            r.translate(gx, 0);
        } else if (p.id == 1020) {
            r.setWidth(r.width() + gx);
        } else if (p.id == 1021) {
            r.setWidth(r.width() + gx);
            r.setHeight(r.height() + spare);
        }
        out[p.id] = r;
    }
    for (int id = kVolumeBarFirst; id <= kVolumeBarLast; ++id) {
        out[id] = DialogRect(id).translated(0, dy);
    }
    // The speed beside the elapsed time, as wide as "0.75x" needs.
    const QRect elapsed = out[1061];
    const QFontMetrics fm(m_font);
    const int gap = fm.horizontalAdvance(QLatin1Char(' '));
    out[kLayoutRateLabel] =
        QRect(elapsed.right() + 1 + gap, elapsed.y(),
              fm.horizontalAdvance(QStringLiteral("0.75x")) + gap, elapsed.height());
    return out;
}

std::map<int, QRect> CPlayerLayout::SideColumn(QSize size) const {
    const int gx = std::max(0, size.width() - SideColumnMinWidth());
    const int gy = std::max(0, size.height() - m_minClient.height());
    const QPoint origin(m_nSideLeft, 0);

    std::map<int, QRect> out;
    out[1005] = DialogRect(1005).translated(-origin);
    out[1007] = DialogRect(1007).translated(-origin);
    const QRect map = DialogRect(1002).translated(-origin);
    const QRect list = DialogRect(1004).translated(-origin);
    out[kLayoutSideSplitter] =
        QRect(map.x(), map.y(), map.width() + gx, list.y() + list.height() - map.y() + gy);
    out[1071] = DialogRect(1071).translated(-origin).translated(0, gy);
    out[1071].setWidth(out[1071].width() + gx);
    return out;
}
