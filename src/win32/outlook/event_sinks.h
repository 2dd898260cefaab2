// Outlook's and Office's events, received over connection points.
//
// Each connection has its own small COM object, the sink, which Outlook holds from Advise to
// Unadvise and calls through IDispatch::Invoke with the event's DISPID. The sink forwards the
// event to the add-in's host:: sink, which it holds strongly all that time: the add-in relies on
// the host keeping its sink (and what the sink keeps alive) until Unadvise.
#pragma once

#include <ocidl.h>
#include <windows.h>

#include <map>
#include <memory>
#include <string>

#include "host/host.h"
#include "win32/com/com_ref.h"

namespace zormint::win32 {

// The published event interfaces and the DISPIDs of the events the add-in handles.
namespace events {

inline constexpr GUID OfficeGuid(unsigned long first) {
  return {first, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
}

inline constexpr IID kExplorersEvents = OfficeGuid(0x00063078);
inline constexpr IID kInspectorsEvents = OfficeGuid(0x00063079);
inline constexpr IID kExplorerEvents10 = OfficeGuid(0x0006300F);
inline constexpr IID kInspectorEvents10 = OfficeGuid(0x0006302A);
inline constexpr IID kItemEvents10 = OfficeGuid(0x0006302B);
inline constexpr IID kCommandBarButtonEvents = OfficeGuid(0x000C0351);

// ExplorersEvents, InspectorsEvents.
inline constexpr DISPID kNewWindow = 0xF001;
// ExplorerEvents_10, InspectorEvents_10 (Activate, Deactivate and Close are shared).
inline constexpr DISPID kActivate = 0xF001;
inline constexpr DISPID kFolderSwitch = 0xF002;
inline constexpr DISPID kViewSwitch = 0xF004;
inline constexpr DISPID kDeactivate = 0xF006;
inline constexpr DISPID kSelectionChange = 0xF007;
inline constexpr DISPID kClose = 0xF008;
inline constexpr DISPID kAttachmentSelectionChange = 0xFC79;  // Outlook 2010 and later
// ItemEvents_10.
inline constexpr DISPID kItemRead = 0xF001;
inline constexpr DISPID kItemWrite = 0xF002;
inline constexpr DISPID kItemOpen = 0xF003;
inline constexpr DISPID kItemClose = 0xF004;
// _CommandBarButtonEvents.
inline constexpr DISPID kClick = 1;

}  // namespace events

// A new sink object (one reference, the caller's) forwarding to `events`, one of the host's
// event interfaces.
template <class Events>
ComRef<IUnknown> NewEventSink(std::shared_ptr<Events> events);

// The event connections made through one adapter, each with the connection point it was made
// on, so that Unadvise reaches the same point.
class Connections {
 public:
  Connections() = default;
  Connections(const Connections&) = delete;
  Connections& operator=(const Connections&) = delete;

  // Finds the connection point `events` of `source` and connects `sink` to it. `what` names
  // the source in errors.
  host::Cookie Advise(IDispatch* source, REFIID events, IUnknown* sink, const std::string& what);
  // Disconnects `cookie` and lets go of its connection point. A cookie this object did not hand
  // out is looked for on the source's connection point anew. When the host refuses, the point
  // is kept so that the call can be repeated.
  void Unadvise(IDispatch* source, REFIID events, host::Cookie cookie, const std::string& what);

 private:
  std::map<host::Cookie, ComRef<IConnectionPoint>> points_;
};

}  // namespace zormint::win32
