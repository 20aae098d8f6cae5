#pragma once

#include <QFont>
#include <QRect>
#include <QSize>

#include <map>

// Pseudo ids of the layout's own pieces (the controls use their control ids).
constexpr int kLayoutSideSplitter = -1;  // map 1002 above the playlist 1004
constexpr int kLayoutRateLabel = -2;     // playback speed, right of the elapsed time

// The main window's geometry in pixels. The dialog-unit table gives every
// control its place at the window's minimum size; from there the window grows
// in two columns side by side (a splitter between them):
//  - the video column: the video area on top, below it the transport row,
//    the time labels, the seek bar and the G graph. The video area takes the
//    column's width and the height the column leaves it, but no more height
//    than the recording's aspect ratio asks for (the graph gets the rest);
//    the transport row stays centred under the video, the volume controls
//    and the elapsed time stay at the left, the total time at the right; the
//    seek bar and the graph widen with the video.
//  - the side column: the import and bin buttons at the top, the map and the
//    playlist in a vertical splitter that takes the column's extra width and
//    height, the speed and heading readout at the bottom.
// Rectangles are in the coordinates of their column; at the minimum size
// each equals the table's rectangle less the column's origin.
class CPlayerLayout {
public:
    explicit CPlayerLayout(const QFont& font);

    // The table's rectangle of control `id` in the client area's coordinates
    // (control ids and the volume bars 1028..1037; empty for other ids).
    QRect DialogRect(int id) const;
    // The whole dialog-unit layout: the window's client area at its minimum.
    QSize MinimumClientSize() const { return m_minClient; }

    int VideoColumnMinWidth() const { return m_nVideoMinWidth; }
    int SideColumnLeft() const { return m_nSideLeft; }  // at the minimum size
    int SideColumnMinWidth() const { return m_minClient.width() - m_nSideLeft; }
    int MainHandleWidth() const { return m_nSideLeft - m_nVideoMinWidth; }
    int SideHandleWidth() const;
    int MapMinHeight() const { return DialogRect(1002).height(); }
    int PlaylistMinHeight() const { return DialogRect(1004).height(); }

    // Where the controls of each column go for a column of `size` (never
    // smaller than its minimum). `aspect` is the video's width / height, 0
    // when not known.
    std::map<int, QRect> VideoColumn(QSize size, double aspect) const;
    std::map<int, QRect> SideColumn(QSize size) const;

    // Controls of each column, by id.
    static bool InVideoColumn(int id);

    // 16:9, the shape assumed until a recording tells its own.
    static constexpr double kDefaultAspect = 16.0 / 9.0;

private:
    QFont m_font;
    QSize m_minClient;
    int m_nVideoMinWidth = 0;
    int m_nSideLeft = 0;
};
