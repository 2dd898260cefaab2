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

// What an extraction came to: the message held no picture, at least one picture was saved
// (and the first saved was handed to the viewer), or pictures were there but not one could be
// saved (nothing was shown).
enum class Extraction { kNoPictures, kSaved, kNoneSaved };

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
  // True when at least one attachment of the item is a picture: a picture name (the name is
  // read first, and is all that is read of an attachment with another name) held by value,
  // as a file stored in the item; a link to a cloud file, an OLE object or an attached item is
  // no picture whatever its name. With rvMorePictureTypes on, PNG, WebP, HEIC, HEIF, AVIF and
  // JFIF names count as well, and pictures shown in the message's text are left out. Never
  // fails.
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
  // first one saved in the viewer. Pictures with the same name are all kept (DistinctSaveName).
  Extraction ExtractAllNShow(const std::shared_ptr<host::Item>& mlGeneric,
                             const std::string& sWorkingFolderSuffix) noexcept;
  // The same for the attachments named by a selected-attachment index list ("2,3"); a
  // position named twice is saved once.
  Extraction ExtractSelectedNShow(const std::shared_ptr<host::Item>& mlGeneric,
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
  // The rule of AtLeastOnePresent for one attachment; fails when a host call fails. With the
  // more recent picture types switched on, their names count too, and a picture the message
  // shows in its own text does not (both read only for names that pass).
  bool IsPicture(host::Attachment& attachment, bool morePictureTypes,
                 std::string* fileName = nullptr);
  // Whether the user switched the more recent picture types on (rvMorePictureTypes).
  bool MorePictureTypes() const noexcept;
  // True when Outlook marks the attachment as shown in the message's text: a content id, and
  // hidden or referenced by the text. False when that cannot be read (Outlook 2003).
  static bool ShownInText(host::Attachment& attachment) noexcept;

  // One extraction's progress: the names taken so far (folded), the first picture saved.
  struct SaveRun {
    std::string workingFolder;
    std::set<std::string> takenNames;
    std::string firstSaved;
    bool anyPicture = false;
    bool morePictureTypes = false;
  };
  // Starts a run into the working folder of the suffix, emptied for it: false when nothing can
  // be saved there (no temporary root, or the folder cannot be made ready).
  bool BeginRun(const std::string& sWorkingFolderSuffix, SaveRun& run) noexcept;
  // Saves the attachment at `position` into the working folder when it is a picture, under a
  // name no other picture of the run holds, and remembers the first picture saved.
  void SavePicture(const std::shared_ptr<host::Attachments>& attachments, int32_t position,
                   SaveRun& run) noexcept;
  // Hands the first picture saved to the viewer, and says what the run came to.
  Extraction Finish(SaveRun& run, const char* step) noexcept;

  Globals& g_;
  std::string msTempRoot;  // the temporary root followed by "\", or empty
  std::shared_ptr<CleanUpState> mclsCleanUp = std::make_shared<CleanUpState>();
  std::unique_ptr<platform::Background::Task> mtskCleanUp;  // destroyed last: waits for it
};

// The connection's CPicAttachments.
inline std::shared_ptr<CPicAttachments>& gclsPicAttachments(Globals& g) {
  return g.objects.Of<CPicAttachments>();
}

}  // namespace zormint
