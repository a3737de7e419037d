// The application object and its message loop.
#include "oru/shell/application.h"

#include "oru/platform/event_loop.h"

namespace oru {
namespace {
Application* currentApplication = nullptr;
}  // namespace

Application* CurrentApplication() { return currentApplication; }

Application::Application() { currentApplication = this; }

Application::~Application() {
  Exit();
  delete mainWindow;
  mainWindow = nullptr;
  if (currentApplication == this) currentApplication = nullptr;
}

bool Application::Init() { return true; }

int Application::Exit() { return 0; }

int Application::Run(InstanceHandle instanceValue, InstanceHandle prevInstanceValue,
                     char* commandLineValue, int showCommandValue) {
  instance = instanceValue;
  prevInstance = prevInstanceValue;
  commandLine = commandLineValue;
  showCommand = showCommandValue;
  Init();
  MessageRecord m;
  while (GetMessage(&m)) {
    TranslateMessage(m);
    DispatchMessage(m);
  }
  return 1;
}

}  // namespace oru
