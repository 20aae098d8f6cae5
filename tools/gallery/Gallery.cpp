// Paints every custom control in its states onto one dark sheet and writes
// it as a PNG: velto-gallery [output.png]   (default /tmp/gallery.png)

#include "BitmapSlider.h"
#include "DlgVideo.h"
#include "MyListCtrl.h"
#include "PlayerColours.h"
#include "PngButton.h"
#include "SpeedDial.h"
#include "TelemetryStore.h"
#include "WaveFormCtrl.h"
#include "WinXPButtonST.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEnterEvent>
#include <QLabel>
#include <QPainter>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

const QColor kWindow(37, 40, 46);

// One labelled cell of the sheet.
struct Cell {
    QString caption;
    QWidget* widget;
};

void SetDarkPalette(QApplication& app) {
    QPalette pal = app.palette();
    pal.setColor(QPalette::Window, kWindow);
    pal.setColor(QPalette::WindowText, QColor(220, 220, 220));
    pal.setColor(QPalette::Base, QColor(24, 26, 30));
    pal.setColor(QPalette::AlternateBase, QColor(30, 32, 36));
    pal.setColor(QPalette::Text, QColor(220, 220, 220));
    pal.setColor(QPalette::Button, QColor(52, 56, 64));
    pal.setColor(QPalette::ButtonText, QColor(220, 220, 220));
    pal.setColor(QPalette::Highlight, QColor(51, 102, 170));
    pal.setColor(QPalette::HighlightedText, Qt::white);
    app.setPalette(pal);
}

void Hover(QWidget* w) {
    QEnterEvent enter(QPointF(w->width() / 2.0, w->height() / 2.0),
                      QPointF(w->width() / 2.0, w->height() / 2.0),
                      QPointF(w->width() / 2.0, w->height() / 2.0));
    QCoreApplication::sendEvent(w, &enter);
}

void FillStore(TelemetryStore& store, int count) {
    store.Clear();
    for (int i = 0; i < count; ++i) {
        const double t = i / 30.0;
        tagAssistInfo s;
        s.accelX = static_cast<float>(0.3 * std::sin(t) + 0.05 * std::sin(7.1 * t));
        s.accelY = static_cast<float>(-0.6 + 0.4 * std::sin(0.37 * t) * std::cos(1.3 * t));
        s.accelZ = static_cast<float>(1.0 + 0.25 * std::cos(0.9 * t));
        if (i % 997 == 500)
            s.accelY = 1.8f;  // a bump
        store.AddSample(s);
    }
}

class Sheet {
public:
    explicit Sheet(QWidget* root) : m_root(root) {}
    // Places `w` (already a child of the root) at the cursor with a caption above.
    void Add(const QString& caption, QWidget* w) {
        if (m_x + w->width() > 1180)
            NewRow();
        auto* label = new QLabel(caption, m_root);
        QPalette pal = label->palette();
        pal.setColor(QPalette::WindowText, kTextBlue);
        label->setPalette(pal);
        label->move(m_x, m_y);
        label->adjustSize();
        w->move(m_x, m_y + 18);
        m_x += qMax(w->width(), label->width()) + 18;
        m_rowHeight = qMax(m_rowHeight, w->height() + 18);
    }
    void NewRow() {
        m_x = 12;
        m_y += m_rowHeight + 16;
        m_rowHeight = 0;
    }
    void Heading(const QString& text) {
        if (m_x != 12)
            NewRow();
        auto* label = new QLabel(text, m_root);
        QFont font = label->font();
        font.setBold(true);
        font.setPixelSize(15);
        label->setFont(font);
        QPalette pal = label->palette();
        pal.setColor(QPalette::WindowText, Qt::white);
        label->setPalette(pal);
        label->move(12, m_y);
        label->adjustSize();
        m_y += 24;
    }
    int Bottom() const { return m_y + m_rowHeight + 12; }

private:
    QWidget* m_root;
    int m_x = 12;
    int m_y = 12;
    int m_rowHeight = 0;
};

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    SetDarkPalette(app);
    const QString out =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("/tmp/gallery.png");

    QWidget root;
    root.setAutoFillBackground(true);
    root.resize(1200, 1600);
    Sheet sheet(&root);

    sheet.Heading(QStringLiteral("CPngButton: frame 0 normal, 2 hover/focus, 3 disabled"));
    const int strips[] = {152, 167, 155, 153, 151, 161, 149, 164, 162, 189, 192, 191};
    for (int id : strips) {
        for (int state = 0; state < 3; ++state) {
            auto* b = new CPngButton(&root);
            b->SetImage(id);
            if (state == 1)
                Hover(b);
            if (state == 2)
                b->setEnabled(false);
            static const char* names[] = {"normal", "hover", "disabled"};
            sheet.Add(QStringLiteral("%1 %2").arg(id).arg(QLatin1String(names[state])), b);
        }
        if (id == 155 || id == 151 || id == 149 || id == 162 || id == 191)
            sheet.NewRow();
    }

    sheet.Heading(
        QStringLiteral("CWinXPButtonST volume buttons (bitmaps 211, 210; magenta transparent)"));
    for (int id : {211, 210}) {
        for (int state = 0; state < 3; ++state) {
            auto* b = new CWinXPButtonST(&root);
            b->resize(26, 26);
            b->SetFlatMode(true, true);
            b->AssignBitmaps(id, qRgb(255, 0, 255), id, qRgb(255, 0, 255));
            if (state >= 1)
                Hover(b);
            if (state == 2)
                b->setDown(true);
            static const char* names[] = {"idle", "hover", "pressed"};
            sheet.Add(QStringLiteral("%1 %2").arg(id).arg(QLatin1String(names[state])), b);
        }
    }

    sheet.Heading(QStringLiteral("CBitmapSlider (thumb 179), 420 x 15"));
    struct SliderCase {
        const char* caption;
        int value;
        bool enabled;
        int dpi;
        bool focusRect;
    };
    const SliderCase sliders[] = {{"value 0", 0, true, 96, false},
                                  {"value 50", 50, true, 96, false},
                                  {"value 100", 100, true, 96, false},
                                  {"disabled (no thumb)", 40, false, 96, false},
                                  {"120 DPI, value 30", 30, true, 120, false},
                                  {"focus rectangle on", 70, true, 96, true}};
    for (const SliderCase& c : sliders) {
        auto* s = new CBitmapSlider(&root);
        s->resize(420, c.dpi > 96 ? 20 : 15);
        s->SetColourChannel(qRgb(128, 128, 128), qRgb(0, 0, 0), c.dpi);
        s->SetThumbBitmaps(179, 179, true);
        s->SetFocusRectFlag(c.focusRect);
        s->SetValueRange(0, 100);
        s->SetValue(c.value);
        s->setEnabled(c.enabled);
        if (c.focusRect) {
            // Shown as it looks while focused.
            QFocusEvent focus(QEvent::FocusIn);
            QCoreApplication::sendEvent(s, &focus);
        }
        sheet.Add(QString::fromLatin1(c.caption), s);
        if (&c == &sliders[1] || &c == &sliders[3])
            sheet.NewRow();
    }

    sheet.Heading(QStringLiteral("CWaveFormCtrl (G-sensor graph), 470 x 137"));
    static TelemetryStore stores[5];
    struct GraphCase {
        const char* caption;
        int count;  // -1: never loaded; -2: cleared
        int index;
    };
    const GraphCase graphs[] = {
        {"before any recording", -1, -1},
        {"after ClearTelemetry (cursor on the left edge)", -2, 0},
        {"6000 samples, cursor at 2000", 6000, 2000},
        {"36000 samples (every 10th plotted), cursor at 30000", 36000, 30000},
        {"1 sample", 1, 0}};
    int g = 0;
    for (const GraphCase& c : graphs) {
        auto* graph = new CWaveFormCtrl(&root);
        graph->resize(470, 137);
        graph->SetDataSource(&stores[g]);
        if (c.count == -2)
            graph->ClearTelemetry();
        if (c.count >= 0) {
            FillStore(stores[g], c.count);
            graph->LoadTelemetry();
            graph->SetCurrentIndex(c.index);
        }
        sheet.Add(QString::fromLatin1(c.caption), graph);
        ++g;
        if (g % 2 == 0)
            sheet.NewRow();
    }

    sheet.Heading(QStringLiteral("CSpeedDial (control 1071)"));
    struct DialCase {
        const char* caption;
        int w, h, speed;
        double heading;
        int unit;
    };
    const DialCase dials[] = {
        {"no data: 0 km/h, heading 180", 308, 145, 0, 180.0, CSpeedDial::kUnitKmh},
        {"88 km/h, heading 45", 308, 145, 88, 45.0, CSpeedDial::kUnitKmh},
        {"240 km/h, heading 90", 308, 145, 240, 90.0, CSpeedDial::kUnitKmh},
        {"241 km/h (over: needle 0, 0KMH)", 308, 145, 241, 300.0, CSpeedDial::kUnitKmh},
        {"mph: 100 km/h = 62MPH, heading 270", 308, 145, 100, 270.0, CSpeedDial::kUnitMph},
        {"mph: 210 km/h = 130MPH", 308, 145, 210, 0.0, CSpeedDial::kUnitMph},
        {"200 x 100 frame (narrow layout), 120 km/h", 200, 100, 120, 135.0, CSpeedDial::kUnitKmh},
        {"300 x 100 frame, 60 km/h", 300, 100, 60, 20.0, CSpeedDial::kUnitKmh},
    };
    int d = 0;
    for (const DialCase& c : dials) {
        auto* dial = new CSpeedDial(&root);
        dial->resize(c.w, c.h);
        dial->Draw(c.speed, c.heading, c.unit);
        sheet.Add(QString::fromLatin1(c.caption), dial);
        if (++d % 3 == 0)
            sheet.NewRow();
    }

    sheet.Heading(QStringLiteral("CMyListCtrl (playlist) and CDlgVideo (video surface)"));
    auto* list = new CMyListCtrl(&root);
    list->resize(470, 130);
    list->AppendRow("1", "20240301_101500.MOV", "10:15:00 01-03-2024", "");
    list->AppendRow("3", "20240301_103000.MOV", "10:30:00 01-03-2024", "ReadOnly");
    list->SetRowImage(1, 0);
    list->AppendRow("3", "FILE0042.MP4", "18:02:41 02-03-2024", "");
    list->SetSelected(2);
    sheet.Add(QStringLiteral("rows 1, 3, 3 (after a removal); row 2 locked; row 3 selected"), list);
    auto* video = new CDlgVideo(&root);
    video->resize(240, 135);
    sheet.Add(QStringLiteral("video surface (black)"), video);

    root.resize(1200, sheet.Bottom());
    root.show();
    QCoreApplication::processEvents();
    const QImage image = root.grab().toImage();
    if (!image.save(out)) {
        std::fprintf(stderr, "velto-gallery: cannot write %s\n", qPrintable(out));
        return 1;
    }
    std::printf("%s\n", qPrintable(out));
    return 0;
}
