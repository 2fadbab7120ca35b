#pragma once
// A private X display for the window tests: an Xvfb server on a free display
// number, an Xlib connection to look windows up, read their pixels and close
// them as a window manager would, and xdotool for the pointer and keyboard,
// so that the window gets real X input.

#include <chrono>
#include <string>
#include <vector>

#include "TestProcess.h"

struct _XDisplay;
typedef unsigned long XWindowId;

struct ScreenRect {
  int x = 0, y = 0, width = 0, height = 0;
};

struct Rgb {
  int red = 0, green = 0, blue = 0;
};

class XSession {
 public:
  XSession();
  ~XSession();
  XSession(const XSession&) = delete;
  XSession& operator=(const XSession&) = delete;

  // False when Xvfb could not be started or reached; Error() says why.
  bool IsUp() const { return m_display != nullptr; }
  // True when this machine has no Xvfb to start at all: the tests that need
  // a display are then skipped rather than failed.
  bool NoServerProgram() const { return m_noServerProgram; }
  const std::string& Error() const { return m_error; }
  // ":N", for DISPLAY.
  const std::string& DisplayName() const { return m_displayName; }

  // The first visible top-level window whose title starts with `prefix`,
  // polled until the timeout; 0 when none came up.
  XWindowId WaitForWindow(const std::string& titlePrefix, std::chrono::milliseconds timeout);
  // True once no visible window has a title starting with `prefix`.
  bool WaitForNoWindow(const std::string& titlePrefix, std::chrono::milliseconds timeout);
  std::string Title(XWindowId window);
  // The window's client area in root coordinates.
  ScreenRect Geometry(XWindowId window);
  Rgb Pixel(int rootX, int rootY);
  // Gives the window the keyboard focus, as a window manager does with a
  // window that comes up (the test display runs none).
  void Focus(XWindowId window);
  // Asks the window to close, as the close box of a window manager does.
  void SendCloseRequest(XWindowId window);

  // Real input through xdotool; each returns when xdotool has sent it.
  bool Click(int rootX, int rootY, int button = 1);
  bool Drag(int fromX, int fromY, int toX, int toY);
  bool Key(const std::string& keys);
  bool Type(const std::string& text);

 private:
  bool StartServer();
  bool MovePointer(int rootX, int rootY);
  bool RunXdotool(const std::vector<std::string>& arguments);
  std::vector<XWindowId> TopLevelWindows();

  TestProcess m_server;
  bool m_noServerProgram = false;
  std::string m_displayName;
  _XDisplay* m_display = nullptr;
  std::string m_error;
};
