#pragma once

#include <QImage>
#include <QRect>
#include <QWidget>

// The video area of the main window (control 1000): a black rectangle under
// the video window. While nothing plays it shows the idle picture, centred
// and scaled to fit without distortion.
class CVideoArea : public QWidget {
    Q_OBJECT
public:
    explicit CVideoArea(QWidget* parent = nullptr);

    // Records the picture to show and repaints.
    void ShowPicture(const QImage& picture);
    // Back to plain black.
    void ClearPicture();
    bool IsPictureShown() const { return m_bShown; }
    // Where the picture is drawn, in the area's own coordinates (empty when
    // no picture is shown).
    QRect PictureRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_picture;
    bool m_bShown = false;
};
