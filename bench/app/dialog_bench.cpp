// How the dialog keeps up with a large import and the file list after it:
// drives the real dialog (real workers, Qt's offscreen platform is enough)
// through Import File on SOURCE into ROOT, then Generate File List, and
// measures
//   - the longest stall of the event loop during each run: the largest gap
//     between two ticks of a 5 ms timer, less the 5 ms;
//   - the memory the log holds per line, and the growth of the process's
//     resident size per log line over the import.
// Prints one line per figure; exits 1 when a stall exceeds 300 ms or the log
// holds more than 200 bytes per line.
//   dialog_bench SOURCE ROOT   (run in a folder of its own: root.folder is
//                               written there)
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QTimer>
#include <cstdio>
#include <fstream>
#include <optional>
#include <string>

#include "app/choosers.h"
#include "app/kelvarin_dlg.h"
#include "app/message_presenter.h"
#include "app/qt_message_box.h"
#include "app/rich_log.h"

namespace {

using kelvarin::app::CKelvarinDlg;
using kelvarin::app::RichLog;

constexpr int kTickMs = 5;
constexpr qint64 kMaxStallMs = 300;
constexpr double kMaxBytesPerLine = 200;

class FixedChoosers final : public kelvarin::app::Choosers {
public:
    FixedChoosers(QString source, QString list) : m_source(source), m_list(list) {}
    std::optional<QString> ChooseFolder(QWidget*, const QString&, const QString&) override {
        return m_source;
    }
    std::optional<QString> ChooseSaveFile(QWidget*, const QString&, const QString&) override {
        return m_list;
    }
    bool AskYesNo(QWidget*, const QString&) override { return false; }

private:
    QString m_source, m_list;
};

// Boxes are printed, not shown: nobody is there to close them.
class PrintingPresenter final : public kelvarin::app::MessagePresenter {
public:
    void Present(QWidget*, const QString&, const QString& text) override {
        std::fprintf(stderr, "box: %s\n", qPrintable(text));
    }
};

long ResidentKilobytes() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: dialog_bench SOURCE ROOT\n");
        return 2;
    }
    const QString source = QString::fromLocal8Bit(argv[1]);
    const QString root = QString::fromLocal8Bit(argv[2]);
    QFile rootFile("root.folder");
    if (!rootFile.open(QIODevice::WriteOnly) || rootFile.write(QFile::encodeName(root)) < 0) {
        std::fprintf(stderr, "dialog_bench: cannot write root.folder\n");
        return 2;
    }
    rootFile.close();

    PrintingPresenter presenter;
    kelvarin::app::QtMessageBoxService boxes(presenter);
    FixedChoosers choosers(source, root + "/update_filelist.xml");
    int status = 0;
    {
        CKelvarinDlg dialog(choosers);
        boxes.SetMainWindow(&dialog);
        dialog.show();
        auto* log = dialog.findChild<RichLog*>("IDC_LOG");

        // The runs in turn: each starts once the previous one is over.
        const char* runs[] = {"IDC_IMPORT", "IDC_GENERATE"};
        std::size_t next = 0;
        bool running = false;
        QElapsedTimer clock, sinceTick;
        qint64 longest = 0;
        long residentBefore = 0;
        QTimer ticks;
        ticks.setTimerType(Qt::PreciseTimer);
        ticks.setInterval(kTickMs);
        QObject::connect(&ticks, &QTimer::timeout, [&] {
            longest = std::max(longest, sinceTick.restart() - kTickMs);
            if (running && !dialog.Busy()) {
                running = false;
                std::printf("%s: %.1f s, longest stall %lld ms\n", runs[next - 1],
                            static_cast<double>(clock.elapsed()) / 1000.0,
                            static_cast<long long>(longest));
                status = longest > kMaxStallMs ? 1 : status;
                if (next == 1) {
                    const double lines = static_cast<double>(log->LineCount());
                    const double perLine = static_cast<double>(log->MemoryUsed()) / lines;
                    std::printf(
                        "log: %.0f lines, %.1f bytes per line held by the log, %.1f bytes "
                        "per line of resident growth over the import\n",
                        lines, perLine,
                        static_cast<double>(ResidentKilobytes() - residentBefore) * 1024.0 / lines);
                    status = perLine > kMaxBytesPerLine ? 1 : status;
                    std::printf("last lines: %s | %s\n", log->Line(log->LineCount() - 2).c_str(),
                                log->Line(log->LineCount() - 1).c_str());
                }
            }
            if (!running) {
                if (next == std::size(runs)) {
                    application.quit();
                    return;
                }
                residentBefore = ResidentKilobytes();
                dialog.findChild<QPushButton*>(runs[next++])->click();
                running = true;
                clock.start();
                sinceTick.restart();
                longest = 0;
            }
        });
        sinceTick.start();
        ticks.start();
        application.exec();
        dialog.hide();
    }
    return status;
}
