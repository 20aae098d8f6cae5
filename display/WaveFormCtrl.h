#pragma once

#include <QColor>
#include <QFont>
#include <QRect>
#include <QWidget>

class TelemetryStore;

// The G-sensor graph: X, Y and Z of every sample of the store as three
// polylines over a fixed +-2 g scale, a cursor at the current sample and
// that sample's values under the plot. It keeps no samples: every paint
// reads the store again. Above 6000 samples only every tenth is plotted.
class CWaveFormCtrl : public QWidget {
    Q_OBJECT
public:
    static constexpr int kDecimationThreshold = 6000;
    static constexpr int kDecimationStep = 10;

    explicit CWaveFormCtrl(QWidget* parent = nullptr);
    ~CWaveFormCtrl() override;

    // Not owned; set once before the graph is shown.
    void SetDataSource(TelemetryStore* store) { m_pDataSource = store; }
    TelemetryStore* GetDataSource() const { return m_pDataSource; }
    // Takes the store's sample count, puts the cursor on sample 0, repaints.
    void LoadTelemetry();
    // Empties the store and the graph (cursor on the left edge), repaints.
    void ClearTelemetry();
    // Accepted when 0 <= index <= sample count; otherwise ignored.
    void SetCurrentIndex(int index);

    int GetSampleCount() const { return m_nSampleCount; }
    int GetCurrentIndex() const { return m_nCurrentIndex; }
    int GetDecimationStep() const { return m_nStep; }

    // Plot edges for a client rectangle (x, y, w, h): left x + 24, top
    // y + 14, right x + w - 1, bottom y + h - 14; lines are drawn on them.
    struct tagPlotEdges {
        int left, top, right, bottom;
    };
    static tagPlotEdges PlotEdges(const QRect& client);
    // Number of points per axis plotted for a sample count.
    static int PlottedPoints(int sampleCount);
    // Screen x of the cursor for the current state and size, or -1 when no
    // cursor is drawn.
    int CursorX() const;
    // Screen position of plotted point i for value v (in g).
    QPoint PointAt(int i, float v) const;

    static QFont LabelFont();

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void PaintBackgroundAndGrid(QPainter& p, const tagPlotEdges& e);
    void PaintPolylines(QPainter& p, const tagPlotEdges& e);
    void PaintCursor(QPainter& p, const tagPlotEdges& e);
    void PaintValues(QPainter& p, const tagPlotEdges& e);
    float HorizontalStep(const tagPlotEdges& e) const;
    bool CursorVisible() const;

    TelemetryStore* m_pDataSource = nullptr;
    QColor m_crX{255, 255, 255};
    QColor m_crY{255, 0, 0};
    QColor m_crZ{0, 255, 0};
    QFont m_font;
    int m_nSampleCount = 0;
    int m_nCurrentIndex = -1;
    int m_nStep = 1;
};
