// Draws the picture of the main dialog that the README shows: a small game
// client tree is imported twice (files added, then one changed and one new),
// and the dialog is saved as a PNG once the buttons are back. Run it under a
// real display server so the window is drawn as users see it:
//   xvfb-run -a -s "-screen 0 1024x768x24" kelvarin_screenshot docs/screenshot.png
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QPixmap>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

#include "app/kelvarin_dlg.h"
#include "app_test_support.h"

using namespace kelvarin::app;
using namespace kelvarin::app::test;

namespace {

const char* const kClientFiles[] = {
    "Client.exe",        "Data/Maps/Harbour.map", "Data/Maps/Town.map",
    "Data/UI/Login.dds", "Data/UI/Main.dds",      "Sound/Bgm/Theme.mp3",
    "Sound/Fx/Bell.wav", "Config/Servers.ini",    "Patch/Notes.txt",
};

// The working folder of the demo, made current while it exists. A short,
// stable name reads better in the picture than a temporary one; it is used
// only when nobody else has it.
class DemoFolder {
public:
    DemoFolder() : m_previous(QDir::currentPath()) {
        m_path = QDir::tempPath() + QStringLiteral("/kelvarin-demo");
        m_own = !QFileInfo::exists(m_path) && QDir().mkpath(m_path);
        if (!m_own) {
            m_path = m_fallback.path();
        }
        QDir::setCurrent(m_path);
    }
    ~DemoFolder() {
        QDir::setCurrent(m_previous);
        if (m_own) {
            QDir(m_path).removeRecursively();
        }
    }
    DemoFolder(const DemoFolder&) = delete;
    DemoFolder& operator=(const DemoFolder&) = delete;

    QString FilePath(const QString& name) const { return m_path + "/" + name; }

private:
    QString m_previous;
    QTemporaryDir m_fallback;
    QString m_path;
    bool m_own = false;
};

bool WriteClientFile(const QString& source, const char* name, const QByteArray& salt) {
    QByteArray bytes;
    for (int i = 0; i < 200; ++i) {
        bytes += QByteArray(name) + salt + QByteArray::number(i * 7919 % 1000);
    }
    return WriteTestFile(source + "/" + name, bytes);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: kelvarin_screenshot OUTPUT.png\n");
        return 2;
    }
    const QString output = QDir::current().absoluteFilePath(QString::fromLocal8Bit(argv[1]));

    RecordedMessageBoxes boxes;
    DemoFolder folder;
    const QString root = folder.FilePath("upd");
    const QString source = folder.FilePath("client-1.4.2");
    bool ready = QDir().mkpath(root) && WriteTestFile("root.folder", root.toUtf8());
    for (const char* name : kClientFiles) {
        ready = ready && WriteClientFile(source, name, "v1");
    }
    if (!ready) {
        std::fprintf(stderr, "kelvarin_screenshot: cannot prepare the sample trees\n");
        return 1;
    }

    ScriptedChoosers choosers;
    choosers.AnswerFolder(source);
    choosers.AnswerFolder(source);
    CKelvarinDlg dialog(choosers);
    dialog.show();
    auto* import = dialog.findChild<QPushButton*>(QStringLiteral("IDC_IMPORT"));

    int imports = 0;
    int result = 1;
    QTimer poll;
    poll.setInterval(50);
    QObject::connect(&poll, &QTimer::timeout, &application, [&] {
        if (!import->isEnabled()) {
            return;
        }
        if (imports == 1) {
            // Between the two imports: a map changes and a texture is new.
            WriteClientFile(source, "Data/Maps/Town.map", "v2");
            WriteClientFile(source, "Data/UI/Shop.dds", "v2");
        }
        if (imports < 2) {
            ++imports;
            import->click();
            return;
        }
        poll.stop();
        result = dialog.grab().save(output, "PNG") && boxes.presenter.Boxes().empty() ? 0 : 1;
        application.quit();
    });
    poll.start();
    application.exec();
    if (result != 0) {
        std::fprintf(stderr, "kelvarin_screenshot: the picture was not saved\n");
    }
    return result;
}
