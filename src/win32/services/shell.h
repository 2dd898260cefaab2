// The user's environment (what the scripting shell object offers) and the starting of viewers,
// over the Windows registry, the shell and CreateProcessW.
#pragma once

// First: see win32_windows.h.
#include "win32/com/win32_windows.h"

#include <memory>
#include <string>

#include "platform/platform.h"

namespace zormint::win32 {

// The user's own environment settings live in HKCU\Environment, as text (REG_SZ) or as text
// with environment references (REG_EXPAND_SZ); both are returned as stored, unexpanded. A value
// of any other type, or none, reads as the empty text.
class Win32ScriptShell : public platform::ScriptShell {
 public:
  std::string UserEnvironment(const std::string& name) override;
  std::string ExpandEnvironmentStrings(const std::string& text) override;
};

class Win32ScriptShellFactory : public platform::ScriptShellFactory {
 public:
  std::shared_ptr<platform::ScriptShell> Create() override;
};

class Win32Launcher : public platform::Launcher {
 public:
  // ShellExecuteW with no owner window; empty texts are passed as "none" (no verb: the default
  // one, no parameters, no directory).
  intptr_t ShellExecute(const std::string& verb, const std::string& file,
                        const std::string& parameters, const std::string& directory,
                        int32_t showCommand) override;
  // CreateProcessW with the command line exactly as given, the window style as the show
  // command of the new program's first window, and the start folder as the new program's
  // current directory (this process's stays as it is). The program is neither waited for nor
  // kept: its handles are closed at once.
  void StartProgram(const std::string& commandLine, int32_t windowStyle,
                    const std::string& startFolder) override;
};

}  // namespace zormint::win32
