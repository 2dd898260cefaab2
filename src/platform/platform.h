// The platform services the add-in uses besides Outlook, as interfaces. The Windows build
// implements them over Win32 (win32/); native tests use the portable file system and fakes.
// Every call may fail by throwing zormint::ZError. Strings and paths are UTF-8.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/picture.h"

namespace zormint::platform {

// The scripting file-system object: folder and file existence, creation, deletion, special
// folders. Deleting never follows a symbolic link or junction: a link is removed as a link and
// its target is left alone.
class FileSystem {
 public:
  virtual ~FileSystem() = default;
  static constexpr int32_t kWindowsFolder = 0;
  static constexpr int32_t kTemporaryFolder = 2;
  // The special folder's full path (without a trailing separator), or nullopt when the file
  // system has no such folder. The folder need not exist.
  virtual std::optional<std::string> GetSpecialFolder(int32_t which) = 0;
  virtual bool FolderExists(const std::string& path) = 0;  // a link to a folder is not a folder
  virtual bool FileExists(const std::string& path) = 0;
  virtual void CreateFolder(const std::string& path) = 0;  // one level; fails if it exists
  // Names (not paths) of the direct subfolders and files of a folder. Links are listed with
  // the files, so that no caller ever descends through one.
  virtual std::vector<std::string> SubFolderNames(const std::string& folder) = 0;
  virtual std::vector<std::string> FileNames(const std::string& folder) = 0;
  // Both lists from a single reading of the folder: a crowded folder (a temporary folder may
  // hold many thousands of entries) is then read once, not twice.
  struct Contents {
    std::vector<std::string> subFolders;
    std::vector<std::string> files;
  };
  virtual Contents FolderContents(const std::string& folder) = 0;
  // Deletes a folder with everything in it; `force` deletes read-only items too.
  virtual void DeleteFolder(const std::string& path, bool force) = 0;
  // Deletes a file or a link.
  virtual void DeleteFile(const std::string& path, bool force) = 0;
  // True when the path is a symbolic link or junction (which is never followed).
  virtual bool IsLink(const std::string& path) = 0;
};

// The scripting shell object ("WScript.Shell"): the user's environment and the expansion of
// environment references such as %USERPROFILE%.
class ScriptShell {
 public:
  virtual ~ScriptShell() = default;
  // The user's own setting of an environment variable (scope "User"), unexpanded; empty when
  // the variable is not set.
  virtual std::string UserEnvironment(const std::string& name) = 0;
  virtual std::string ExpandEnvironmentStrings(const std::string& text) = 0;
};

class ScriptShellFactory {
 public:
  virtual ~ScriptShellFactory() = default;
  virtual std::shared_ptr<ScriptShell> Create() = 0;  // fails when it cannot be created
};

// Starting viewers.
class Launcher {
 public:
  virtual ~Launcher() = default;
  // ShellExecute: returns the shell's result (greater than 32 on success).
  virtual intptr_t ShellExecute(const std::string& verb, const std::string& file,
                                const std::string& parameters, const std::string& directory,
                                int32_t showCommand) = 0;
  // Starts a program from a command line without waiting for it, in `startFolder` (its own
  // current directory; Outlook's is never changed); fails when it cannot start.
  virtual void StartProgram(const std::string& commandLine, int32_t windowStyle,
                            const std::string& startFolder) = 0;
};

// The per-user settings store, by application, section and key; values are text.
class SettingsStore {
 public:
  virtual ~SettingsStore() = default;
  virtual std::string GetSetting(const std::string& app, const std::string& section,
                                 const std::string& key, const std::string& defaultValue) = 0;
  virtual void SaveSetting(const std::string& app, const std::string& section,
                           const std::string& key, const std::string& value) = 0;
};

struct LocalTime {
  int year = 2000, month = 1, day = 1, hour = 0, minute = 0, second = 0;
};

class Clock {
 public:
  virtual ~Clock() = default;
  virtual LocalTime Now() = 0;
};

// Lets the host process its pending window messages once (DoEvents). Event handlers of any
// window may run inside this call.
class MessagePump {
 public:
  virtual ~MessagePump() = default;
  virtual void DoEvents() = 0;
};

// Pictures from the library's own resources.
class Resources {
 public:
  virtual ~Resources() = default;
  virtual std::shared_ptr<host::Picture> LoadBitmapPicture(int32_t resourceId) = 0;
  // A 32-bit bitmap resource with its alpha channel kept (a ribbon button's picture).
  virtual std::shared_ptr<host::Picture> LoadAlphaPicture(int32_t resourceId) = 0;
};

// The Windows Internet functions the probe uses. Handles are opaque; 0 means failure.
class Internet {
 public:
  virtual ~Internet() = default;
  using Handle = uintptr_t;
  virtual bool GetConnectedState() = 0;
  virtual Handle Open(const std::string& agent, uint32_t accessType, uint32_t flags) = 0;
  virtual Handle OpenUrl(Handle root, const std::string& url, uint32_t flags) = 0;
  virtual void CloseHandle(Handle handle) = 0;
};

// Work that runs beside Outlook's thread, so that Outlook never waits for it.
class Background {
 public:
  virtual ~Background() = default;
  class Task {
   public:
    virtual ~Task() = default;
    // Returns once the work has ended (at once when it already has). A task is waited for at
    // the latest when it is destroyed: no work outlives the add-in that started it.
    virtual void Wait() = 0;
  };
  // Starts `work` on a thread of its own; fails when no thread can be had.
  virtual std::unique_ptr<Task> Start(std::function<void()> work) = 0;
};

// The application event log.
class EventLog {
 public:
  virtual ~EventLog() = default;
  virtual void ReportError(const std::string& text) = 0;
};

}  // namespace zormint::platform
