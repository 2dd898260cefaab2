// First: see win32_windows.h.
#include "win32/com/win32_windows.h"

#include "win32/services/shell.h"

#include <shellapi.h>

#include <vector>

#include "common/error.h"
#include "win32/com/failure.h"
#include "win32/com/text.h"
#include "win32/services/registry.h"

namespace zormint::win32 {

namespace {

const wchar_t* OrNull(const std::wstring& text) {
  return text.empty() ? nullptr : text.c_str();
}

}  // namespace

std::string Win32ScriptShell::UserEnvironment(const std::string& name) {
  if (name.empty()) return {};
  const auto value = ReadRegistryValue(HKEY_CURRENT_USER, L"Environment", Widen(name));
  if (!value || (value->type != REG_SZ && value->type != REG_EXPAND_SZ)) return {};
  return Narrow(RegistryText(value->bytes));
}

std::string Win32ScriptShell::ExpandEnvironmentStrings(const std::string& text) {
  if (text.empty()) return {};
  const std::wstring source = Widen(text);
  std::vector<wchar_t> buffer(source.size() + 1);
  for (int attempt = 0; attempt < 4; ++attempt) {
    const DWORD needed =
        ExpandEnvironmentStringsW(source.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
    if (needed == 0) {
      FailWithSystemError(err::kInvalidCall, "Cannot expand environment references", text,
                          GetLastError());
    }
    if (needed <= buffer.size()) return Narrow(buffer.data(), needed - 1);  // without the NUL
    buffer.resize(needed);
  }
  Fail(err::kInvalidCall, "Cannot expand environment references: " + text);
}

std::shared_ptr<platform::ScriptShell> Win32ScriptShellFactory::Create() {
  return std::make_shared<Win32ScriptShell>();
}

intptr_t Win32Launcher::ShellExecute(const std::string& verb, const std::string& file,
                                     const std::string& parameters, const std::string& directory,
                                     int32_t showCommand) {
  const std::wstring wideVerb = Widen(verb);
  const std::wstring wideFile = Widen(file);
  const std::wstring wideParameters = Widen(parameters);
  const std::wstring wideDirectory = Widen(directory);
  HINSTANCE result = ShellExecuteW(nullptr, OrNull(wideVerb), wideFile.c_str(),
                                   OrNull(wideParameters), OrNull(wideDirectory), showCommand);
  return reinterpret_cast<intptr_t>(result);
}

void Win32Launcher::StartProgram(const std::string& commandLine, int32_t windowStyle,
                                 const std::string& startFolder) {
  // CreateProcessW may write into the command line it is given: it gets a copy of its own.
  std::wstring line = Widen(commandLine);
  line.push_back(L'\0');
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = static_cast<WORD>(windowStyle);
  PROCESS_INFORMATION process = {};
  // The program's own current directory; an empty folder leaves it Outlook's.
  const std::wstring folder = Widen(startFolder);
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      folder.empty() ? nullptr : folder.c_str(), &startup, &process)) {
    FailWithSystemError(err::kFileNotFound, "Cannot start the program", commandLine,
                        GetLastError());
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
}

}  // namespace zormint::win32
