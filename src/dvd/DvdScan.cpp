#include "DvdScan.h"

#include <algorithm>

#include "WindowRegistry.h"
#include "base/PathText.h"
#include "base/ProgramFolder.h"
#include "dialogs/DialogUtil.h"
#include "dranvel/Dranvel.h"
#include "engine/JobModel.h"
#include "osprel/Osprel.h"
#include "platform/Messages.h"
#include "platform/ToolRun.h"
#include "platform/UserServices.h"
#include "platform/WindowMessage.h"
#include "services/Services.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <QTimerEvent>
#include <QVBoxLayout>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <linux/cdrom.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace qv {

namespace {

bool IsDir(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// What the worker and the dialog share. The dialog sets only the cancel
// flags while the worker runs; the request is filled before it starts.
struct ScanState {
    std::shared_ptr<DvdInfoBlock> block;
    TitleSearchRequest request;
    std::atomic<bool> stopped{false};
    QPointer<QObject> dialog;
};

} // namespace

struct CParseDVDDlg::Shared : ScanState {
    int32_t window = 0;
};

PreparedScan PrepareScan(const DvdSource& source) {
    PreparedScan s;
    if (source.drive) {
        s.sourcePath = s.device = source.path;
        s.label = source.volumeLabel;
        for (char& c : s.label)
            if (std::strchr("\\/:*?\"<>|", c) && c != '\0')
                c = ' ';
        s.scanPath = source.path; // libdvdread reads the device itself
        LogF("添加 DVD 设备[%s], 卷标: %s", s.device.c_str(), s.label.c_str());
    } else {
        s.sourcePath = source.path;
        if (IsDir(WithSlash(source.path) + "VIDEO_TS"))
            s.sourcePath = WithSlash(source.path) + "VIDEO_TS/";
        s.scanPath = s.sourcePath;
        LogF("Add DVD Folder: %s", s.sourcePath.c_str());
    }
    if (!source.drive)
        s.scanPath = WithSlash(s.scanPath);
    return s;
}

CParseDVDDlg::CParseDVDDlg(std::shared_ptr<DvdInfoBlock> block, const PreparedScan& scan,
                           bool runOsprel, bool mainTitle, QWidget* parent)
    : QDialog(parent), shared_(std::make_shared<Shared>()), block_(std::move(block)), scan_(scan),
      runOsprel_(runOsprel), mainTitle_(mainTitle) {
    setWindowTitle(QStringLiteral("DVD"));
    progress_ = new QProgressBar(this);
    progress_->setProperty("controlId", int(IDC_PROGRESS));
    progress_->setRange(0, 100);
    progress_->setTextVisible(false);
    label_ = new QLabel(DlgText("DlgDvdScan", "Searching", "找到标题: "), this);
    label_->setProperty("controlId", int(IDC_FOUND));
    label_->setMinimumWidth(320);
    auto* stop = new QPushButton(DlgText("DlgDvdScan", "Stop", "停止"), this);
    stop->setProperty("controlId", int(IDC_STOP));
    stop->setAutoDefault(false);
    connect(stop, &QPushButton::clicked, this, &CParseDVDDlg::Stop);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label_);
    layout->addWidget(progress_);
    layout->addWidget(stop, 0, Qt::AlignRight);

    shared_->block = block_;
    shared_->dialog = this;
    // Search reports arrive on the worker's thread: hand them to this one.
    shared_->window = QvRegisterWindow(
        [](void* context, int32_t message, int64_t w, int64_t l) -> int64_t {
            auto* state = static_cast<Shared*>(context);
            if (QObject* dialog = state->dialog)
                QCoreApplication::postEvent(dialog, new WindowMessage(message, w, l));
            return 0;
        },
        shared_.get());
    TitleSearchRequest& request = shared_->request;
    std::memset(&request, 0, sizeof request);
    std::strncpy(request.path, scan_.scanPath.c_str(), sizeof request.path - 1);
    request.mainTitle = mainTitle_ ? 1 : 0;
    request.minimumSeconds = 60;
    request.window = shared_->window;
    startTimer_.start(kStartTimerMs, this);
}

CParseDVDDlg::~CParseDVDDlg() {
    // A cancelled read kills its child within a moment, so the join is short;
    // nothing the scan started outlives the dialog.
    Cancel();
    if (worker_.joinable())
        worker_.join();
    QvUnregisterWindow(shared_->window);
}

void CParseDVDDlg::Cancel() {
    shared_->stopped = true;
    RequestCancel(block_->cancel);
    RequestCancel(shared_->request.cancel);
}

int CParseDVDDlg::Progress() const {
    return progress_->value();
}
QString CParseDVDDlg::FoundText() const {
    return label_->text();
}

void CParseDVDDlg::timerEvent(QTimerEvent* event) {
    if (event->timerId() != startTimer_.timerId())
        return QDialog::timerEvent(event);
    startTimer_.stop();
    std::shared_ptr<Shared> state = shared_;
    const PreparedScan scan = scan_;
    const bool runOsprel = runOsprel_;
    const std::string tools = ProgramFolder();
    // Through the registry, as the search reports; the last message is
    // always WM_DVD_SCAN_DONE, after which the worker touches nothing.
    auto post = [state](int message, long long w = 0, long long l = 0) {
        QvSendWindowMessage(state->window, message, w, l);
    };
    worker_ = std::thread([=] {
        constexpr int kProgress = WM_USER + 1; // the worker's own progress note
        constexpr int kSearched = WM_USER + 2; // the structure is read; wParam 1: a search follows
        post(kProgress, 2);
        std::string path = scan.scanPath;
        int result =
            scan.sourcePath.empty() ? 1 : ReadDvdStructure(path.data(), state->block.get());
        if (result != 0) {
            if (!state->stopped)
                LogF("分析 IFO 文件 [%s] 失败, 错误 = %d\n", scan.scanPath.c_str(), result);
            post(WM_DVD_SCAN_DONE, result);
            return;
        }
        post(kProgress, 10);
        post(kSearched, runOsprel ? 1 : 0);
        if (!runOsprel || state->stopped) {
            post(WM_DVD_SCAN_DONE);
            return;
        }
        if (!scan.device.empty()) {
            // One short run of the player on the drive, as the search expects.
            // A stop ends the run at once; the player's group goes with it.
            ToolRun player;
            player.argv.assign({tools + "codecs/vistrel", "-dvd-device", scan.device, "dvdnav://0",
                                "-dvd-speed", "99", "-vo", "null", "-ao", "null", "-frames", "1"});
            player.stop = [&state] { return state->stopped.load(); };
            RunTool(player);
        }
        post(kProgress, 20);
        if (state->stopped) {
            post(WM_DVD_SCAN_DONE);
            return;
        }
        FindValidTitles(&state->request);
        post(WM_DVD_SCAN_DONE);
    });
}

void CParseDVDDlg::Report(long long wParam, long long lParam) {
    if (stoppedByUser_)
        return; // what was found before the stop stands
    if (wParam == 1) {
        found_.push_back(static_cast<int>(lParam));
        foundText_ += QString::number(lParam) + " ";
        label_->setText(DlgText("DlgDvdScan", "Found", "发现标题: ") + foundText_);
    } else if (wParam == 2) {
        progress_->setValue(static_cast<int>(20 + lParam * 0.8));
    } else if (wParam == 3) {
        ++outcome_.unreadableTitles;
    } else if (wParam == 5) {
        int title = 0;
        const TitleTraits traits = UnpackTraits(lParam, &title);
        if (title >= 1 && title <= kMaxDvdTitles)
            traits_[title] = traits;
    } else if (wParam == 4) {
        outcome_.searchFailure = static_cast<int>(lParam);
        LogF("Title search of [%s] failed: %s", scan_.scanPath.c_str(),
             lParam == 2   ? "stopped after two minutes"
             : lParam == 3 ? "crashed"
                           : "not opened");
    }
}

void CParseDVDDlg::customEvent(QEvent* event) {
    auto* m = static_cast<WindowMessage*>(event);
    const int type = static_cast<int>(event->type());
    if (type == WM_TITLE_SEARCH_REPORT)
        Report(m->wParam, m->lParam);
    else if (type == WM_USER + 1)
        progress_->setValue(static_cast<int>(m->wParam));
    else if (type == WM_USER + 2)
        outcome_.searched = m->wParam != 0;
    else if (type == WM_DVD_SCAN_DONE) {
        outcome_.readResult = static_cast<int>(m->wParam);
        Done();
    } else
        QDialog::customEvent(event);
}

void CParseDVDDlg::Done() {
    if (done_)
        return;
    done_ = true;
    shared_->stopped = true;
    if (worker_.joinable())
        worker_.join(); // it has posted its last message: the block is complete
    const int count = std::clamp(block_->titleCount, 0, kMaxDvdTitles);
    outcome_.titles = count;
    // The main feature is ticked; the other valid titles are there to tick.
    if (mainTitle_)
        for (const auto& [t, traits] : traits_)
            if (t >= 1 && t <= count)
                block_->titles[t - 1].selected = 2;
    for (int t : found_)
        if (t >= 1 && t <= count)
            block_->titles[t - 1].selected = 1;
    if (!runOsprel_)
        for (int t = 0; t < count; ++t)
            block_->titles[t].selected = 1;
    QTimer::singleShot(100, this, &QDialog::accept);
}

void CParseDVDDlg::Stop() {
    if (done_ || stoppedByUser_)
        return;
    if (Services().MessageBox(UiText("DlgDvdScan", "StopAsk", "正在解析 DVD, 确定要停止吗?"),
                              UiText("DlgDvdScan", "Warning", "警告"), MsgIcon::Exclamation,
                              MsgButtons::YesNo) != MsgYes ||
        done_)
        return;
    stoppedByUser_ = true;
    Cancel();
    // A running worker kills the child reading the disc and then posts
    // WM_DVD_SCAN_DONE; the block is read only after that.
    if (!worker_.joinable()) {
        startTimer_.stop();
        Done();
    }
}

void CParseDVDDlg::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        Stop(); // Escape is the Stop button
        return;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        return;
    QDialog::keyPressEvent(event);
}

void CParseDVDDlg::closeEvent(QCloseEvent* event) {
    event->ignore();
    Stop();
}

std::string TitleTraitsText(const TitleTraits& t) {
    auto with = [](std::string text, const std::string& one, const std::string& two = "") {
        for (auto [mark, value] : {std::pair{"%1", one}, {"%2", two}})
            if (size_t at = text.find(mark); at != std::string::npos)
                text.replace(at, 2, value);
        return text;
    };
    char length[32];
    const int s = std::max(t.seconds, 0);
    std::snprintf(length, sizeof length, "%02d:%02d:%02d", s / 3600, s / 60 % 60, s % 60);
    std::vector<std::string> lines;
    if (t.flags & kMainFeature)
        lines.push_back(UiText("DvdTitle", "MainFeature", "正片"));
    lines.push_back(with(UiText("DvdTitle", "Length", "长度 %1"), length));
    lines.push_back(t.flags & kCellsInOrder
                        ? UiText("DvdTitle", "InOrder", "单元按顺序播放")
                        : UiText("DvdTitle", "OutOfOrder", "单元不按顺序播放 (来回跳转)"));
    lines.push_back(t.sharedCells > 0
                        ? with(UiText("DvdTitle", "Shared", "%2 个单元中有 %1 个与其他标题共用"),
                               std::to_string(t.sharedCells), std::to_string(t.cells))
                        : UiText("DvdTitle", "NotShared", "单元不与其他标题共用"));
    if (t.flags & kFirstPlayTarget)
        lines.push_back(UiText("DvdTitle", "FirstPlay", "首次播放从这里开始"));
    if (t.flags & kMenuTarget)
        lines.push_back(UiText("DvdTitle", "TitleMenu", "标题菜单从这里开始"));
    std::string text;
    for (const std::string& line : lines) {
        if (!text.empty())
            text += '\n';
        text += line;
    }
    return text;
}

DvdSources DvdSourcesOf(const DvdInfoBlock& block, const PreparedScan& scan,
                        const DvdTitleTraits& traits) {
    DvdSources sources;
    sources.name = scan.scanPath;
    sources.disc = std::make_unique<CMediaRecord>();
    sources.disc->kind = KindDvdDisc;
    sources.disc->sourcePath = scan.device;
    const int count = std::clamp(block.titleCount, 0, kMaxDvdTitles);
    for (int t = 1; t <= count; ++t) {
        const DvdTitleRecord& title = block.titles[t - 1];
        if (!title.selected)
            continue;
        const std::string length = FieldText(title.length);
        auto r = std::make_unique<CMediaRecord>();
        r->kind = KindDvdTitle;
        r->sourcePath = scan.sourcePath;
        r->baseName = DvdTitleBaseName(scan.label, t);
        r->fullLength = r->trimEnd = length;
        r->trimStart = "00:00:00";
        r->titleNumber = t;
        r->frameRate = FieldText(title.frameRate);
        r->manyTitles = count > 40 ? 1 : 0;
        for (int a = 0; a < std::clamp(title.audioCount, 0, 32); ++a)
            r->audioTracks.push_back(TrackEntry::Make(FieldText(title.audio[a].language) + " " +
                                                          FieldText(title.audio[a].format),
                                                      title.audio[a].streamId));
        if (!r->audioTracks.empty())
            r->audioIndex = 0;
        for (int s = 0; s < std::clamp(title.subtitleCount, 0, 32); ++s)
            r->subtitleTracks.push_back(
                TrackEntry::Make(FieldText(title.subtitles[s].label), title.subtitles[s].streamId));
        sources.titles.push_back(std::move(r));
        DvdTitleRow row;
        row.ticked = title.selected == 1;
        if (auto found = traits.find(t); found != traits.end()) {
            row.mainFeature = found->second.flags & kMainFeature;
            row.note = TitleTraitsText(found->second);
        }
        sources.rows.push_back(std::move(row));
    }
    return sources;
}

} // namespace qv

namespace qv {

bool DvdCssAvailable() {
    static const bool available = [] {
        void* css = ::dlopen("libdvdcss.so.2", RTLD_LAZY | RTLD_LOCAL);
        if (css)
            ::dlclose(css);
        return css != nullptr;
    }();
    return available;
}

namespace {

// Whether a drive's disc is marked as scrambled (CSS); false when the drive
// cannot say.
bool DiscScrambled(const std::string& device) {
    const int fd = ::open(device.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    dvd_struct s;
    std::memset(&s, 0, sizeof s);
    s.type = DVD_STRUCT_COPYRIGHT;
    const bool scrambled = ::ioctl(fd, DVD_READ_STRUCT, &s) == 0 && s.copyright.cpst != 0;
    ::close(fd);
    return scrambled;
}

} // namespace

DvdPathFacts DvdPathFactsOf(const std::string& path) {
    DvdPathFacts f;
    f.cssAvailable = DvdCssAvailable();
    f.named = !path.empty();
    struct stat st;
    if (!f.named)
        return f;
    if (::stat(path.c_str(), &st) != 0) {
        f.statError = errno;
        return f;
    }
    f.drive = !S_ISDIR(st.st_mode);
    const int fd = ::open(path.c_str(),
                          (f.drive ? O_RDONLY | O_NONBLOCK : O_RDONLY | O_DIRECTORY) | O_CLOEXEC);
    if (fd < 0) {
        f.openError = errno;
        return f;
    }
    if (S_ISBLK(st.st_mode)) {
        // Opened without waiting for a disc: ask the drive whether it has one.
        const int status = ::ioctl(fd, CDROM_DRIVE_STATUS, CDSL_CURRENT);
        if (status == CDS_NO_DISC || status == CDS_TRAY_OPEN)
            f.openError = ENOMEDIUM;
    }
    ::close(fd);
    f.scrambled = !f.openError && S_ISBLK(st.st_mode) && DiscScrambled(path);
    return f;
}

DvdDiagnosis DiagnoseDvd(const DvdPathFacts& path, const DvdScanOutcome& outcome, int found) {
    if (found > 0)
        return {};
    if (!path.named)
        return {DvdProblem::NoPath, ""};
    if (path.statError == ENOENT)
        return {DvdProblem::Missing, ""};
    if (path.statError || path.openError)
        return {DvdProblem::NotReadable,
                std::strerror(path.statError ? path.statError : path.openError)};
    if (outcome.readResult == 4 || outcome.searchFailure == 2)
        return {DvdProblem::TimedOut, ""};
    if (outcome.readResult == 3 || outcome.searchFailure == 3)
        return {DvdProblem::Damaged, ""};
    if (outcome.readResult != 0 || outcome.titles == 0 || outcome.searchFailure == 1)
        return {DvdProblem::NotDvd, ""};
    // A drive that has not authenticated refuses a scrambled disc's title
    // sectors, so every title reads as broken.
    const bool allUnreadable = outcome.searched && outcome.unreadableTitles >= outcome.titles;
    if (path.drive && !path.cssAvailable && (allUnreadable || path.scrambled))
        return {DvdProblem::Encrypted, ""};
    if (allUnreadable)
        return {DvdProblem::TitlesUnreadable, ""};
    return {DvdProblem::NoLongTitle, ""};
}

DvdDiagnosis DiagnoseDvdScan(const PreparedScan& scan, const DvdScanOutcome& outcome, int found) {
    return found > 0 ? DvdDiagnosis{}
                     : DiagnoseDvd(DvdPathFactsOf(scan.sourcePath), outcome, found);
}

std::string DvdProblemText(const DvdDiagnosis& d, const std::string& path) {
    auto with = [&path, &d](std::string text) {
        for (auto [mark, value] : {std::pair{"%1", path}, {"%2", d.detail}})
            if (size_t at = text.find(mark); at != std::string::npos)
                text.replace(at, 2, value);
        return text;
    };
    switch (d.problem) {
    case DvdProblem::None: return "";
    case DvdProblem::NoPath: return UiText("MsgBox", "DvdNoPath", "没有选择 DVD 驱动器或文件夹.");
    case DvdProblem::Missing: return with(UiText("MsgBox", "DvdMissing", "\"%1\" 不存在."));
    case DvdProblem::NotReadable:
        return with(UiText("MsgBox", "DvdNotReadable", "无法读取 \"%1\": %2."));
    case DvdProblem::NotDvd:
        return with(UiText("MsgBox", "DvdNotVideo",
                           "\"%1\" 不是 DVD 视频 (无法读取其 VIDEO_TS.IFO 或标题表)."));
    case DvdProblem::Damaged:
        return with(UiText("MsgBox", "DvdDamaged", "\"%1\" 上的 DVD 文件已损坏, 无法读取."));
    case DvdProblem::TimedOut:
        return with(UiText("MsgBox", "DvdTimedOut", "读取 \"%1\" 超过两分钟, 已停止."));
    // The language files' test reads each built-in text as one literal.
    // clang-format off
    case DvdProblem::Encrypted:
        return UiText("MsgBox", "DvdEncrypted", "此 DVD 已加密 (CSS), 读取它需要 libdvdcss. Debian 通过 contrib 中的 libdvd-pkg 软件包提供它: sudo apt install libdvd-pkg && sudo dpkg-reconfigure libdvd-pkg");
    case DvdProblem::TitlesUnreadable:
        return with(UiText("MsgBox", "DvdTitlesUnreadable", "\"%1\" 的标题表可以读取, 但其标题无法读取 (读取错误, 或者未能通过的区域码或复制保护)."));
    case DvdProblem::NoLongTitle:
        return UiText("MsgBox", "NoDvdTitle", "此 DVD 上没有可转换的标题 (不列出短于一分钟的标题).");
        // clang-format on
    }
    return "";
}

} // namespace qv
