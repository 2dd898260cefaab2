#include "sim/session/mailbox.h"

#include <fstream>
#include <iterator>
#include <sstream>

namespace zormint::sim {

namespace {

struct FolderKind {
  const char* word;
  int32_t defaultItemType;  // OlItemType
  int32_t itemClass;        // OlObjectClass of its items
};

constexpr FolderKind kFolderKinds[] = {
    {"mail", host::kOlMailItem, host::kOlMail},
    {"post", host::kOlPostItem, host::kOlPost},
    {"contacts", 2, 40},
    {"calendar", 1, 26},
    {"tasks", 3, 48},
};

struct ClassWord {
  const char* word;
  int32_t itemClass;
};

constexpr ClassWord kClassWords[] = {
    {"mail", host::kOlMail},
    {"post", host::kOlPost},
    {"contact", 40},
    {"appointment", 26},
    {"task", 48},
};

[[noreturn]] void Bad(const std::filesystem::path& file, int line, const std::string& what) {
  std::ostringstream text;
  text << file.string() << ":" << line << ": " << what;
  throw std::runtime_error(text.str());
}

std::filesystem::path PathOf(const std::string& utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string Utf8Of(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path.string());
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

std::vector<std::string> SplitWords(const std::string& line) {
  std::vector<std::string> words;
  std::string word;
  bool inWord = false, quoted = false;
  for (char c : line) {
    if (quoted) {
      if (c == '"') {
        quoted = false;
      } else {
        word += c;
      }
    } else if (c == '"') {
      quoted = inWord = true;
    } else if (c == '#' && !inWord) {
      break;
    } else if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
      if (inWord) words.push_back(std::exchange(word, std::string()));
      inWord = false;
    } else {
      word += c;
      inWord = true;
    }
  }
  if (quoted) throw std::runtime_error("a quote is not closed");
  if (inWord) words.push_back(word);
  return words;
}

FolderId Mailbox::Folder(const std::string& name) const {
  auto it = folders.find(name);
  if (it == folders.end()) throw std::runtime_error("no folder \"" + name + "\"");
  return it->second;
}

const MailboxMessage& Mailbox::Message(const std::string& name) const {
  auto it = messages.find(name);
  if (it == messages.end()) throw std::runtime_error("no message \"" + name + "\"");
  return it->second;
}

const MailboxMessage* Mailbox::MessageWithId(ItemId id) const {
  for (const auto& [name, message] : messages) {
    if (message.id == id) return &message;
  }
  return nullptr;
}

Mailbox LoadMailbox(Outlook& outlook, const std::filesystem::path& manifest) {
  std::ifstream in(manifest);
  if (!in) throw std::runtime_error("cannot read the mailbox manifest " + manifest.string());
  const std::filesystem::path base = manifest.parent_path();
  Mailbox mailbox;
  std::map<std::string, int32_t> folderClass;
  MailboxMessage* pending = nullptr;

  auto finish = [&] {
    if (!pending) return;
    pending->id = outlook.AddItem(mailbox.folders.at(pending->folder), pending->contents);
    pending->contents.entryId = outlook.EntryIdOf(pending->id);
    pending = nullptr;
  };

  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    std::vector<std::string> words;
    try {
      words = SplitWords(line);
    } catch (const std::exception& e) {
      Bad(manifest, number, e.what());
    }
    if (words.empty()) continue;
    const std::string& verb = words[0];
    if (verb == "folder") {
      finish();
      if (words.size() != 3) Bad(manifest, number, "folder <name> <kind>");
      const FolderKind* kind = nullptr;
      for (const FolderKind& candidate : kFolderKinds) {
        if (words[2] == candidate.word) kind = &candidate;
      }
      if (!kind) Bad(manifest, number, "unknown folder kind \"" + words[2] + "\"");
      if (mailbox.folders.count(words[1])) Bad(manifest, number, "folder named twice");
      mailbox.folders[words[1]] = outlook.AddFolder(words[1], kind->defaultItemType);
      folderClass[words[1]] = kind->itemClass;
    } else if (verb == "message") {
      finish();
      if (words.size() < 4) Bad(manifest, number, "message <name> <folder> <subject> [...]");
      if (!mailbox.folders.count(words[2])) Bad(manifest, number, "no folder \"" + words[2] + "\"");
      if (mailbox.messages.count(words[1])) Bad(manifest, number, "message named twice");
      MailboxMessage& message = mailbox.messages[words[1]];
      message.name = words[1];
      message.folder = words[2];
      message.subject = words[3];
      message.contents.subject = words[3];
      message.contents.itemClass = folderClass[words[2]];
      for (size_t i = 4; i < words.size(); ++i) {
        if (words[i] == "unsaved") {
          message.contents.saved = false;
          continue;
        }
        if (words[i] == "protected") {
          message.contents.saveRefused = true;
          continue;
        }
        if (words[i] == "from") {
          if (i + 1 == words.size()) Bad(manifest, number, "from <sender>");
          message.from = words[++i];
          continue;
        }
        bool known = false;
        for (const ClassWord& word : kClassWords) {
          if (words[i] == word.word) {
            message.contents.itemClass = word.itemClass;
            known = true;
          }
        }
        if (!known) Bad(manifest, number, "unknown message option \"" + words[i] + "\"");
      }
      mailbox.order.push_back(words[1]);
      pending = &message;
    } else if (verb == "attach") {
      if (!pending) Bad(manifest, number, "attach outside a message");
      const char* usage = "attach <file> [as <name>] [cloud|embedded|ole|inline]";
      const bool named = words.size() >= 4 && words[2] == "as";
      const size_t kindAt = named ? 4 : 2;
      if (words.size() > kindAt + 1 || words.size() < 2) {
        Bad(manifest, number, usage);
      }
      const std::filesystem::path file = base / PathOf(words[1]);
      AttachmentSpec attachment;
      attachment.fileName = named ? words[3] : Utf8Of(file.filename());
      if (words.size() == kindAt + 1) {
        const std::string& kind = words[kindAt];
        if (kind == "cloud") {
          attachment.type = host::kOlByReference;
        } else if (kind == "embedded") {
          attachment.type = host::kOlEmbeddeditem;
        } else if (kind == "ole") {
          attachment.type = host::kOlOLE;
        } else if (kind == "inline") {
          // Shown in the message's text: a content id the body refers to, hidden in the well.
          attachment.contentId = attachment.fileName + "@sample";
          attachment.hidden = true;
          attachment.flags = 4;
        } else {
          Bad(manifest, number, usage);
        }
      }
      try {
        attachment.bytes = ReadFile(file);
      } catch (const std::exception& e) {
        Bad(manifest, number, e.what());
      }
      pending->contents.attachments.push_back(std::move(attachment));
    } else {
      Bad(manifest, number, "unknown word \"" + verb + "\"");
    }
  }
  finish();
  return mailbox;
}

}  // namespace zormint::sim
