// Loads Outlook add-ins the way Outlook does: every add-in registered under
// HKCU\Software\Microsoft\Office\Outlook\Addins or, for every user, under the same key in HKLM,
// with LoadBehavior 3, is created by its ProgID and connected through IDTExtensibility2, with the
// simulated Outlook's Application object. Office's ribbon (RibbonHost) gets each add-in once it
// is connected and lets go of it with the host.
#pragma once

#include <ole2.h>
#include <windows.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "sim/model/outlook_sim.h"
#include "win32/com/com_ref.h"
#include "zormint_idl.h"

namespace zormint::sim {

class RibbonHost;

// One entry of Outlook's add-in list.
struct AddinEntry {
  std::wstring progId;
  std::wstring friendlyName;
  std::wstring description;
  DWORD loadBehavior = 0;  // 3: connected and loaded at start-up
};

// The add-ins registered for Outlook for the current user, then those for every user that the
// user's list does not name, each in registry order.
std::vector<AddinEntry> ReadOutlookAddins();

// One add-in the host created.
struct HostedAddin {
  AddinEntry entry;
  HRESULT created = E_FAIL;    // CoCreateInstance and QueryInterface(IDTExtensibility2)
  HRESULT connected = E_FAIL;  // OnConnection's answer
  double connectionMs = 0;     // how long OnConnection took
  bool active = false;         // connected and not yet disconnected
  win32::ComRef<IDTExtensibility2> object;
  win32::ComRef<IDispatch> instance;  // the AddInInst object handed to it
  // Every add-in event the host called, in order ("OnConnection", "OnStartupComplete",
  // "OnBeginShutdown", "OnDisconnection"), with the add-in's answer.
  std::vector<std::pair<std::string, HRESULT>> answers;
  // The library the add-in's class is served from (its InprocServer32), or empty.
  std::wstring module;
};

class AddinHost {
 public:
  explicit AddinHost(Outlook& outlook);
  ~AddinHost();
  AddinHost(const AddinHost&) = delete;
  AddinHost& operator=(const AddinHost&) = delete;

  // Creates and connects every add-in whose LoadBehavior is 3 (OnConnection with `mode`), then,
  // at start-up, tells each that start-up is complete. An add-in the user switches on while
  // Outlook runs is connected with ext_cm_AfterStartup and gets no OnStartupComplete. Each call
  // creates the add-ins anew (after a switch-off, say).
  void Start(ext_ConnectMode mode = ext_cm_Startup);
  // The user switches an add-in off while Outlook runs: OnDisconnection(ext_dm_UserClosed),
  // then the host releases it. False when no active add-in has that ProgID.
  bool SwitchOff(const std::wstring& progId);
  // Outlook exits: OnBeginShutdown to every active add-in, then OnDisconnection
  // (ext_dm_HostShutdown) to each, which the host then releases.
  void Shutdown();
  // Outlook's fast shutdown: the host lets go of every active add-in without OnBeginShutdown or
  // OnDisconnection.
  void Abandon();
  // Releases the Application object the host holds itself.
  void ReleaseApplication();

  IDispatch* Application() const { return application_.Get(); }
  RibbonHost& Ribbon() { return *ribbon_; }
  const std::vector<HostedAddin>& Addins() const { return addins_; }

 private:
  // The host lets go of an add-in, and its ribbon with it.
  void LetGo(HostedAddin& addin);

  win32::ComRef<IDispatch> application_;
  std::vector<HostedAddin> addins_;
  std::unique_ptr<RibbonHost> ribbon_;
};

}  // namespace zormint::sim
