// The Qt view of the main dialog: the window menu, the keys, and the
// toolkit's side of each operation the behaviour asks for.
#include "app/kelvarin_dlg.h"

#include <QContextMenuEvent>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>
#include <algorithm>
#include <utility>

#include "app/about_dlg.h"
#include "app/dialog_line_edit.h"
#include "app/resource.h"
#include "app/rich_log.h"
#include "app/string_table.h"
#include "platform/message_box.h"

namespace kelvarin::app {

namespace {

QString FromPath(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

std::string ToPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

std::optional<std::string> ToPath(const std::optional<QString>& path) {
    return path ? std::optional<std::string>(ToPath(*path)) : std::nullopt;
}

}  // namespace

CKelvarinDlg::CKelvarinDlg() : CKelvarinDlg(m_qtChoosers) {}

CKelvarinDlg::CKelvarinDlg(Choosers& choosers, WorkerLauncher launch)
    : m_icon(QString::fromLatin1(kIconResource)),
      m_choosers(choosers),
      m_controls(CreateMainControls(*this)),
      m_dialog(*this, std::move(launch)) {
    connect(m_controls.browse, &QPushButton::clicked, this, [this] { m_dialog.OnBrowse(); });
    connect(m_controls.import, &QPushButton::clicked, this, [this] { m_dialog.OnImportFile(); });
    connect(m_controls.generate, &QPushButton::clicked, this,
            [this] { m_dialog.OnGenerateFileList(); });
    connect(m_controls.rootEdit, &QLineEdit::returnPressed, this,
            [this] { m_dialog.OnRootPathEntered(ToPath(m_controls.rootEdit->text())); });
    m_timer = new QTimer(this);
    connect(m_timer, &QTimer::timeout, this, [this] { m_dialog.OnTimer(); });
    CreateWindowMenu();
    setWindowIcon(m_icon);
    m_dialog.OnInitDialog();
    // Styles frame the focused control only after keyboard navigation; a
    // keyboard user must see where Enter goes from the start.
    setAttribute(Qt::WA_KeyboardFocusChange);
    m_controls.import->setFocus();
}

CKelvarinDlg::~CKelvarinDlg() = default;

void CKelvarinDlg::CreateWindowMenu() {
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
    m_controls.log->SetMenuActions(WindowMenuActions());
    m_controls.rootEdit->SetMenuActions(WindowMenuActions());
    m_controls.status->SetMenuActions(WindowMenuActions());
    auto* menuKey = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Space), this);
    connect(menuKey, &QShortcut::activated, this,
            [this] { m_windowMenu->popup(mapToGlobal(QPoint(0, 0))); });
}

QList<QAction*> CKelvarinDlg::WindowMenuActions() const {
    return m_windowMenu->actions();
}

void CKelvarinDlg::done(int result) {
    m_dialog.OnClose(result);
}

void CKelvarinDlg::EndDialog(int result) {
    QDialog::done(result);
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

std::optional<std::string> CKelvarinDlg::ChooseFolder(const std::string& title,
                                                      const std::string& initialFolder) {
    return ToPath(m_choosers.ChooseFolder(this, QString::fromUtf8(title), FromPath(initialFolder)));
}

std::optional<std::string> CKelvarinDlg::ChooseSaveFile(const std::string& initialPath,
                                                        const std::string& defaultSuffix) {
    return ToPath(
        m_choosers.ChooseSaveFile(this, FromPath(initialPath), QString::fromUtf8(defaultSuffix)));
}

bool CKelvarinDlg::AskYesNo(const std::string& question) {
    return m_choosers.AskYesNo(this, QString::fromUtf8(question));
}

void CKelvarinDlg::ShowMessage(const std::string& text) {
    AppMessageBox(text);
}

void CKelvarinDlg::AppendLine(std::string_view text, Colorref color, bool scroll) {
    m_controls.log->AppendLine(text, color, scroll);
}

void CKelvarinDlg::ScrollLog() {
    m_controls.log->Flush();
}

void CKelvarinDlg::SetStatus(const std::string& text) {
    m_controls.status->setText(FromPath(text));
}

void CKelvarinDlg::SetRootText(const std::string& text) {
    m_controls.rootEdit->setText(FromPath(text));
}

void CKelvarinDlg::EnableCommands(bool enabled) {
    m_controls.import->setEnabled(enabled);
    m_controls.generate->setEnabled(enabled);
}

void CKelvarinDlg::FocusCommand(DialogCommand command) {
    setAttribute(Qt::WA_KeyboardFocusChange);
    (command == DialogCommand::kImport ? m_controls.import : m_controls.generate)->setFocus();
}

void CKelvarinDlg::ShowProgress(std::uint64_t done, std::uint64_t total) {
    QProgressBar& bar = *m_controls.progress;
    if (total == 0) {
        bar.setRange(0, 0);
        bar.show();
        return;
    }
    // The bar counts in int; large runs are shown in proportion.
    constexpr std::uint64_t kBarSteps = 1'000'000;
    const std::uint64_t steps = std::min(total, kBarSteps);
    const auto value =
        static_cast<std::uint64_t>(static_cast<double>(std::min(done, total)) /
                                   static_cast<double>(total) * static_cast<double>(steps));
    bar.setRange(0, static_cast<int>(steps));
    bar.setValue(static_cast<int>(value));
    bar.show();
}

void CKelvarinDlg::HideProgress() {
    m_controls.progress->hide();
}

void CKelvarinDlg::PostToGui(std::function<void()> work) {
    // Queued to this object: dropped, not run, if the dialog is gone.
    QMetaObject::invokeMethod(this, std::move(work), Qt::QueuedConnection);
}

void CKelvarinDlg::StartTimer(int intervalMs) {
    m_timer->start(intervalMs);
}

void CKelvarinDlg::StopTimer() {
    m_timer->stop();
}

}  // namespace kelvarin::app
