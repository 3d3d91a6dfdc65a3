// The main dialog: its template, start-up, commands, message map and the
// handlers of the background work.
#include "app/kelvarin_dlg.h"

#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <system_error>
#include <utility>

#include "app/about_dlg.h"
#include "app/dialog_font.h"
#include "app/dialog_line_edit.h"
#include "app/dialog_units.h"
#include "app/resource.h"
#include "app/rich_log.h"
#include "app/string_table.h"
#include "codec/stored_file.h"
#include "fileio/folders.h"
#include "filelist/list_summary.h"
#include "filelist/listed_files.h"
#include "import/import_messages.h"
#include "import/log_line.h"
#include "platform/message_box.h"
#include "scan/collect_files.h"
#include "settings/settings_files.h"

namespace kelvarin::app {

namespace {

// The template, in dialog units (x, y, width, height).
constexpr QSize kMainSize(456, 252);
constexpr QRect kImportRect(141, 227, 68, 16);
constexpr QRect kGenerateRect(248, 227, 80, 16);
constexpr QRect kRootPathRect(51, 7, 357, 14);
constexpr QRect kBrowseRect(412, 7, 37, 15);
constexpr QRect kDirectoryRect(11, 9, 40, 9);
constexpr QRect kLogRect(7, 25, 442, 181);
constexpr QRect kStatusRect(7, 209, 442, 12);

constexpr char kListSuffix[] = "xml";
constexpr char kListCompletedText[] = "Generate file list completed!";
constexpr char kStopImportQuestion[] =
    "An import is running. Stop it and close Kelvarin? Each worker finishes the file it is on, "
    "so that no stored file is left half-written.";
constexpr char kStopListQuestion[] =
    "The file list is being generated. Stop it and close Kelvarin? The list and its .bin file "
    "stay as they were.";
constexpr char kStoppingLine[] =
    "Stopping: each worker finishes the file it is on, then Kelvarin closes.";
constexpr char kListClosingLine[] = "Stopping: the file list is not written, then Kelvarin closes.";

// The progress bar's height in pixels; it is centred in the band below the
// buttons and as wide as the log, so its margins are the dialog's.
constexpr int kProgressHeight = 6;
// How often the bar reads the bytes done: often enough to move smoothly,
// seldom enough to cost nothing.
constexpr int kProgressIntervalMs = 100;
// The most worker messages handled in one pass of the event loop, and the
// time after which a pass stops taking more batches: input waits at most
// about that long however large the backlog.
constexpr std::size_t kMessageBatch = 512;
constexpr qint64 kMessageSliceMs = 15;

QString FromPath(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

std::string ToPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

std::string Percent(std::uint64_t done, std::uint64_t total) {
    const std::uint64_t percent =
        total == 0 ? 100 : std::min<std::uint64_t>(done, total) * 100 / total;
    return std::to_string(percent) + "%";
}

void SetNoDefault(QPushButton& button) {
    button.setAutoDefault(false);
    button.setDefault(false);
}

}  // namespace

std::int32_t CKelvarinDlg::s_finishedWorkers = 0;

const CKelvarinDlg::MessageMapEntry CKelvarinDlg::kMessageMap[] = {
    {WM_IMPORT_UPDATED, &CKelvarinDlg::OnImportUpdated},
    {WM_IMPORT_ADDED, &CKelvarinDlg::OnImportAdded},
    {WM_IMPORT_PROGRESS, &CKelvarinDlg::OnImportProgress},
    {WM_IMPORT_FINISHED, &CKelvarinDlg::OnImportFinished},
    {WM_IMPORT_FAILED, &CKelvarinDlg::OnImportFailed},
};

CKelvarinDlg::CKelvarinDlg() : CKelvarinDlg(m_qtChoosers) {}

CKelvarinDlg::CKelvarinDlg(Choosers& choosers, WorkerLauncher launch)
    : m_icon(QString::fromLatin1(kIconResource)),
      m_choosers(choosers),
      m_launch(std::move(launch)),
      m_listRun([this](std::size_t done, std::size_t total,
                       const std::string& name) { OnFileListProgress(done, total, name); },
                [this](const FileListResult& result) { OnFileListEnded(result); }) {
    CreateControls();
    OnInitDialog();
}

CKelvarinDlg::~CKelvarinDlg() = default;

void CKelvarinDlg::CreateControls() {
    setObjectName(QStringLiteral("IDD_MAIN"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setWindowTitle(QString::fromLatin1(kMainCaption));
    setFont(DialogFont());
    const DialogBaseUnits base = DialogBaseUnitsOf(font());
    setFixedSize(MapDialogSize(kMainSize, base));

    // Created in tab order, so that the focus chain starts at Import File.
    m_import = new QPushButton(QString::fromLatin1(kImportText), this);
    m_import->setObjectName(QStringLiteral("IDC_IMPORT"));
    m_import->setGeometry(MapDialogRect(kImportRect, base));

    m_generate = new QPushButton(QString::fromLatin1(kGenerateText), this);
    m_generate->setObjectName(QStringLiteral("IDC_GENERATE"));
    m_generate->setGeometry(MapDialogRect(kGenerateRect, base));

    m_rootEdit = new DialogLineEdit(this);
    m_rootEdit->setObjectName(QStringLiteral("IDC_ROOT_PATH"));
    m_rootEdit->setGeometry(MapDialogRect(kRootPathRect, base));

    m_browse = new QPushButton(QString::fromLatin1(kBrowseText), this);
    m_browse->setObjectName(QStringLiteral("IDC_BROWSE"));
    m_browse->setGeometry(MapDialogRect(kBrowseRect, base));

    m_directoryLabel = new QLabel(QString::fromLatin1(kDirectoryText), this);
    m_directoryLabel->setTextFormat(Qt::PlainText);
    m_directoryLabel->setGeometry(MapDialogRect(kDirectoryRect, base));

    m_log = new RichLog(this);
    m_log->setObjectName(QStringLiteral("IDC_LOG"));
    m_log->setGeometry(MapDialogRect(kLogRect, base));

    m_status = new DialogLineEdit(this);
    m_status->setObjectName(QStringLiteral("IDC_STATUS"));
    m_status->setGeometry(MapDialogRect(kStatusRect, base));
    m_status->setReadOnly(true);
    m_status->setFrame(false);
    m_status->SetFocusFrame(true);
    // A read-only line without a frame reads as text on the dialog.
    QPalette statusPalette = m_status->palette();
    statusPalette.setColor(QPalette::Base, statusPalette.color(QPalette::Window));
    m_status->setPalette(statusPalette);

    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("progress"));
    const QRect log = MapDialogRect(kLogRect, base);
    const int buttonsBottom = m_import->geometry().bottom() + 1;
    const int band = height() - buttonsBottom;
    m_progress->setGeometry(log.x(), buttonsBottom + (band - kProgressHeight) / 2, log.width(),
                            kProgressHeight);
    m_progress->setTextVisible(false);
    m_progress->setFocusPolicy(Qt::NoFocus);
    m_progress->hide();

    for (QPushButton* button : {m_import, m_generate, m_browse}) {
        SetNoDefault(*button);
    }
    for (QWidget* control : {static_cast<QWidget*>(m_import), static_cast<QWidget*>(m_generate),
                             static_cast<QWidget*>(m_rootEdit), static_cast<QWidget*>(m_browse),
                             static_cast<QWidget*>(m_log), static_cast<QWidget*>(m_status)}) {
        control->setFocusPolicy(Qt::StrongFocus);
    }
    m_directoryLabel->setFocusPolicy(Qt::NoFocus);
    setTabOrder(m_import, m_generate);
    setTabOrder(m_generate, m_rootEdit);
    setTabOrder(m_rootEdit, m_browse);
    setTabOrder(m_browse, m_log);
    setTabOrder(m_log, m_status);

    connect(m_browse, &QPushButton::clicked, this, &CKelvarinDlg::OnBrowse);
    connect(m_import, &QPushButton::clicked, this, &CKelvarinDlg::OnImportFile);
    connect(m_generate, &QPushButton::clicked, this, &CKelvarinDlg::OnGenerateFileList);
    connect(m_rootEdit, &QLineEdit::returnPressed, this, &CKelvarinDlg::OnRootPathEntered);

    m_progressTimer = new QTimer(this);
    m_progressTimer->setInterval(kProgressIntervalMs);
    connect(m_progressTimer, &QTimer::timeout, this, &CKelvarinDlg::ShowImportProgress);
}

bool CKelvarinDlg::OnInitDialog() {
    UpdateData(false);

    m_windowMenu = new QMenu(this);
    m_windowMenu->setObjectName(QStringLiteral("windowMenu"));
    QAction* close = m_windowMenu->addAction(QString::fromUtf8(kCloseMenuText));
    close->setShortcut(QKeySequence(Qt::ALT | Qt::Key_F4));
    close->setShortcutVisibleInContextMenu(true);
    connect(close, &QAction::triggered, this, [this] { OnSysCommand(SC_CLOSE, 0); });
    const QString about = LoadResourceString(IDS_ABOUTBOX);
    if (!about.isEmpty()) {
        m_windowMenu->addSeparator();
        QAction* aboutAction = m_windowMenu->addAction(about);
        aboutAction->setObjectName(QStringLiteral("IDM_ABOUTBOX"));
        connect(aboutAction, &QAction::triggered, this, [this] { OnSysCommand(IDM_ABOUTBOX, 0); });
    }
    // The window menu's own key, where the window manager leaves it to us.
    // The same items end the context menus of the controls that have their own.
    m_log->SetMenuActions(WindowMenuActions());
    m_rootEdit->SetMenuActions(WindowMenuActions());
    m_status->SetMenuActions(WindowMenuActions());
    auto* menuKey = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Space), this);
    connect(menuKey, &QShortcut::activated, this,
            [this] { m_windowMenu->popup(mapToGlobal(QPoint(0, 0))); });

    setWindowIcon(m_icon);

    SettingsRead<std::string> root = ReadRootFolderFile();
    std::string problem = std::move(root.problem);
    m_rootPath = std::move(root.value);
    UpdateData(false);
    SettingsRead<std::vector<std::string>> excluded = ReadExcludeListFile();
    m_excludeList = std::move(excluded.value);
    m_excludeListProblem = std::move(excluded.problem);
    if (problem.empty()) {
        problem = m_excludeListProblem;
    }
    if (!problem.empty()) {
        // Said once the window is up, so that the user sees what it is about.
        QTimer::singleShot(0, this, [problem] { AppMessageBox(problem); });
    }

    // Styles frame the focused control only after keyboard navigation; a
    // keyboard user must see where Enter goes from the start.
    setAttribute(Qt::WA_KeyboardFocusChange);
    m_import->setFocus();
    return true;
}

void CKelvarinDlg::UpdateData(bool saveAndValidate) {
    if (saveAndValidate) {
        m_rootPath = ToPath(m_rootEdit->text());
    } else {
        m_rootEdit->setText(FromPath(m_rootPath));
    }
}

QList<QAction*> CKelvarinDlg::WindowMenuActions() const {
    return m_windowMenu->actions();
}

void CKelvarinDlg::done(int result) {
    if (!Busy()) {
        QDialog::done(result);
        return;
    }
    if (m_closeWhenIdle) {
        return;  // already stopping
    }
    const bool import = !m_listRun.Running();
    if (!m_choosers.AskYesNo(this,
                             QString::fromUtf8(import ? kStopImportQuestion : kStopListQuestion))) {
        return;
    }
    if (!Busy()) {  // the run ended while the question was open
        QDialog::done(result);
        return;
    }
    m_closeWhenIdle = true;
    m_closeResult = result;
    if (import && m_runProgress) {
        m_runProgress->stopRequested = true;
    } else if (!import) {
        m_listRun.RequestStop();
    }
    m_log->AppendLine(import ? kStoppingLine : kListClosingLine, kSummaryColor, true);
}

void CKelvarinDlg::keyPressEvent(QKeyEvent* event) {
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    const bool enter =
        (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && modifiers == 0;
    if (!enter) {
        QDialog::keyPressEvent(event);
        return;
    }
    // A push button with the focus takes Enter as a click. Anywhere else
    // Enter does nothing here: it must never end the dialog and lose the log.
    if (auto* button = qobject_cast<QPushButton*>(focusWidget())) {
        if (button->isEnabled()) {
            button->click();
        }
    }
}

void CKelvarinDlg::contextMenuEvent(QContextMenuEvent* event) {
    m_windowMenu->popup(event->globalPos());
}

void CKelvarinDlg::OnSysCommand(unsigned id, std::intptr_t /*lParam*/) {
    if ((id & 0xFFF0) == static_cast<unsigned>(IDM_ABOUTBOX)) {
        CAboutDlg about(this);
        about.exec();
    } else if ((id & 0xFFF0) == static_cast<unsigned>(SC_CLOSE)) {
        close();
    }
}

void CKelvarinDlg::OnBrowse() {
    const std::optional<QString> chosen =
        m_choosers.ChooseFolder(this, QString::fromUtf8(kChooseFolderTitle), FromPath(m_rootPath));
    if (!chosen) {
        return;
    }
    SetRootFolder(ToPath(*chosen));
}

void CKelvarinDlg::OnRootPathEntered() {
    const std::string typed = ToPath(m_rootEdit->text());
    const std::string why = WhyNotAFolder(CanonicalFolder(typed));
    if (typed.empty() || !why.empty()) {
        // The box goes back to the root in use, so it never shows another.
        UpdateData(false);
        AppMessageBox("The folder " + typed + " " + (why.empty() ? "does not exist" : why) +
                      "; the root folder stays " +
                      (m_rootPath.empty() ? std::string("unset") : m_rootPath) + ".");
        return;
    }
    SetRootFolder(typed);
}

void CKelvarinDlg::SetRootFolder(const std::string& folder) {
    m_rootPath = CanonicalFolder(folder);
    UpdateData(false);
    if (const WriteOutcome written = WriteRootFolderFile(m_rootPath, kRootFolderFile); !written) {
        const std::string file = ToPath(QDir::current().absoluteFilePath(kRootFolderFile));
        AppMessageBox("The root folder could not be saved: " + DescribeWriteFailure(written, file) +
                      ". It is used until Kelvarin is closed.");
    }
}

void CKelvarinDlg::OnImportFile() {
    if (Busy()) {
        return;
    }
    const std::optional<QString> chosen = m_choosers.ChooseFolder(
        this, QString::fromUtf8(kChooseFolderTitle), FromPath(m_sourceRoot));
    if (!chosen) {
        return;
    }
    // Disabled at once: the scan of a large tree takes a while.
    m_startedBy = m_import;
    SetCommandsEnabled(false);
    m_scanning = true;
    m_runClock.start();
    m_status->setText(QStringLiteral("Collecting the files of %1 ...").arg(*chosen));
    m_progress->setRange(0, 0);
    m_progress->show();
    ImportOptions options;
    options.launch = m_launch;
    try {
        m_scanThread = std::jthread([this, source = ToPath(*chosen), root = m_rootPath, options] {
            auto run = std::make_shared<ImportRun>(StartImport(source, root, m_window, options));
            QMetaObject::invokeMethod(
                this, [this, run] { OnImportStarted(std::move(*run)); }, Qt::QueuedConnection);
        });
    } catch (const std::system_error& error) {
        m_scanning = false;
        m_progress->hide();
        EndCommand(std::string("The import could not be started: ") + error.what());
    }
}

void CKelvarinDlg::OnImportStarted(ImportRun run) {
    m_scanThread.join();
    m_scanning = false;
    if (!run.Started()) {
        m_progress->hide();
        m_status->clear();
        EndCommand({});
        AppMessageBox(run.message);
        return;
    }
    // Before anything below can run a message loop: the workers' messages
    // are handled from then on, against these lists.
    m_sourceRoot = std::move(run.sourceRoot);
    m_allFiles = std::move(run.allFiles);
    m_workerFiles = std::move(run.workerFiles);
    m_failureReasons = std::move(run.failureReasons);
    m_importWorkers = std::move(run.workers);
    m_runProgress = std::move(run.progress);
    m_fileSizes = std::move(run.fileSizes);
    m_importRunning = true;
    m_filesBegun.fill(0);
    m_counts = ImportCounts();
    m_counts.refused = run.refusedFiles.size();
    m_filesBegunTotal = 0;
    m_notStartedFiles = 0;
    m_problems.clear();
    m_currentFile.clear();
    if (m_closeWhenIdle) {
        m_runProgress->stopRequested = true;
    }
    ShowImportProgress();
    m_progressTimer->start();

    for (const std::string& note : RunNotes(run.findings)) {
        m_log->AppendLine(note, kUpdatedColor, true);
    }
    for (const RefusedFile& refused : run.refusedFiles) {
        std::string line = RefusedFileLine(refused, m_sourceRoot);
        m_log->AppendLine(line, kUpdatedColor, true);
        m_problems.push_back(std::move(line));
    }
    for (const WorkerNotStarted& worker : run.workersNotStarted) {
        const auto index = static_cast<std::size_t>(worker.workerIndex);
        m_notStartedFiles += index < m_workerFiles->size() ? (*m_workerFiles)[index].size() : 0;
        m_problems.push_back(worker.message);
    }
    // The messages posted during the scan waited for the lists.
    HandleWaitingMessages();
    for (const WorkerNotStarted& worker : run.workersNotStarted) {
        AppMessageBox(worker.message);
    }
}

void CKelvarinDlg::OnGenerateFileList() {
    if (Busy()) {
        return;
    }
    if (!m_excludeListProblem.empty()) {
        // Pack flags from part of the list would publish wrong flags.
        AppMessageBox("The file list was not written: " + m_excludeListProblem);
        return;
    }
    // Checked before asking where to save: without a root there is nothing to list.
    if (const std::string problem = RootFolderProblem(m_rootPath); !problem.empty()) {
        AppMessageBox(problem);
        return;
    }
    const std::optional<QString> chosen = m_choosers.ChooseSaveFile(
        this, FromPath(DefaultListPath(m_rootPath)), QString::fromLatin1(kListSuffix));
    if (!chosen) {
        return;
    }
    FileListRequest request;
    request.rootPath = m_rootPath;
    request.listPath = ToPath(*chosen);
    request.excludeList = m_excludeList;
    m_startedBy = m_generate;
    SetCommandsEnabled(false);
    m_runClock.start();
    // Busy until the first file is done: the scan comes first.
    m_progress->setRange(0, 0);
    m_progress->show();
    m_listRun.Start(std::move(request));
}

void CKelvarinDlg::OnFileListProgress(std::size_t done, std::size_t total,
                                      const std::string& name) {
    m_status->setText(FromPath(name));
    ShowProgress(done, total);
}

void CKelvarinDlg::OnFileListEnded(const FileListResult& result) {
    m_progress->hide();
    const double seconds = static_cast<double>(m_runClock.elapsed()) / 1000.0;
    if (result.outcome == FileListOutcome::kStopped) {
        m_log->AppendLine(result.message, kSummaryColor, true);
        EndCommand(result.message);
        return;
    }
    if (!result.Written()) {
        m_log->AppendLine("failed:" + result.message, kUpdatedColor, true);
        const bool closing = m_closeWhenIdle;
        EndCommand(result.message);
        if (!closing) {
            AppMessageBox(result.message);
        }
        return;
    }
    const std::string summary = FileListSummaryText(result.fileCount, result.totalBytes, seconds) +
                                ", " + DamagedFilesText(result.damagedFiles.size()) + ": " +
                                result.listPath;
    m_log->AppendLine(summary, kSummaryColor, true);
    for (const std::string& name : result.damagedFiles) {
        m_log->AppendLine("damaged:" + name + " (" + DamageText() + "; import its source again)",
                          kUpdatedColor, true);
    }
    std::vector<std::string> notes = RunNotes(result.findings);
    if (!result.mismatchWarning.empty()) {
        notes.push_back(result.mismatchWarning);
    }
    const bool closing = m_closeWhenIdle;
    EndCommand(summary);
    if (closing) {
        return;
    }
    if (!notes.empty()) {
        std::string text = "Note:";
        for (const std::string& note : notes) {
            text += "\n" + note;
        }
        AppMessageBox(text);
    }
    // Said only once the list and its companion are both in place.
    AppMessageBox(kListCompletedText);
}

void CKelvarinDlg::EndCommand(const std::string& summary) {
    if (!summary.empty()) {
        m_status->setText(FromPath(summary));
    }
    m_log->Flush();
    // An import's FINISHED messages give the buttons back only when no list
    // run is going on, and the reverse.
    if (!Busy()) {
        SetCommandsEnabled(true);
        // Disabling the focused button moved the focus on; it comes back, so
        // that Enter repeats the command instead of landing anywhere else.
        if (m_startedBy != nullptr) {
            setAttribute(Qt::WA_KeyboardFocusChange);
            m_startedBy->setFocus();
        }
        m_startedBy = nullptr;
        if (m_closeWhenIdle) {
            m_closeWhenIdle = false;
            QDialog::done(m_closeResult);
        }
    }
}

void CKelvarinDlg::customEvent(QEvent* event) {
    if (event->type() == MessagesWaitingEvent::EventType()) {
        HandleWaitingMessages();
        return;
    }
    QDialog::customEvent(event);
}

void CKelvarinDlg::HandleWaitingMessages() {
    if (m_scanning) {
        return;  // taken once the run's lists are here (OnImportStarted)
    }
    QElapsedTimer slice;
    slice.start();
    std::vector<PostedMessage> batch;
    bool more = true;
    while (more && !slice.hasExpired(kMessageSliceMs)) {
        more = m_window.Take(kMessageBatch, batch);
        for (const PostedMessage& message : batch) {
            DispatchMessage(message.message, message.wParam, message.lParam);
        }
    }
    if (more) {
        // The rest after the input and paint events that are waiting.
        QCoreApplication::postEvent(this, new MessagesWaitingEvent);
    }
}

void CKelvarinDlg::DispatchMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
    for (const MessageMapEntry& entry : kMessageMap) {
        if (entry.message == message) {
            (this->*entry.handler)(wParam, lParam);
            return;
        }
    }
}

std::intptr_t CKelvarinDlg::OnImportUpdated(std::uintptr_t fileIndex, std::intptr_t workerIndex) {
    ++m_counts.updated;
    AppendImportLine(WM_IMPORT_UPDATED, fileIndex, workerIndex, false);
    return 0;
}

std::intptr_t CKelvarinDlg::OnImportAdded(std::uintptr_t fileIndex, std::intptr_t workerIndex) {
    ++m_counts.added;
    AppendImportLine(WM_IMPORT_ADDED, fileIndex, workerIndex, true);
    return 0;
}

std::intptr_t CKelvarinDlg::OnImportFailed(std::uintptr_t fileIndex, std::intptr_t workerIndex) {
    ++m_counts.failed;
    // A failure must not go unseen: its line is scrolled to, and repeated
    // at the end of the run.
    AppendImportLine(WM_IMPORT_FAILED, fileIndex, workerIndex, true);
    return 0;
}

void CKelvarinDlg::AppendImportLine(unsigned message, std::uintptr_t fileIndex,
                                    std::intptr_t workerIndex, bool scroll) {
    const std::string path = LookUpWorkerFile(*m_workerFiles, fileIndex, workerIndex);
    const std::string reason = message == WM_IMPORT_FAILED
                                   ? LookUpWorkerFile(*m_failureReasons, fileIndex, workerIndex)
                                   : std::string();
    std::string line = ImportLogLine(message, path, m_sourceRoot, workerIndex, reason);
    m_log->AppendLine(line, message == WM_IMPORT_ADDED ? kAddedColor : kUpdatedColor, scroll);
    if (message == WM_IMPORT_FAILED) {
        m_problems.push_back(std::move(line));
    }
}

std::intptr_t CKelvarinDlg::OnImportProgress(std::uintptr_t fileIndex, std::intptr_t workerIndex) {
    // The status line shows it at the next tick of the progress timer: a
    // line edit laid out for every small file would cost more than the file.
    m_currentFile = LookUpWorkerFile(*m_workerFiles, fileIndex, workerIndex);
    const auto worker = static_cast<std::uint32_t>(MessageWorkerIndex(workerIndex));
    if (m_importRunning && worker < m_filesBegun.size()) {
        ++m_filesBegun[worker];
        ++m_filesBegunTotal;
        m_currentFileSize = worker < m_fileSizes.size() && fileIndex < m_fileSizes[worker].size()
                                ? m_fileSizes[worker][fileIndex]
                                : 0;
        m_currentWorker = worker;
    }
    return 0;
}

std::intptr_t CKelvarinDlg::OnImportFinished(std::uintptr_t /*wParam*/, std::intptr_t /*lParam*/) {
    ++s_finishedWorkers;
    if (s_finishedWorkers > 3) {
        s_finishedWorkers = 0;
        if (m_importRunning) {
            EndImport();
        } else {
            EndCommand({});
        }
    }
    return 0;
}

void CKelvarinDlg::EndImport() {
    m_importRunning = false;
    m_progressTimer->stop();
    m_progress->hide();
    // Each worker has posted its last message, so none waits for a box on
    // this thread any more; this waits only for them to return.
    m_importWorkers.Join();
    const double seconds = static_cast<double>(m_runClock.elapsed()) / 1000.0;
    // Every file begun gets at most one of ADDED, UPDATED and FAILED.
    m_counts.unchanged =
        m_filesBegunTotal -
        std::min(m_filesBegunTotal, m_counts.added + m_counts.updated + m_counts.failed);
    m_counts.failed += m_notStartedFiles;
    m_counts.seconds = seconds;
    m_counts.megabytesPerSecond =
        seconds > 0 ? static_cast<double>(ShownBytesDone()) / 1e6 / seconds : 0.0;
    if (m_runProgress->stopRequested) {
        const std::size_t notBegun =
            m_allFiles.size() - std::min<std::size_t>(m_allFiles.size(), m_filesBegunTotal);
        m_log->AppendLine("Stopped: " + std::to_string(notBegun) + " files were not begun.",
                          kSummaryColor, true);
    }
    const std::string summary = ImportSummaryLine(m_counts);
    m_log->AppendLine(summary, kSummaryColor, true);
    for (const std::string& problem : m_problems) {
        m_log->AppendLine(problem, kUpdatedColor, true);
    }
    m_problems.clear();
    EndCommand(summary);
}

void CKelvarinDlg::SetCommandsEnabled(bool enabled) {
    m_import->setEnabled(enabled);
    m_generate->setEnabled(enabled);
}

std::uint64_t CKelvarinDlg::ShownBytesDone() const {
    // The workers count inside files too, so a large file moves the bar.
    return m_runProgress->bytesDone.load(std::memory_order_relaxed);
}

void CKelvarinDlg::ShowImportProgress() {
    if (!m_importRunning) {
        return;
    }
    ShowProgress(ShownBytesDone(), m_runProgress->bytesTotal);
    if (!m_currentFile.empty()) {
        const std::uint64_t inFile =
            m_runProgress->inFile[m_currentWorker].load(std::memory_order_relaxed);
        m_status->setText(FromPath(m_currentFile + "  " + Percent(inFile, m_currentFileSize)));
    }
}

void CKelvarinDlg::ShowProgress(std::uint64_t done, std::uint64_t total) {
    // The bar counts in int; large runs are shown in proportion.
    constexpr std::uint64_t kBarSteps = 1'000'000;
    const std::uint64_t steps = std::max<std::uint64_t>(std::min(total, kBarSteps), 1);
    const auto value =
        total == 0
            ? std::uint64_t{0}
            : static_cast<std::uint64_t>(static_cast<double>(std::min(done, total)) /
                                         static_cast<double>(total) * static_cast<double>(steps));
    m_progress->setRange(0, static_cast<int>(steps));
    m_progress->setValue(static_cast<int>(value));
    m_progress->show();
}

}  // namespace kelvarin::app
