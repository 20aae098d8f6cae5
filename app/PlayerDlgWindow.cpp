// CPlayerDlg: the window's place on the screen and the splitters' positions,
// kept between runs in the [Window] section of config.ini.

#include <QGuiApplication>
#include <QMenuBar>
#include <QScreen>
#include <QSplitter>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "PlayerDlg.h"
#include "WindowSettings.h"

namespace {

// Share of the width or height the window has beyond its minimum that the
// side column and the playlist take until the user moves a splitter.
constexpr int kSideShareOfGrowth = 25;      // percent of the extra width
constexpr int kPlaylistShareOfGrowth = 40;  // percent of the extra height

// A saved rectangle counts when this much of it lies on some screen.
constexpr int kMinVisibleWidth = 100;
constexpr int kMinVisibleHeight = 50;

}  // namespace

// True when a window manager runs on the X display (it then carries out
// maximise and full-screen requests; without one the window places itself).
bool CPlayerDlg::HasWindowManager() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* c = x11 ? x11->connection() : nullptr;
    if (!c) {
        return false;
    }
    static const char kName[] = "_NET_SUPPORTING_WM_CHECK";
    xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 1, static_cast<uint16_t>(std::strlen(kName)), kName), nullptr);
    if (!atom) {
        return false;
    }
    const xcb_atom_t check = atom->atom;
    std::free(atom);
    if (check == XCB_ATOM_NONE) {
        return false;
    }
    const xcb_screen_t* root = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    if (!root) {
        return false;
    }
    xcb_get_property_reply_t* prop = xcb_get_property_reply(
        c, xcb_get_property(c, 0, root->root, check, XCB_ATOM_WINDOW, 0, 1), nullptr);
    const bool present = prop && xcb_get_property_value_length(prop) >= 4;
    std::free(prop);
    return present;
}

namespace {

QScreen* ScreenOf(const QRect& rect) {
    QScreen* best = nullptr;
    long long bestArea = 0;
    for (QScreen* scr : QGuiApplication::screens()) {
        const QRect common = scr->availableGeometry().intersected(rect);
        const long long area = static_cast<long long>(common.width()) * common.height();
        if (common.width() >= kMinVisibleWidth && common.height() >= kMinVisibleHeight &&
            area > bestArea) {
            best = scr;
            bestArea = area;
        }
    }
    return best;
}

int Clamp(int value, int lo, int hi) {
    return std::max(lo, std::min(value, hi));
}

}  // namespace

// The geometry saved last time when it still lies on a screen (a size
// beyond the screen's free area is cut to it), else a window centred on the
// primary screen; maximised unless it was last closed otherwise.
void CPlayerDlg::ShowAtSavedPlace() {
    const tagWindowSettings s = ReadWindowSettings(m_szConfigPath.toStdString());
    m_nSidePanelWidth = s.sidePanelWidth;
    m_nPlaylistHeight = s.playlistHeight;

    QRect normal;
    QRect desktop;
    for (QScreen* scr : QGuiApplication::screens()) {
        desktop |= scr->geometry();
    }
    // A window larger than all the screens together is no place to go back to.
    const bool absurd = s.width > desktop.width() || s.height > desktop.height();
    if (s.hasGeometry && !absurd) {
        const QRect saved(s.x, s.y, s.width, s.height);
        if (QScreen* scr = ScreenOf(saved)) {
            const QRect free = scr->availableGeometry();
            normal = QRect(saved.topLeft(), saved.size().boundedTo(free.size()));
        }
    }
    if (!normal.isValid()) {
        if (QScreen* scr = QGuiApplication::primaryScreen()) {
            const QRect free = scr->availableGeometry();
            const QSize size =
                (free.size() * 4 / 5).expandedTo(minimumSize()).boundedTo(free.size());
            normal = QRect(QPoint(0, 0), size);
            normal.moveCenter(free.center());
        }
    }
    m_rcNormal = normal;
    m_bPlacingWindow = true;
    if (normal.isValid()) {
        setGeometry(normal);
    }
    if (!s.hasMaximized || s.maximized) {
        ShowMaximisedOnScreen();
    } else {
        show();
    }
    m_bPlacingWindow = false;
}

void CPlayerDlg::ShowMaximisedOnScreen() {
    if (HasWindowManager()) {
        showMaximized();
        return;
    }
    // Nobody carries the request out: the window takes the screen's free
    // area itself (before the request: a geometry set on a maximised window
    // would take the state away again).
    QScreen* scr = ScreenOf(m_rcNormal);
    if (!scr) {
        scr = screen();
    }
    if (scr) {
        setGeometry(scr->availableGeometry());
    }
    showMaximized();
}

void CPlayerDlg::SaveWindowPlace() {
    if (m_bPlaceSaved || m_szConfigPath.isEmpty()) {
        return;
    }
    m_bPlaceSaved = true;
    tagWindowSettings s;
    if (m_rcNormal.isValid()) {
        s.hasGeometry = true;
        s.x = m_rcNormal.x();
        s.y = m_rcNormal.y();
        s.width = m_rcNormal.width();
        s.height = m_rcNormal.height();
    }
    s.hasMaximized = true;
    s.maximized = m_bFullScreen ? m_bMaximisedBeforeFullScreen : isMaximized();
    s.sidePanelWidth = m_nSidePanelWidth;
    s.playlistHeight = m_nPlaylistHeight;
    WriteWindowSettings(m_szConfigPath.toStdString(), s);  // a failure costs only the place
}

void CPlayerDlg::done(int result) {
    SaveWindowPlace();
    QDialog::done(result);
}

// The side column keeps the width the user gave it (or, until then, a
// quarter of what the window has beyond its minimum), within what the
// columns' minimum widths leave.
void CPlayerDlg::ApplySidePanelWidth() {
    if (!m_pMainSplitter || m_bFullScreen) {
        return;
    }
    const int total = m_pMainSplitter->width() - m_pMainSplitter->handleWidth();
    const int sideMin = m_layout.SideColumnMinWidth();
    const int videoMin = m_layout.VideoColumnMinWidth();
    const int growth = std::max(0, total - sideMin - videoMin);
    const int wanted =
        m_nSidePanelWidth >= 0 ? m_nSidePanelWidth : sideMin + growth * kSideShareOfGrowth / 100;
    const int side = Clamp(wanted, sideMin, std::max(sideMin, total - videoMin));
    const QList<int> sizes{total - side, side};
    if (m_pMainSplitter->sizes() != sizes) {
        m_pMainSplitter->setSizes(sizes);
    }
}

void CPlayerDlg::ApplyPlaylistHeight() {
    if (!m_pSideSplitter || m_bFullScreen) {
        return;
    }
    const int total = m_pSideSplitter->height() - m_pSideSplitter->handleWidth();
    const int listMin = m_layout.PlaylistMinHeight();
    const int mapMin = m_layout.MapMinHeight();
    const int growth = std::max(0, total - listMin - mapMin);
    const int wanted = m_nPlaylistHeight >= 0 ? m_nPlaylistHeight
                                              : listMin + growth * kPlaylistShareOfGrowth / 100;
    const int list = Clamp(wanted, listMin, std::max(listMin, total - mapMin));
    const QList<int> sizes{total - list, list};
    if (m_pSideSplitter->sizes() != sizes) {
        m_pSideSplitter->setSizes(sizes);
    }
}

// The user moved a splitter: its new place is kept from now on.
void CPlayerDlg::OnSplitterMoved(QSplitter* splitter) {
    const QList<int> sizes = splitter->sizes();
    if (sizes.size() != 2) {
        return;
    }
    (splitter == m_pMainSplitter ? m_nSidePanelWidth : m_nPlaylistHeight) = sizes[1];
}
