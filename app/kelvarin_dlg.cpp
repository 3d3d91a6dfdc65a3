// The main dialog: its template, start-up, commands, message map and the
// handlers of the background work.
#include "app/kelvarin_dlg.h"

#include <QContextMenuEvent>
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
#include <utility>

#include "app/about_dlg.h"
#include "app/dialog_font.h"
#include "app/dialog_units.h"
#include "app/resource.h"
#include "app/rich_log.h"
#include "app/string_table.h"
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
// The free band below the buttons, as wide as the log.
constexpr QRect kProgressRect(7, 245, 442, 5);

constexpr char kListSuffix[] = "xml";
constexpr char kImportBusyText[] =
    "An import is running. Kelvarin can be closed when it has finished, so that no stored file "
    "is left half-written.";
constexpr char kListBusyText[] =
    "The file list is being generated. Kelvarin can be closed when it has finished, so that the "
    "list and its .bin file are not left half-written.";

QString FromPath(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

std::string ToPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
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
                [this] { OnFileListEnded(); }) {
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

    m_rootEdit = new QLineEdit(this);
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

    m_status = new QLineEdit(this);
    m_status->setObjectName(QStringLiteral("IDC_STATUS"));
    m_status->setGeometry(MapDialogRect(kStatusRect, base));
    m_status->setReadOnly(true);
    m_status->setFrame(false);
    // A read-only line without a frame reads as text on the dialog.
    QPalette statusPalette = m_status->palette();
    statusPalette.setColor(QPalette::Base, statusPalette.color(QPalette::Window));
    m_status->setPalette(statusPalette);

    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("progress"));
    m_progress->setGeometry(MapDialogRect(kProgressRect, base));
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
    auto* menuKey = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Space), this);
    connect(menuKey, &QShortcut::activated, this,
            [this] { m_windowMenu->popup(mapToGlobal(QPoint(0, 0))); });

    setWindowIcon(m_icon);

    std::string problem;
    m_rootPath = ReadRootFolderFile(kRootFolderFile, &problem);
    UpdateData(false);
    m_excludeList = ReadExcludeListFile(kExcludeListFile, &m_excludeListProblem);
    if (problem.empty()) {
        problem = m_excludeListProblem;
    }
    if (!problem.empty()) {
        // Said once the window is up, so that the user sees what it is about.
        QTimer::singleShot(0, this, [problem] { AppMessageBox(problem); });
    }

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

void CKelvarinDlg::done(int result) {
    if (Busy()) {
        AppMessageBox(m_importRunning ? kImportBusyText : kListBusyText);
        return;
    }
    QDialog::done(result);
}

void CKelvarinDlg::accept() {
    if (Busy()) {
        done(Accepted);
        return;
    }
    UpdateData(true);
    QDialog::accept();
}

void CKelvarinDlg::keyPressEvent(QKeyEvent* event) {
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    const bool enter =
        (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && modifiers == 0;
    if (!enter) {
        QDialog::keyPressEvent(event);
        return;
    }
    // A push button with the focus takes Enter as a click; anywhere else
    // Enter ends the dialog, as there is no default button.
    if (auto* button = qobject_cast<QPushButton*>(focusWidget())) {
        if (button->isEnabled()) {
            button->click();
        }
        return;
    }
    accept();
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
        m_choosers.ChooseFolder(this, QString::fromUtf8(kChooseFolderTitle));
    if (!chosen) {
        return;
    }
    m_rootPath = CanonicalFolder(ToPath(*chosen));
    UpdateData(false);
    if (const WriteOutcome written = WriteRootFolderFile(m_rootPath, kRootFolderFile); !written) {
        const std::string file = ToPath(QDir::current().absoluteFilePath(kRootFolderFile));
        AppMessageBox("The root folder could not be saved: " + DescribeWriteFailure(written, file) +
                      ". It is used until Kelvarin is closed.");
    }
}

void CKelvarinDlg::OnImportFile() {
    const std::optional<QString> chosen =
        m_choosers.ChooseFolder(this, QString::fromUtf8(kChooseFolderTitle));
    if (!chosen) {
        return;
    }
    ImportOptions options;
    options.launch = m_launch;
    ImportRun run = StartImport(ToPath(*chosen), m_rootPath, m_window, options);
    if (!run.Started()) {
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
    SetCommandsEnabled(false);
    m_importRunning = true;
    m_filesBegun.fill(0);
    m_workerDone.fill(false);
    ShowImportProgress();

    for (const std::string& note : RunNotes(run.findings)) {
        m_log->AppendLine(note + "\r\n", kUpdatedColor, true);
    }
    for (const RefusedFile& refused : run.refusedFiles) {
        m_log->AppendLine(RefusedFileLine(refused, m_sourceRoot), kUpdatedColor, true);
    }
    for (const WorkerNotStarted& worker : run.workersNotStarted) {
        AppMessageBox(worker.message);
    }
}

void CKelvarinDlg::OnGenerateFileList() {
    if (!m_excludeListProblem.empty()) {
        // Pack flags from part of the list would publish wrong flags.
        AppMessageBox("The file list was not written: " + m_excludeListProblem);
        return;
    }
    const QString initial = FromPath(m_rootPath.empty() ? std::string("/") + kDefaultListName
                                                        : DefaultListPath(m_rootPath));
    const std::optional<QString> chosen =
        m_choosers.ChooseSaveFile(this, initial, QString::fromLatin1(kListSuffix));
    if (!chosen) {
        return;
    }
    FileListRequest request;
    request.rootPath = m_rootPath;
    request.listPath = ToPath(*chosen);
    request.excludeList = m_excludeList;
    SetCommandsEnabled(false);
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

void CKelvarinDlg::OnFileListEnded() {
    m_progress->hide();
    SetCommandsEnabled(true);
}

void CKelvarinDlg::customEvent(QEvent* event) {
    if (event->type() == WorkerMessageEvent::EventType()) {
        const auto* message = static_cast<WorkerMessageEvent*>(event);
        DispatchMessage(message->Message(), message->WParam(), message->LParam());
        return;
    }
    QDialog::customEvent(event);
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
    AppendImportLine(WM_IMPORT_UPDATED, fileIndex, workerIndex, false);
    return 0;
}

std::intptr_t CKelvarinDlg::OnImportAdded(std::uintptr_t fileIndex, std::intptr_t workerIndex) {
    AppendImportLine(WM_IMPORT_ADDED, fileIndex, workerIndex, true);
    return 0;
}

std::intptr_t CKelvarinDlg::OnImportFailed(std::uintptr_t fileIndex, std::intptr_t workerIndex) {
    // A failure must not go unseen: its line is scrolled to.
    AppendImportLine(WM_IMPORT_FAILED, fileIndex, workerIndex, true);
    return 0;
}

void CKelvarinDlg::AppendImportLine(unsigned message, std::uintptr_t fileIndex,
                                    std::intptr_t workerIndex, bool scroll) {
    const std::string path = LookUpWorkerFile(*m_workerFiles, fileIndex, workerIndex);
    const std::string reason = message == WM_IMPORT_FAILED
                                   ? LookUpWorkerFile(*m_failureReasons, fileIndex, workerIndex)
                                   : std::string();
    m_log->AppendLine(ImportLogLine(message, path, m_sourceRoot, workerIndex, reason),
                      message == WM_IMPORT_ADDED ? kAddedColor : kUpdatedColor, scroll);
}

std::intptr_t CKelvarinDlg::OnImportProgress(std::uintptr_t fileIndex, std::intptr_t workerIndex) {
    m_status->setText(FromPath(LookUpWorkerFile(*m_workerFiles, fileIndex, workerIndex) + "\r\n"));
    const auto worker = static_cast<std::uint32_t>(MessageWorkerIndex(workerIndex));
    if (m_importRunning && worker < m_filesBegun.size()) {
        ++m_filesBegun[worker];
        ShowImportProgress();
    }
    return 0;
}

std::intptr_t CKelvarinDlg::OnImportFinished(std::uintptr_t /*wParam*/, std::intptr_t lParam) {
    const auto worker = static_cast<std::uint32_t>(MessageWorkerIndex(lParam));
    if (m_importRunning && worker < m_workerDone.size()) {
        m_workerDone[worker] = true;
        ShowImportProgress();
    }
    ++s_finishedWorkers;
    if (s_finishedWorkers > 3) {
        s_finishedWorkers = 0;
        // Every line of the import is shown before the buttons come back.
        m_log->Flush();
        if (m_importRunning) {
            m_importRunning = false;
            m_progress->hide();
            // Each worker has posted its last message, so none waits for a
            // box on this thread any more; this waits only for them to return.
            m_importWorkers.Join();
        }
        // A file-list run gives the buttons back itself when it ends.
        if (!m_listRun.Running()) {
            m_import->setEnabled(true);
            m_generate->setEnabled(true);
        }
    }
    return 0;
}

void CKelvarinDlg::SetCommandsEnabled(bool enabled) {
    m_import->setEnabled(enabled);
    m_generate->setEnabled(enabled);
}

void CKelvarinDlg::ShowImportProgress() {
    std::size_t done = 0;
    for (std::size_t worker = 0; worker < m_workerFiles->size(); ++worker) {
        const std::size_t files = (*m_workerFiles)[worker].size();
        // A worker's file is done when it begins the next one, or finishes.
        const std::size_t begun = std::min(m_filesBegun[worker], files);
        done += m_workerDone[worker] ? files : (begun > 0 ? begun - 1 : 0);
    }
    ShowProgress(done, m_allFiles.size());
}

void CKelvarinDlg::ShowProgress(std::size_t done, std::size_t total) {
    // The bar counts in int; very large runs are shown in proportion.
    constexpr std::size_t kBarSteps = 1'000'000;
    const std::size_t steps = std::max<std::size_t>(std::min(total, kBarSteps), 1);
    const std::size_t value = total == 0 ? 0 : std::min(done, total) * steps / total;
    m_progress->setRange(0, static_cast<int>(steps));
    m_progress->setValue(static_cast<int>(value));
    m_progress->show();
}

}  // namespace kelvarin::app
