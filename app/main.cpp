// The dialog program's entry point: the application object does everything.
// The program takes no arguments; Qt's own (-platform and the like) work.
#include "app/kelvarin_app.h"
#include "platform/stop_signals.h"

kelvarin::app::CKelvarinApp theApp;

int main(int argc, char** argv) {
    kelvarin::HandleStopSignals("kelvarin");
    theApp.InitInstance(argc, argv);
    return 0;
}
