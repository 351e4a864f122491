// The program as a whole: the application object, the main window, its
// start-up and the event loop. main() is a call of runEditor; tools that
// measure start-up call it too, so they measure the very same path.
#pragma once

#include <functional>

namespace pennaro {

class Form1;

// afterShow, when given, runs once right after the window has been shown.
int runEditor(int &argc, char **argv, const std::function<void(Form1 &)> &afterShow = {});

}  // namespace pennaro
