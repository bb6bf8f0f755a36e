// The main window: a frame of fixed size with its menu and a client area of kClientWidth ×
// kClientHeight, the thirteen panels docked along its edges with their border lines, and the
// view in what they leave.
#pragma once

#include <functional>

class wxFrame;

// Creates the frame (hidden), builds its panels from their declarations, installs the window's
// control layer and shows the first settings page. `onClose` runs when the window is closed,
// before its controls go.
wxFrame* CreateMainFrame(std::function<void()> onClose);
