#include "pictures/pic_attachments.h"

#include <vector>

#include "settings/settings.h"

namespace zormint {

namespace {

// Working folder names are compared as Windows compares file names: without regard to case.
std::string AsciiUpper(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return text;
}

std::string WithoutTrailingSeparators(std::string path) {
  while (path.size() > 1 && (path.back() == '\\' || path.back() == '/'))
    path.pop_back();
  return path;
}

}  // namespace

// ---- Detection and listing ------------------------------------------------------------------

bool CPicAttachments::MorePictureTypes() const noexcept {
  bool on = false;
  Attempt("CPicAttachments: picture types", [&] {
    if (const std::shared_ptr<CSettings> settings = gclsSettings(g_))
      on = settings->Value(rvMorePictureTypes) == kMorePictureTypesOn;
  });
  return on;
}

bool CPicAttachments::IsPicture(host::Attachment& attachment, bool morePictureTypes,
                                std::string* fileName) {
  std::string name = attachment.FileName();
  const bool named = IsPictureName(name) || (morePictureTypes && IsMorePictureName(name));
  if (fileName) *fileName = std::move(name);
  if (!named || attachment.Type() != host::kOlByValue) return false;
  return !morePictureTypes || !ShownInText(attachment);
}

bool CPicAttachments::ShownInText(host::Attachment& attachment) noexcept {
  std::shared_ptr<host::PropertyAccessor> accessor;
  // Outlook 2003 has no PropertyAccessor: there nothing is left out.
  if (!Attempt("CPicAttachments.ShownInText: PropertyAccessor",
               [&] { accessor = attachment.PropertyAccessor(); }) ||
      !accessor) {
    return false;
  }
  // Most attachments lack these properties, and Outlook answers with a failure then: that is
  // no fault, so a property that cannot be read counts as not set, untraced.
  auto read = [&](const char* schemaName) -> host::PropertyValue {
    try {
      return accessor->GetProperty(schemaName);
    } catch (...) {
      return std::monostate();
    }
  };
  // Only a picture that the text can refer to (it has a content id) is taken for one shown
  // there; Outlook then marks it hidden, or referenced by the text.
  const host::PropertyValue contentId = read(kPrAttachContentId);
  const std::string* id = std::get_if<std::string>(&contentId);
  if (!id || id->empty()) return false;
  const host::PropertyValue hidden = read(kPrAttachmentHidden);
  if (const bool* flag = std::get_if<bool>(&hidden); flag && *flag) return true;
  const host::PropertyValue flags = read(kPrAttachFlags);
  const int32_t* number = std::get_if<int32_t>(&flags);
  return number && (*number & kAttachFlagReferencedByText) != 0;
}

bool CPicAttachments::AtLeastOnePresent(const std::shared_ptr<host::Item>& mlGeneric) noexcept {
  bool found = false;
  std::shared_ptr<host::Attachments> attachments;
  int32_t count = 0;
  const bool more = MorePictureTypes();
  Attempt("CPicAttachments.AtLeastOnePresent: Attachments", [&] {
    attachments = Require(mlGeneric, "mlGeneric")->Attachments();
    count = Require(attachments, "Attachments")->Count();
  });
  for (int32_t position = 1; position <= count && !found; ++position) {
    Attempt("CPicAttachments.AtLeastOnePresent: attachment name",
            [&] { found = IsPicture(*Require(attachments->Item(position), "Attachment"), more); });
  }
  return found;
}

void CPicAttachments::Populate(const std::shared_ptr<host::Item>& mlGeneric,
                               const std::shared_ptr<platform::ListBox>& lstGeneric) noexcept {
  if (!lstGeneric) return;
  platform::ListBox& list = *lstGeneric;
  Attempt("CPicAttachments.Populate: Clear", [&] { list.Clear(); });
  std::shared_ptr<host::Attachments> attachments;
  int32_t count = 0;
  const bool more = MorePictureTypes();
  Attempt("CPicAttachments.Populate: Attachments", [&] {
    attachments = Require(mlGeneric, "mlGeneric")->Attachments();
    count = Require(attachments, "Attachments")->Count();
  });
  for (int32_t position = 1; position <= count; ++position) {
    std::string name;
    bool picture = false;
    if (!Attempt("CPicAttachments.Populate: attachment", [&] {
          picture = IsPicture(*Require(attachments->Item(position), "Attachment"), more, &name);
        })) {
      continue;
    }
    if (!picture) continue;
    // An entry that could not be added gets nothing more: the entry appended last is another
    // picture's, and its position must not be overwritten with this one's.
    if (!Attempt("CPicAttachments.Populate: AddItem", [&] { list.AddItem(name); })) continue;
    // Each further statement on its own: an entry whose item data cannot be set is still listed.
    Attempt("CPicAttachments.Populate: ItemData",
            [&] { list.SetItemData(list.NewIndex(), position); });
    Attempt("CPicAttachments.Populate: Selected", [&] { list.SetSelected(list.NewIndex(), true); });
  }
}

// ---- Working folders ------------------------------------------------------------------------

void CPicAttachments::Initialize() noexcept {
  Attempt("CPicAttachments.Initialize", [&] {
    const std::string root = GetTempRoot();
    // With no temporary folder at all the engine stays idle rather than working in the root
    // directory of the current drive.
    if (!root.empty()) msTempRoot = root + "\\";
  });
}

CPicAttachments::~CPicAttachments() {
  mclsCleanUp->stop = true;
}

void CPicAttachments::Cleanup() noexcept {
  mclsCleanUp->stop = true;
  if (mtskCleanUp)
    Attempt("CPicAttachments.Cleanup: wait for the clean-up", [&] { mtskCleanUp->Wait(); });
}

std::string CPicAttachments::GetTempRoot() {
  const auto fso = Require(g_.gfsoFileSystem, "gfsoFileSystem");
  std::string root;

  // 1. The system's temporary folder, taken as it is reported, whether it exists or not.
  bool found = false;
  Attempt("CPicAttachments.GetTempRoot: temporary folder", [&] {
    if (auto folder = fso->GetSpecialFolder(platform::FileSystem::kTemporaryFolder)) {
      root = *folder;
      found = true;
    }
  });
  if (found) return WithoutTrailingSeparators(root);

  // 2. The user's own TEMP setting, expanded, when that folder exists.
  Attempt("CPicAttachments.GetTempRoot: user TEMP", [&] {
    std::shared_ptr<platform::ScriptShell> shell =
        Require(g_.services.scriptShell, "WScript.Shell")->Create();
    const std::string expanded =
        Require(shell, "WScript.Shell")->ExpandEnvironmentStrings(shell->UserEnvironment("TEMP"));
    shell.reset();
    if (fso->FolderExists(expanded)) {
      root = expanded;
      found = true;
    }
  });
  if (found) return WithoutTrailingSeparators(root);

  // 3. "Temp" in the Windows folder, created when missing; taken even if that fails.
  Attempt("CPicAttachments.GetTempRoot: Windows folder", [&] {
    if (auto windows = fso->GetSpecialFolder(platform::FileSystem::kWindowsFolder)) {
      root = WithoutTrailingSeparators(*windows) + "\\Temp";
      found = true;
    }
  });
  if (!found) return std::string();
  Attempt("CPicAttachments.GetTempRoot: create Temp", [&] {
    if (!fso->FolderExists(root)) fso->CreateFolder(root);
  });
  return root;
}

void CPicAttachments::DeletePrevFolders() noexcept {
  if (msTempRoot.empty()) return;
  std::shared_ptr<platform::FileSystem> fso = g_.gfsoFileSystem;
  if (!fso) return;
  // The thread holds what it uses: the engine may be released before it ends.
  std::shared_ptr<CleanUpState> state = mclsCleanUp;
  const auto ended = [state] {
    std::lock_guard<std::mutex> lock(state->mutex);
    state->running = false;
    state->claimed.clear();  // nothing left to keep out of its way
  };
  {
    std::lock_guard<std::mutex> lock(state->mutex);
    state->running = true;
  }
  // No thread to be had: the folders wait for the next connection.
  if (!Attempt("CPicAttachments.DeletePrevFolders: start", [&] {
        mtskCleanUp = Require(g_.services.background, "Background")
                          ->Start([fso, root = msTempRoot, state, ended] {
                            DeleteEarlierFolders(fso, root, *state);
                            ended();
                          });
      }))
    ended();
}

void CPicAttachments::DeleteEarlierFolders(const std::shared_ptr<platform::FileSystem>& fso,
                                           const std::string& root, CleanUpState& state) noexcept {
  if (state.stop) return;
  // One reading of the root gives both lists: a temporary folder may hold many thousands of
  // entries.
  platform::FileSystem::Contents contents;
  if (!Attempt("CPicAttachments.DeletePrevFolders: list",
               [&] { contents = fso->FolderContents(root); }))
    return;

  // Each entry is taken out of this connection's reach while it is deleted, unless this
  // connection already uses a folder of that name.
  const auto removeUnclaimed = [&](const std::string& name, const char* step, auto remove) {
    const std::string key = AsciiUpper(name);
    {
      std::lock_guard<std::mutex> lock(state.mutex);
      if (state.claimed.count(key)) return;
      state.deleting = key;
    }
    Attempt(step, remove);
    {
      std::lock_guard<std::mutex> lock(state.mutex);
      state.deleting.clear();
    }
    state.deleted.notify_all();
  };

  for (const std::string& name : contents.subFolders) {
    if (state.stop) return;
    // A folder that cannot be deleted (a viewer still holds a picture, or anything else) is
    // left for the next connection.
    if (IsWorkingFolderName(name))
      removeUnclaimed(name, "CPicAttachments.DeletePrevFolders: DeleteFolder",
                      [&] { fso->DeleteFolder(root + name, true); });
  }

  // A link bearing a working folder's name is removed as a link; its target is never touched.
  // Plain files in the root stay, whatever their names.
  for (const std::string& name : contents.files) {
    if (state.stop) return;
    if (!IsWorkingFolderName(name)) continue;
    removeUnclaimed(name, "CPicAttachments.DeletePrevFolders: delete link", [&] {
      if (fso->IsLink(root + name)) fso->DeleteFile(root + name, true);
    });
  }
}

void CPicAttachments::ClaimWorkingFolder(const std::string& workingFolder) noexcept {
  const std::string name =
      AsciiUpper(WithoutTrailingSeparators(workingFolder).substr(msTempRoot.size()));
  CleanUpState& state = *mclsCleanUp;
  try {
    std::unique_lock<std::mutex> lock(state.mutex);
    if (!state.running) return;
    state.claimed.insert(name);
    state.deleted.wait(lock, [&] { return state.deleting != name; });
  } catch (...) {
    // No memory for the name: the folder is prepared as it is.
  }
}

bool CPicAttachments::PrepareWorkingFolder(const std::string& workingFolder) noexcept {
  std::shared_ptr<platform::FileSystem> fso = g_.gfsoFileSystem;
  if (!fso) return false;  // whether the path is a link cannot even be asked
  ClaimWorkingFolder(workingFolder);

  // A link in the working folder's place is removed, never entered. When that cannot be
  // made sure of, nothing may be saved there.
  bool safe = false;
  Attempt("CPicAttachments.PrepareWorkingFolder: link check", [&] {
    if (fso->IsLink(workingFolder)) fso->DeleteFile(workingFolder, true);
    safe = true;
  });
  if (!safe) return false;

  bool exists = false;
  Attempt("CPicAttachments.PrepareWorkingFolder: FolderExists",
          [&] { exists = fso->FolderExists(workingFolder); });
  if (exists) {
    // Files (and links) directly inside go; subfolders stay.
    std::vector<std::string> files;
    Attempt("CPicAttachments.PrepareWorkingFolder: FileNames",
            [&] { files = fso->FileNames(workingFolder); });
    for (const std::string& name : files) {
      Attempt("CPicAttachments.PrepareWorkingFolder: DeleteFile",
              [&] { fso->DeleteFile(workingFolder + name, true); });
    }
  } else {
    Attempt("CPicAttachments.PrepareWorkingFolder: CreateFolder",
            [&] { fso->CreateFolder(workingFolder); });
  }
  return true;
}

// ---- Extraction and display -----------------------------------------------------------------

void CPicAttachments::SavePicture(const std::shared_ptr<host::Attachments>& attachments,
                                  int32_t position, SaveRun& run) noexcept {
  std::shared_ptr<host::Attachment> attachment;
  std::string name;
  bool picture = false;
  if (!Attempt("CPicAttachments.SavePicture: attachment", [&] {
        attachment = Require(attachments, "Attachments")->Item(position);
        picture = IsPicture(*Require(attachment, "Attachment"), run.morePictureTypes, &name);
      })) {
    return;  // an attachment that cannot be fetched, named or typed is not a picture
  }
  if (!picture) return;
  run.anyPicture = true;
  // The sender chose the name: it is saved under its last component, and not at all when
  // nothing usable is left.
  const std::optional<std::string> saveName = SafeSaveName(name);
  if (!saveName) return;
  // Phones name every picture alike: a later picture of the same name is numbered rather
  // than written over an earlier one.
  const std::string path = run.workingFolder + DistinctSaveName(*saveName, run.takenNames);
  // A link in the picture's place (one the preparation could not remove, or one made since) is
  // removed, never written through: the save would land wherever the link points. When that
  // cannot be made sure of, this picture is not saved.
  bool safe = false;
  Attempt("CPicAttachments.SavePicture: link check", [&] {
    const auto fso = Require(g_.gfsoFileSystem, "gfsoFileSystem");
    if (fso->IsLink(path)) fso->DeleteFile(path, true);
    safe = true;
  });
  if (!safe) return;
  // Only a picture that was written goes to the viewer: a failed save (a protected message,
  // a full disk, a name Windows refuses) leaves no file to show.
  if (Attempt("CPicAttachments.SavePicture: SaveAsFile", [&] { attachment->SaveAsFile(path); }) &&
      run.firstSaved.empty()) {
    run.firstSaved = path;
  }
}

Extraction CPicAttachments::Finish(SaveRun& run, const char* step) noexcept {
  if (!run.firstSaved.empty()) {
    Attempt(step, [&] { ShowInViewer(run.firstSaved, run.workingFolder); });
    return Extraction::kSaved;
  }
  return run.anyPicture ? Extraction::kNoneSaved : Extraction::kNoPictures;
}

bool CPicAttachments::BeginRun(const std::string& sWorkingFolderSuffix, SaveRun& run) noexcept {
  if (msTempRoot.empty()) return false;
  run.morePictureTypes = MorePictureTypes();
  run.workingFolder = msTempRoot + kWorkingFolderPrefix + sWorkingFolderSuffix + "\\";
  return PrepareWorkingFolder(run.workingFolder);
}

Extraction CPicAttachments::ExtractAllNShow(const std::shared_ptr<host::Item>& mlGeneric,
                                            const std::string& sWorkingFolderSuffix) noexcept {
  // Without a temporary root or a working folder nothing can be saved, whatever the message
  // holds.
  SaveRun run;
  if (!BeginRun(sWorkingFolderSuffix, run)) return Extraction::kNoneSaved;

  std::shared_ptr<host::Attachments> attachments;
  int32_t count = 0;
  Attempt("CPicAttachments.ExtractAllNShow: Attachments",
          [&] { attachments = Require(mlGeneric, "mlGeneric")->Attachments(); });
  Attempt("CPicAttachments.ExtractAllNShow: Count",
          [&] { count = Require(attachments, "Attachments")->Count(); });
  for (int32_t position = 1; position <= count; ++position) {
    SavePicture(attachments, position, run);
  }
  return Finish(run, "CPicAttachments.ExtractAllNShow: ShowInViewer");
}

Extraction CPicAttachments::ExtractSelectedNShow(const std::shared_ptr<host::Item>& mlGeneric,
                                                 const std::string& sSelAttachmentIndexes,
                                                 const std::string& sWorkingFolderSuffix) noexcept {
  // Without a temporary root or a working folder nothing can be saved, whatever the message
  // holds.
  SaveRun run;
  if (!BeginRun(sWorkingFolderSuffix, run)) return Extraction::kNoneSaved;

  std::shared_ptr<host::Attachments> attachments;
  Attempt("CPicAttachments.ExtractSelectedNShow: Attachments",
          [&] { attachments = Require(mlGeneric, "mlGeneric")->Attachments(); });
  std::set<int32_t> done;
  for (int32_t position : ReadIndexList(sSelAttachmentIndexes)) {
    if (done.insert(position).second) SavePicture(attachments, position, run);
  }
  return Finish(run, "CPicAttachments.ExtractSelectedNShow: ShowInViewer");
}

void CPicAttachments::ShowInViewer(const std::string& picturePath,
                                   const std::string& workingFolder) {
  // Read now, so that a choice just made in the dialog applies to this very showing.
  std::string choice;
  Attempt("CPicAttachments.ShowInViewer: viewer choice",
          [&] { choice = Require(gclsSettings(g_), "gclsSettings")->Value(rvImageViewer); });

  if (choice == "1") {
    Attempt("CPicAttachments.ShowInViewer: ShellExecute", [&] {
      Require(g_.services.launcher, "Launcher")
          ->ShellExecute("open", picturePath, "", workingFolder, 1);
    });
  } else if (choice == "2") {
    // The custom viewer starts in the working folder, beside the other pictures.
    Attempt("CPicAttachments.ShowInViewer: StartProgram", [&] {
      const std::string viewer = Require(gclsSettings(g_), "gclsSettings")->Value(rvUserImageApp);
      const std::string commandLine = "\"" + viewer + "\"  \"" + picturePath + "\"";
      Require(g_.services.launcher, "Launcher")->StartProgram(commandLine, 1, workingFolder);
    });
  }
  // Any other choice starts nothing; the pictures stay in the working folder.
}

}  // namespace zormint
