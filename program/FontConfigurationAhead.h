#pragma once

#include <thread>

// Starts reading the desktop's font configuration on a thread of its own.
// The window's first caption needs it, and reading it takes a few
// milliseconds that can pass while the program connects to the display;
// joining the thread before the window is built keeps the two apart.
std::jthread readFontConfigurationAhead();
