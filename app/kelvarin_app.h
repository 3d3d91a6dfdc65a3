// The application object: one for the whole process, constructed before
// main runs. Starting the program is running the main dialog modally; the
// process ends when the dialog has ended, and the dialog does not end while
// background work is going on.
#pragma once

namespace kelvarin::app {

class CKelvarinApp {
public:
    CKelvarinApp() = default;
    CKelvarinApp(const CKelvarinApp&) = delete;
    CKelvarinApp& operator=(const CKelvarinApp&) = delete;

    // Sets up Qt and the message boxes, runs the main dialog until it ends,
    // and returns false: there is nothing left to run after it.
    // REQUIRES: called once, on the main thread, with main's arguments.
    bool InitInstance(int& argc, char** argv);
};

}  // namespace kelvarin::app
