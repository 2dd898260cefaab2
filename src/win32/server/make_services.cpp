// First: see win32_windows.h.
#include "win32/com/win32_windows.h"

#include "win32/server/make_services.h"

#include <memory>

#include "platform/thread_background.h"
#include "win32/dialog/toolkit.h"
#include "win32/services/file_system.h"
#include "win32/services/internet.h"
#include "win32/services/resources.h"
#include "win32/services/settings_store.h"
#include "win32/services/shell.h"
#include "win32/services/system.h"
#include "win32/services/trace_log.h"

namespace zormint::win32 {

Services MakeServices() {
  Services services;
  services.fileSystem = std::make_shared<Win32FileSystem>();
  services.scriptShell = std::make_shared<Win32ScriptShellFactory>();
  services.launcher = std::make_shared<Win32Launcher>();
  services.settingsStore = std::make_shared<Win32SettingsStore>();
  services.clock = std::make_shared<Win32Clock>();
  services.messagePump = std::make_shared<Win32MessagePump>();
  // The button face and other resources are those of ZORMINT.dll itself, not of the process
  // that loaded it.
  services.resources = std::make_shared<Win32Resources>();
  services.internet = std::make_shared<Win32Internet>();
  services.eventLog = std::make_shared<Win32EventLog>();
  // The real "Select Picture Attachments" dialog, with the banner's web browser control.
  services.dialogs = MakeDialogToolkit();
  // The clean-up of earlier runs' working folders. The library cannot be unloaded under it:
  // the disconnection waits for it, as the release of the add-in object does.
  services.background = std::make_shared<platform::ThreadBackground>();
  return services;
}

Win32TraceLog& TraceLog() {
  // Made once and kept for the life of the library: failures may be traced up to its unloading.
  static const std::shared_ptr<Win32TraceLog> log = [] {
    auto made = std::make_shared<Win32TraceLog>();
    trace::SetSink(made);
    return made;
  }();
  return *log;
}

}  // namespace zormint::win32
