// The process-wide objects of the add-in, held in one context object.
//
// `Services` are the platform facilities; they exist for the whole life of the library. The
// g-objects exist only while the add-in is connected: the connection creates them in its fixed
// order and the disconnection releases them (each is none otherwise). Every class reads them
// from here (those of the rooms above through their rooms' accessors) at the moment it needs
// them, so a step that runs before an object exists (or after it is gone) fails like a call on
// a reference that is none.
#pragma once

#include <memory>
#include <string>
#include <typeinfo>
#include <utility>
#include <vector>

#include "common/error.h"
#include "host/host.h"
#include "platform/dialog_toolkit.h"
#include "platform/platform.h"

namespace zormint {

// The connection's objects of the rooms above this one (gclsPicAttachments, gclsSettings,
// gclsInternet, gclsRibbon, gfrmOptions), each kept under its class: the room that defines the
// class reaches its object through an accessor of its own (gclsSettings(g)), so that this room
// names none of them. They go in the reverse order of their first use.
class RoomObjects {
 public:
  RoomObjects() = default;
  RoomObjects(const RoomObjects&) = delete;
  RoomObjects& operator=(const RoomObjects&) = delete;
  ~RoomObjects() {
    // One at a time, from the last: an object going may still look at the ones before it.
    while (!slots_.empty()) {
      std::shared_ptr<void> last = std::move(slots_.back().object);
      slots_.pop_back();
    }
  }

  // The object of class `T`; none until it is made.
  template <class T>
  std::shared_ptr<T>& Of() {
    for (Slot& slot : slots_) {
      if (*slot.type == typeid(T)) return *static_cast<std::shared_ptr<T>*>(slot.object.get());
    }
    auto object = std::make_shared<std::shared_ptr<T>>();
    slots_.push_back({&typeid(T), object});
    return *object;
  }

 private:
  struct Slot {
    const std::type_info* type;
    std::shared_ptr<void> object;  // a std::shared_ptr<T>
  };
  std::vector<Slot> slots_;
};

struct Services {
  std::shared_ptr<platform::FileSystem> fileSystem;
  std::shared_ptr<platform::ScriptShellFactory> scriptShell;
  std::shared_ptr<platform::Launcher> launcher;
  std::shared_ptr<platform::SettingsStore> settingsStore;
  std::shared_ptr<platform::Clock> clock;
  std::shared_ptr<platform::MessagePump> messagePump;
  std::shared_ptr<platform::Resources> resources;
  std::shared_ptr<platform::Internet> internet;
  std::shared_ptr<platform::EventLog> eventLog;
  std::shared_ptr<platform::DialogToolkit> dialogs;
  std::shared_ptr<platform::Background> background;
};

struct Globals {
  Services services;

  std::shared_ptr<platform::FileSystem> gfsoFileSystem;
  // The selection dialog's result: empty, or a selected-attachment index list such as "2,3".
  std::string gsSelAttachmentIndexes;
  // The last whole look at a message's attachments, by whoever looked (a toolbar refreshing its
  // buttons): a look at the same message since that window's change reads it instead of
  // looking again. The message is held weakly, so this holds nothing of Outlook's.
  struct PictureLook {
    std::weak_ptr<host::Item> item;
    bool present = false;
  };
  PictureLook gLastPictureLook;

  // The messages given a working folder in the last second a time stamp was taken for, in the
  // order of their numbers ("", "-2", "-3" ...): a message stamped again in that second gets its
  // own folder back, another message the next number. A message is known by its EntryID and,
  // while someone else holds it, by its identity (a message never saved has no EntryID); the
  // message itself is held weakly, so this holds nothing of Outlook's.
  struct StampedMessage {
    std::string entryId;
    std::weak_ptr<host::Item> item;
  };
  std::string gsLastTimeStamp;
  std::vector<StampedMessage> gcolStampedMessages;

  // Last, so that they go first.
  RoomObjects objects;
};

}  // namespace zormint
