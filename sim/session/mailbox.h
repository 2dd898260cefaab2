// The sample mailbox of the simulated Outlook program, read from a small manifest:
//
//   # a comment
//   folder Inbox mail                      folder <name> mail|post|contacts|calendar|tasks
//   message holiday Inbox "Holiday pictures"  [post|contact|unsaved|from "Anna Berg" ...]
//   attach pictures/beach.jpg              a file beside the manifest, under its own name
//   attach pictures/beach.jpg as "Strand.JPG"
//   attach documents/itinerary.txt as "Album.jpg" cloud   cloud|embedded|ole: an attachment
//                                          that holds no file (a link to a cloud file, an
//                                          attached item, an OLE object); inline: a picture
//                                          the message shows in its text
//
// Words are separated by blanks; double quotes keep blanks in a word. A message's item class
// follows its folder (mail 43, post 45, contact 40, appointment 26, task 48) unless a word
// after the subject names another; "unsaved" makes a message being composed; "from" and the
// word after it name the sender that a message list shows; "protected" makes a message whose
// attachments cannot be saved (rights-managed or encrypted).
#pragma once

#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "sim/model/outlook_sim.h"

namespace zormint::sim {

// Splits a line into words: blanks separate, "..." keeps blanks, # outside quotes ends it.
std::vector<std::string> SplitWords(const std::string& line);

struct MailboxMessage {
  ItemId id = 0;
  std::string name;
  std::string subject;
  std::string folder;
  std::string from;  // the sender shown in a message list, empty when the manifest names none
  ItemSpec contents;
};

struct Mailbox {
  std::map<std::string, FolderId> folders;         // by name
  std::map<std::string, MailboxMessage> messages;  // by name
  std::vector<std::string> order;                  // message names in manifest order

  FolderId Folder(const std::string& name) const;  // throws std::runtime_error
  const MailboxMessage& Message(const std::string& name) const;
  const MailboxMessage* MessageWithId(ItemId id) const;
};

// Reads the manifest into `outlook`. Fails with std::runtime_error naming the line.
Mailbox LoadMailbox(Outlook& outlook, const std::filesystem::path& manifest);

}  // namespace zormint::sim
