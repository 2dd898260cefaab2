// Events of the simulated Outlook's COM objects: the connection points an add-in advises its
// sinks on, and the host-side sinks that turn the model's events into calls of the COM sink's
// IDispatch::Invoke with the published dispatch ids (arguments in reverse order, Cancel and
// CancelDefault as by-reference VARIANT_BOOLs).
#pragma once

#include <ocidl.h>
#include <windows.h>

#include <memory>

#include "host/host.h"
#include "win32/com/com_ref.h"

namespace zormint::sim::com {

// Connects COM sinks to one object of the model, for one event interface.
class EventSource {
 public:
  virtual ~EventSource() = default;
  // Connects `sink` (which answers the event interface) and returns the connection's cookie.
  virtual host::Cookie Connect(IDispatch* sink) = 0;
  virtual void Disconnect(host::Cookie cookie) = 0;
};

std::shared_ptr<EventSource> ExplorersEventSource(std::shared_ptr<host::Explorers> explorers);
std::shared_ptr<EventSource> InspectorsEventSource(std::shared_ptr<host::Inspectors> inspectors);
std::shared_ptr<EventSource> ExplorerEventSource(std::shared_ptr<host::Explorer> explorer);
std::shared_ptr<EventSource> InspectorEventSource(std::shared_ptr<host::Inspector> inspector);
std::shared_ptr<EventSource> ItemEventSource(std::shared_ptr<host::Item> item);
std::shared_ptr<EventSource> ButtonEventSource(std::shared_ptr<host::CommandBarButton> button);

// A connection point for the event interface `diid` of `container` (which it holds).
win32::ComRef<IConnectionPoint> NewConnectionPoint(IConnectionPointContainer* container,
                                                   REFIID diid,
                                                   std::shared_ptr<EventSource> source);

}  // namespace zormint::sim::com
