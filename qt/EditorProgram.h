#pragma once

// Everything the editor starts, in the order it starts it: the paths, the
// chosen port, the serial channel and the main window. main() and the
// start-up benchmark build the same program.

#include "qt/MainWindow.h"
#include "qt/QtPrompts.h"
#include "keyer/qt/QtSerialChannel.h"
#include "paths/Paths.h"

#include <cstdint>

class EditorProgram {
  public:
    // Needs the QApplication, named, and the accessibility factories in place.
    EditorProgram();
    MainWindow& Window() { return window; }

  private:
    static std::int32_t SelectedPort(const AppPaths& paths, Prompts& prompts);

    AppPaths paths;
    QtPrompts prompts;
    QtSerialChannel channel;
    MainWindow window;
};

// Names the application and installs what must come before any window.
void PrepareApplication();
