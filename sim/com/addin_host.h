// Loads Outlook add-ins the way Outlook does: every add-in registered under
// HKCU\Software\Microsoft\Office\Outlook\Addins with LoadBehavior 3 is created by its ProgID and
// connected through IDTExtensibility2, with the simulated Outlook's Application object.
#pragma once

#include <ole2.h>
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "sim/com/com_object.h"
#include "sim/outlook_sim.h"
#include "zormint_idl.h"

namespace zormint::sim::com {

// One entry of Outlook's add-in list.
struct AddinEntry {
  std::wstring progId;
  std::wstring friendlyName;
  std::wstring description;
  DWORD loadBehavior = 0;  // 3: connected and loaded at start-up
};

// The add-ins registered for Outlook for the current user, in registry order.
std::vector<AddinEntry> ReadOutlookAddins();

// One add-in the host created.
struct HostedAddin {
  AddinEntry entry;
  HRESULT created = E_FAIL;    // CoCreateInstance and QueryInterface(IDTExtensibility2)
  HRESULT connected = E_FAIL;  // OnConnection's answer
  double connectionMs = 0;     // how long OnConnection took
  bool active = false;         // connected and not yet disconnected
  Ref<IDTExtensibility2> object;
  Ref<IDispatch> instance;  // the AddInInst object handed to it
};

class AddinHost {
 public:
  explicit AddinHost(Outlook& outlook);
  ~AddinHost();
  AddinHost(const AddinHost&) = delete;
  AddinHost& operator=(const AddinHost&) = delete;

  // Creates and connects every add-in whose LoadBehavior is 3 (OnConnection with
  // ext_cm_Startup), then tells each that start-up is complete.
  void Start();
  // The user switches an add-in off while Outlook runs: OnDisconnection(ext_dm_UserClosed),
  // then the host releases it. False when no active add-in has that ProgID.
  bool SwitchOff(const std::wstring& progId);
  // Outlook exits: OnBeginShutdown to every active add-in, then OnDisconnection
  // (ext_dm_HostShutdown) to each, which the host then releases.
  void Shutdown();
  // Releases the Application object the host holds itself.
  void ReleaseApplication();

  IDispatch* Application() const { return application_.Get(); }
  const std::vector<HostedAddin>& Addins() const { return addins_; }

 private:
  Ref<IDispatch> application_;
  std::vector<HostedAddin> addins_;
};

}  // namespace zormint::sim::com
