// Input and commands of CPlayerDlg: keys and mouse seen before the controls,
// dropped files, the import dialog, removing and locking entries, the speed
// unit, the playlist's context menu and the about box.

#include "PlayerDlg.h"

#include <QActionGroup>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>

#include "AboutDlg.h"
#include "BitmapSlider.h"
#include "CDlgMap.h"
#include "DlgVideo.h"
#include "MyListCtrl.h"
#include "SpeedDial.h"
#include "VideoEngine.h"

namespace {

// Every letter case of "*.<ext>", since file dialogs match patterns
// case-sensitively on some platforms.
QStringList CaseVariants(const QString& ext) {
    QStringList out{QStringLiteral("*.")};
    for (QChar c : ext) {
        QStringList next;
        for (const QString& prefix : out) {
            next << prefix + c.toLower();
            if (c.toUpper() != c.toLower()) {
                next << prefix + c.toUpper();
            }
        }
        out = next;
    }
    return out;
}

QStringList LocalFilesOf(const QMimeData* mime) {
    QStringList paths;
    if (!mime || !mime->hasUrls()) {
        return paths;
    }
    for (const QUrl& url : mime->urls()) {
        if (url.isLocalFile()) {
            paths << url.toLocalFile();
        }
    }
    return paths;
}

}  // namespace

QString CPlayerDlg::VideoNameFilter() {
    return QStringLiteral("Video files (%1)")
        .arg((CaseVariants(QStringLiteral("mov")) + CaseVariants(QStringLiteral("mp4")))
                 .join(QLatin1Char(' ')));
}

bool CPlayerDlg::IsOwnWidget(QObject* object) const {
    if (object == this) {
        return true;
    }
    return object && object->isWidgetType() && static_cast<QWidget*>(object)->window() == this;
}

bool CPlayerDlg::eventFilter(QObject* watched, QEvent* event) {
    if (!IsOwnWidget(watched)) {
        return false;
    }
    switch (event->type()) {
        case QEvent::KeyPress:
            return HandleKeyPress(static_cast<QKeyEvent*>(event));
        case QEvent::MouseButtonPress:
            if (watched == m_pSlider) {
                HandleSeekPress(static_cast<QMouseEvent*>(event));
            }
            return false;
        case QEvent::MouseButtonRelease:
            if (watched == m_pSlider &&
                static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
                FocusPlaylist();
            }
            return false;
        case QEvent::MouseButtonDblClick:
            HandleDoubleClick(static_cast<QMouseEvent*>(event));
            return false;
        case QEvent::ContextMenu:
            if (m_pListCtrl && (watched == m_pListCtrl || watched == m_pListCtrl->viewport())) {
                ShowPlaylistMenu(static_cast<QContextMenuEvent*>(event)->globalPos());
                return true;
            }
            return false;
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop:
            // The map's web view takes drops of its own; files dropped
            // anywhere on the window go to the playlist.
            if (watched != this) {
                return HandleDrag(static_cast<QDropEvent*>(event));
            }
            return false;
        default:
            break;
    }
    return false;
}

// The player's keys, seen before the focused control. Keys held with Ctrl,
// Alt or Meta are left to the controls (Shift only changes the seek step).
bool CPlayerDlg::HandleKeyPress(QKeyEvent* event) {
    if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) {
        return false;
    }
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    const bool repeat = event->isAutoRepeat();
    switch (event->key()) {
        case Qt::Key_Space: {
            // Consumed in every state; a held key does not toggle again and again.
            const PlayState s = m_engine.GetState();
            if (!repeat && (s == Playing || s == Paused)) {
                m_controller.OnPlayPause();
            }
            return true;
        }
        case Qt::Key_Escape:
            // Consumed in every state: Esc never closes the window.
            if (m_bFullScreen && !repeat) {
                ToggleFullScreen();
            }
            return true;
        case Qt::Key_Left:
        case Qt::Key_Right: {
            const int64_t step = shift ? kLongSeekStepMs : kSeekStepMs;
            m_controller.SeekBy(event->key() == Qt::Key_Left ? -step : step);
            return true;
        }
        case Qt::Key_Up:
            m_controller.OnVolumeUp();
            return true;
        case Qt::Key_Down:
            m_controller.OnVolumeDown();
            return true;
        case Qt::Key_Period:
            m_controller.StepFrameForward();
            return true;
        case Qt::Key_Comma:
            m_controller.StepFrameBack();
            return true;
        case Qt::Key_BracketRight:
            if (!repeat) {
                m_controller.RateUp();
            }
            return true;
        case Qt::Key_BracketLeft:
            if (!repeat) {
                m_controller.RateDown();
            }
            return true;
        case Qt::Key_Backspace:
            if (!repeat) {
                m_controller.ResetRate();
            }
            return true;
        case Qt::Key_F:
        case Qt::Key_F11:
            if (!repeat) {
                ToggleFullScreen();
            }
            return true;
        case Qt::Key_Delete:
            if (!repeat) {
                OnRemoveEntry();
            }
            return true;
        default:
            return false;
    }
}

void CPlayerDlg::HandleSeekPress(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && m_pSlider->isEnabled()) {
        m_controller.OnSeekPress();
    }
}

void CPlayerDlg::HandleDoubleClick(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !m_pDlgVideo) {
        return;
    }
    // The same double click is seen again by each parent it propagates to.
    if (event->timestamp() == m_ulLastDblClickTime && m_ulLastDblClickTime != 0) {
        return;
    }
    const QRect video(m_pDlgVideo->mapToGlobal(QPoint(0, 0)), m_pDlgVideo->size());
    if (!video.contains(event->globalPosition().toPoint())) {
        return;
    }
    m_ulLastDblClickTime = event->timestamp();
    ToggleFullScreen();
}

bool CPlayerDlg::HandleDrag(QDropEvent* event) {
    const QStringList paths = LocalFilesOf(event->mimeData());
    if (paths.isEmpty()) {
        return false;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    if (event->type() == QEvent::Drop) {
        QueueDroppedFiles(paths);
    }
    return true;
}

void CPlayerDlg::dragEnterEvent(QDragEnterEvent* event) {
    if (!LocalFilesOf(event->mimeData()).isEmpty()) {
        event->acceptProposedAction();
    }
}

void CPlayerDlg::dropEvent(QDropEvent* event) {
    const QStringList paths = LocalFilesOf(event->mimeData());
    if (paths.isEmpty()) {
        return;
    }
    event->acceptProposedAction();
    QueueDroppedFiles(paths);
}

// The drop is answered first; the files are added once the drag has ended,
// so a failure message never runs inside the drag-and-drop protocol.
void CPlayerDlg::QueueDroppedFiles(const QStringList& paths) {
    QMetaObject::invokeMethod(
        this, [this, paths] { OnDropFiles(paths); }, Qt::QueuedConnection);
}

void CPlayerDlg::OnDropFiles(const QStringList& paths) {
    std::vector<std::string> list;
    list.reserve(static_cast<size_t>(paths.size()));
    for (const QString& path : paths) {
        list.push_back(path.toStdString());
    }
    m_controller.OnDropFiles(list);
}

QStringList CPlayerDlg::RunImportDialog() {
    QFileDialog dialog(this, QStringLiteral("Import files"), m_szImportDir);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setNameFilter(VideoNameFilter());
    if (dialog.exec() != QDialog::Accepted) {
        return {};
    }
    m_szImportDir = dialog.directory().absolutePath();
    return dialog.selectedFiles();
}

void CPlayerDlg::OnImportFiles() {
    const QStringList paths = m_fnOpenFileNames ? m_fnOpenFileNames() : RunImportDialog();
    // Also after a cancelled dialog: a stopped, non-empty playlist plays.
    ImportPaths(paths);
}

void CPlayerDlg::OnRemoveEntry() {
    m_controller.OnRemoveEntry();
}

void CPlayerDlg::ToggleLockOfSelected() {
    const int row = m_pListCtrl ? m_pListCtrl->FirstSelected() : -1;
    if (row < 0) {
        return;
    }
    CFileList& list = m_controller.FileList();
    if (!list.ToggleLock(row)) {
        tagFileNode node;
        list.GetEntry(row, node);
        ShowErrorText(
            QStringLiteral("Cannot lock or unlock \"%1\":\nits permissions cannot be changed.")
                .arg(QString::fromStdString(node.strFileName)));
    }
}

void CPlayerDlg::SetSpeedUnit(int nUnit) {
    m_nSpeedUnit = nUnit;
    if (m_engine.GetState() != Playing) {
        DrawSpeedDial(m_nLastSpeed, m_dLastHeading);
    }
}

void CPlayerDlg::ShowAboutBox() {
    CAboutDlg about(this);
    about.exec();
}

void CPlayerDlg::OnCommand(int nId) {
    switch (nId) {
        case ID_REMOVE_ENTRY:
            m_controller.RemoveFocusedEntry();
            break;
        case ID_TOGGLE_LOCK:
            ToggleLockOfSelected();
            break;
        case ID_UNIT_MPH:
            SetSpeedUnit(CSpeedDial::kUnitMph);
            break;
        case ID_UNIT_KMH:
            SetSpeedUnit(CSpeedDial::kUnitKmh);
            break;
        case ID_ABOUT:
            ShowAboutBox();
            break;
        default:
            break;
    }
}

void CPlayerDlg::BuildPlaylistMenu(QMenu& menu) {
    const bool selected = m_pListCtrl && m_pListCtrl->FirstSelected() >= 0;
    QAction* remove = menu.addAction(QStringLiteral("Remove from playlist"));
    remove->setEnabled(selected && m_pListCtrl->FocusedRow() >= 0);
    connect(remove, &QAction::triggered, this, [this] { OnRemoveEntry(); });
    QAction* lock = menu.addAction(QStringLiteral("Lock/UnLock current file"));
    lock->setEnabled(selected);
    connect(lock, &QAction::triggered, this, [this] { OnCommand(ID_TOGGLE_LOCK); });

    menu.addSeparator();
    auto* units = new QActionGroup(&menu);
    units->setExclusive(true);
    const std::pair<const char*, int> choices[] = {{"km/h", ID_UNIT_KMH}, {"mph", ID_UNIT_MPH}};
    for (const auto& choice : choices) {
        QAction* unit = menu.addAction(QString::fromLatin1(choice.first));
        unit->setCheckable(true);
        unit->setChecked((choice.second == ID_UNIT_KMH) == (m_nSpeedUnit == CSpeedDial::kUnitKmh));
        units->addAction(unit);
        const int id = choice.second;
        connect(unit, &QAction::triggered, this, [this, id] { OnCommand(id); });
    }
}

void CPlayerDlg::ShowPlaylistMenu(const QPoint& globalPos) {
    QMenu menu(this);
    BuildPlaylistMenu(menu);
    menu.exec(globalPos);
}
