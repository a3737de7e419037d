/// \file
/// The application object: the one object that receives the process's start-up values, runs its
/// start-up step and then pumps window messages on the primary thread until the quit message.
///
///   class MyApp : public oru::Application {
///     bool Init() override {
///       mainWindow = new MyWindow;                 // owned: deleted with the application
///       mainWindow->Create(nullptr, "Caption", 0);
///       ...
///       return true;
///     }
///   };
///   MyApp app;                                     // static: becomes the current application
///   int main(int argc, char** argv) { app.Run(instance, nullptr, commandLine, showCommand); return
/// 0; }
///
/// Destroying the main window posts the quit message (the window dispatcher does that), which
/// ends Run.
#pragma once

#include "oru/shell/window.h"

namespace oru {

/// The program's instance, as the entry point gets it; opaque.
using InstanceHandle = void*;

/// The program: one object, made before Run, whose Init makes the main window.
class Application {
 public:
  ///@{
  /// Makes this object the current application; mainWindow starts null.
  Application();
  /// Calls Exit (this class's version: the derived part is gone) and deletes mainWindow.
  virtual ~Application();
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;
  ///@}

  ///@{
  /// The start-up step; the base version does nothing and returns true.
  virtual bool Init();
  /// The closing hook; the base version returns 0.
  virtual int Exit();
  ///@}

  /// Stores the four start-up values, calls Init (whatever it returns, the loop runs), pumps
  /// messages until the quit message and returns 1.
  int Run(InstanceHandle instance, InstanceHandle prevInstance, char* commandLine, int showCommand);

  /// The main window Init made, or null. The application owns it: its destructor deletes the
  /// window (after Exit), so a program never deletes the main window itself.
  Window* MainWindow() const { return mainWindow; }

 protected:
  /// What Run was given.
  InstanceHandle instance = nullptr;
  /// What Run was given.
  InstanceHandle prevInstance = nullptr;
  /// The command line Run was given.
  char* commandLine = nullptr;
  /// How Run was asked to show the main window (a ShowCommand value).
  int showCommand = 0;
  /// The main window; set by Init, owned and deleted by the application's destructor.
  Window* mainWindow = nullptr;
};

/// The most recently constructed application object, or null.
Application* CurrentApplication();

}  // namespace oru
