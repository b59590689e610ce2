#include "ConverterDlg.h"
#include "JobEstimates.h"

#include "SourceList.h"
#include "base/ProgramFolder.h"
#include "controls/ColumnTreeCtrl.h"
#include "platform/ControlId.h"
#include "platform/Messages.h"
#include "platform/UserServices.h"
#include "platform/WindowMessage.h"
#include "player/MPlayer.h"
#include "queue/ConvertingDlg.h"
#include "services/Services.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPainter>
#include <QTimer>
#include <QTreeWidget>
#include <QWindow>

namespace qv {

CConverterDlg::CConverterDlg(Environment environment, QWidget* parent)
    : QDialog(parent), env_(std::move(environment)), profiles_(std::make_unique<ProfileTable>()) {
    if (env_.settingsFile.empty())
        env_.settingsFile =
            env_.programFolder.empty() ? SettingsFilePath() : env_.programFolder + "Config.ini";
    if (env_.programFolder.empty())
        env_.programFolder = ProgramFolder();
    if (env_.logFolder.empty())
        env_.logFolder = LogFolder();
    if (env_.logFolder.back() != '/')
        env_.logFolder += '/';
    OnInitDialog();
}

CConverterDlg::~CConverterDlg() {
    estimates_.reset(); // a sample still running ends first
    // The player goes first: its runs post to this window.
    preview_.SetPlayer(nullptr);
}

QWidget* CConverterDlg::Control(int id) const {
    return FindControl(this, id);
}

QPoint CConverterDlg::CentredOrigin(const QRect& screen, const QSize& window) {
    // Integer division truncates toward zero, so a narrow screen gives a
    // negative offset, as intended: the window is never shifted. The
    // screen's origin counts: the second of two monitors starts at its own.
    return screen.topLeft() +
           QPoint((screen.width() - window.width()) / 2, (screen.height() - window.height()) / 2);
}

void CConverterDlg::OnCommand(int id) {
    switch (id) {
    case IDC_ADD_VIDEO: OnAddFiles(); break;
    case IDC_ADD_DVD: OnAddDvd(); break;
    case IDC_REMOVE: OnRemove(); break;
    case IDC_HELP: OnHelpMenu(); break;
    case IDC_SKIN_OPTIONS: OnSkinOptions(); break;
    case IDC_OPTIONS: OnOptions(); break;
    case IDC_CLOSE: OnClose(); break;
    case IDC_PROFILE_SETTINGS: OnProfileSettings(); break;
    case IDC_BROWSE: OnBrowse(); break;
    case IDC_OPEN_OUTPUT: OnOpenOutput(); break;
    case IDC_START: OnStart(); break;
    case IDC_PLAY: OnPlay(); break;
    case IDC_STOP: preview_.Stop(); break;
    case IDC_SNAPSHOT: preview_.Snapshot(); break;
    case IDC_SNAPSHOT_FOLDER: preview_.OpenSnapshotFolder(); break;
    case IDC_MINIMIZE: showMinimized(); break;
    case ID_HELP_FILE: OnHelpFile(); break;
    case ID_CHECK_UPDATE: OnCheckUpdate(); break;
    case ID_SUPPORT: OnSupport(); break;
    case ID_OPEN_LOG: OnOpenLog(); break;
    case ID_ABOUT: OnAbout(); break;
    default: break;
    }
}

void CConverterDlg::customEvent(QEvent* event) {
    const int type = static_cast<int>(event->type());
    auto* message = dynamic_cast<WindowMessage*>(event);
    switch (type) {
    case WM_PLAYER_PLAYING:
    case WM_PLAYER_ENDED:
    case WM_PLAYER_STOPPED:
    case WM_PLAYER_FAILED: preview_.OnPlayerMessage(type); break;
    // A drag moves the thumb only; the seek goes when it is let go, and at
    // once for a key.
    case WM_SLIDER_DONE:
        if (message && message->wParam == IDC_SEEK)
            preview_.OnSliderMoved();
        break;
    case WM_PROFILE_CHOSEN: OnProfileChosen(); break;
    case WM_ADD_FILE:
        if (auto* add = dynamic_cast<AddFileMessage*>(event))
            AddFile(add->path);
        break;
    default: QDialog::customEvent(event); break;
    }
}

void CConverterDlg::timerEvent(QTimerEvent* event) {
    if (event->timerId() == updateTimer_.timerId()) {
        updateTimer_.stop();
        OnAutoUpdateCheck();
    } else {
        QDialog::timerEvent(event);
    }
}

// The skin's picture covers the whole window; nothing is erased first.
void CConverterDlg::paintEvent(QPaintEvent*) {
    if (!painted_) {
        // Once the window shows, at idle: the batch window's first paint.
        painted_ = true;
        QTimer::singleShot(kWarmUpDelayMs, this, [] { WarmUpBatchWindow(); });
    }
    QPainter p(this);
    if (background_.IsNull()) {
        p.fillRect(rect(), QColor(78, 78, 78));
        return;
    }
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(rect(), background_.Image());
}

// A press anywhere on the window's own surface moves it. The window system
// moves it when it can (it then also knows about screens and snapping);
// without a window manager that does it, the window follows the pointer.
void CConverterDlg::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return QDialog::mousePressEvent(event);
    if (windowHandle() && windowHandle()->startSystemMove())
        return;
    dragging_ = true;
    dragOffset_ = event->globalPosition().toPoint() - frameGeometry().topLeft();
}

void CConverterDlg::mouseMoveEvent(QMouseEvent* event) {
    if (dragging_ && (event->buttons() & Qt::LeftButton))
        move(event->globalPosition().toPoint() - dragOffset_);
}

void CConverterDlg::mouseReleaseEvent(QMouseEvent* event) {
    dragging_ = false;
    QDialog::mouseReleaseEvent(event);
}

static bool IsSwallowedKey(const QKeyEvent* key) {
    return key->key() == Qt::Key_Escape || key->key() == Qt::Key_Return ||
           key->key() == Qt::Key_Enter;
}

// Esc and Enter never close the window, wherever the focus is.
void CConverterDlg::keyPressEvent(QKeyEvent* event) {
    if (IsSwallowedKey(event)) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool CConverterDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched != this && watched->isWidgetType() && TakeDrag(event))
        return true;
    if (event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    if (watched == static_cast<QObject*>(outputEdit_) && IsSwallowedKey(key))
        return true;
    if (watched == static_cast<QObject*>(sourceList_->GetTreeCtrl()) &&
        key->key() == Qt::Key_Delete) {
        OnRemove();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

// The window system's close request does what the close button does.
void CConverterDlg::closeEvent(QCloseEvent* event) {
    if (adding_) { // closes once the adding has stopped
        closeWhenAdded_ = true;
        event->ignore();
        return;
    }
    if (!closed_)
        OnClose();
    event->accept();
}

// Coming back from minimised brings the running batch back with the window.
void CConverterDlg::changeEvent(QEvent* event) {
    if (event->type() == QEvent::WindowStateChange) {
        auto* change = static_cast<QWindowStateChangeEvent*>(event);
        if ((change->oldState() & Qt::WindowMinimized) && !(windowState() & Qt::WindowMinimized))
            if (runningBatch_) {
                runningBatch_->showNormal();
                runningBatch_->raise();
            }
    }
    QDialog::changeEvent(event);
}

// A closed modal dialog (a file picker, a message, the progress window)
// hands the keyboard back. Without a window manager nobody else does: the
// focus went to the root window with the dialog, and keys went nowhere.
bool CConverterDlg::event(QEvent* event) {
    if (event->type() == QEvent::WindowUnblocked)
        QTimer::singleShot(0, this, [this] {
            if (isVisible() && !isMinimized())
                activateWindow();
        });
    return QDialog::event(event);
}

void CConverterDlg::MinimizeMain() {
    showMinimized();
}

void CConverterDlg::RestoreMain() {
    showNormal();
    if (runningBatch_) {
        runningBatch_->showNormal();
        runningBatch_->raise();
    }
}

void CConverterDlg::SetRunningBatch(QWidget* batch) {
    runningBatch_ = batch;
    // Estimates pause while a batch runs and go on after it.
    ScheduleEstimates();
}

void CConverterDlg::dragEnterEvent(QDragEnterEvent* event) {
    TakeDrag(event);
}

void CConverterDlg::dropEvent(QDropEvent* event) {
    TakeDrag(event);
}

// Files dragged over any control are the window's: they become sources and
// never text in the output box. The adding runs once the drop has returned,
// so the file manager is not held while files are probed or a DVD scanned.
bool CConverterDlg::TakeDrag(QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop)
        return false;
    auto* drag = static_cast<QDropEvent*>(event);
    if (!drag->mimeData() || !drag->mimeData()->hasUrls())
        return false;
    drag->acceptProposedAction();
    if (type != QEvent::Drop)
        return true;
    std::vector<std::string> paths;
    for (const QUrl& url : drag->mimeData()->urls())
        if (url.isLocalFile())
            paths.push_back(url.toLocalFile().toStdString());
    if (!paths.empty())
        QTimer::singleShot(0, this, [this, paths] { AddDroppedPaths(paths); });
    return true;
}

} // namespace qv
