// CPicAttachments: the picture engine. Which attachments are pictures, the dialog's picture
// list, the temporary working folders, saving attachments and starting the viewer.
#pragma once

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <set>
#include <string>

#include "context/globals.h"
#include "host/host.h"
#include "pictures/picture_names.h"
#include "platform/list_box.h"

namespace zormint {

class CPicAttachments {
 public:
  explicit CPicAttachments(Globals& globals) : g_(globals) {}
  ~CPicAttachments();
  CPicAttachments(const CPicAttachments&) = delete;
  CPicAttachments& operator=(const CPicAttachments&) = delete;

  // Finds the temporary root (msTempRoot). Never fails.
  void Initialize() noexcept;
  // Stops the deletion of earlier runs' folders and waits for the folder it is deleting, if
  // any. The working folders of this run stay until the next connection.
  void Cleanup() noexcept;
  // True when at least one attachment of the item is a picture. Never fails.
  bool AtLeastOnePresent(const std::shared_ptr<host::Item>& mlGeneric) noexcept;
  // Fills the list with the item's picture attachments, each selected, item data = position.
  void Populate(const std::shared_ptr<host::Item>& mlGeneric,
                const std::shared_ptr<platform::ListBox>& lstGeneric) noexcept;
  // Starts deleting the working folders that earlier runs left under the temporary root, on a
  // thread of its own: Outlook's start-up never waits for it. The working folders of this
  // connection are never touched; what is left when the add-in disconnects, or cannot be
  // deleted, waits for the next connection.
  void DeletePrevFolders() noexcept;
  // Saves every picture attachment into the working folder named by the suffix and opens the
  // first in the viewer.
  void ExtractAllNShow(const std::shared_ptr<host::Item>& mlGeneric,
                       const std::string& sWorkingFolderSuffix) noexcept;
  // The same for the attachments named by a selected-attachment index list ("2,3").
  void ExtractSelectedNShow(const std::shared_ptr<host::Item>& mlGeneric,
                            const std::string& sSelAttachmentIndexes,
                            const std::string& sWorkingFolderSuffix) noexcept;

  const std::string& TempRoot() const { return msTempRoot; }

  // What Outlook's thread and the clean-up thread share: the working folders this connection
  // uses, which the clean-up leaves alone, and the one folder the clean-up is deleting.
  struct CleanUpState {
    std::mutex mutex;
    std::condition_variable deleted;
    bool running = false;           // the clean-up has not ended yet
    std::set<std::string> claimed;  // upper-case folder names, kept while it runs
    std::string deleting;           // upper-case, empty when none
    std::atomic<bool> stop{false};
  };

 private:
  // Makes the working folder this connection's before anything is written into it; waits
  // while the clean-up deletes a folder of an earlier run that bore the same name.
  void ClaimWorkingFolder(const std::string& workingFolder) noexcept;
  static void DeleteEarlierFolders(const std::shared_ptr<platform::FileSystem>& fso,
                                   const std::string& root, CleanUpState& state) noexcept;

  void ShowInViewer(const std::string& picturePath, const std::string& workingFolder);
  std::string GetTempRoot();

  // Empties the working folder of files, or creates it. False when the path is a link that
  // could not be removed, or cannot be checked (nothing may then be saved there).
  bool PrepareWorkingFolder(const std::string& workingFolder) noexcept;
  // Saves the attachment at `position` into the working folder when it is a picture, and
  // remembers the first picture met.
  void SavePicture(const std::shared_ptr<host::Attachments>& attachments, int32_t position,
                   const std::string& workingFolder, std::string& firstPicture) noexcept;

  Globals& g_;
  std::string msTempRoot;  // the temporary root followed by "\", or empty
  std::shared_ptr<CleanUpState> mclsCleanUp = std::make_shared<CleanUpState>();
  std::unique_ptr<platform::Background::Task> mtskCleanUp;  // destroyed last: waits for it
};

}  // namespace zormint
