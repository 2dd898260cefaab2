// The naming rules of the picture engine, each in one place: which file names are pictures,
// the name a picture is saved under, the selected-attachment index list, and the working
// folders' names.
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace zormint {

// A file name is a picture name when its last three characters, lower-cased, are "jpg",
// "peg", "gif", "bmp", "tif" or "iff". Nothing else is looked at: no dot, no trimming, so
// "scan.diff" is a picture name and "pic.gif " is not.
bool IsPictureName(const std::string& fileName);

// A file name is one of the more recent picture types when the text after its last dot,
// lower-cased, is "png", "webp", "heic", "heif", "avif" or "jfif". They count as pictures only
// when the user switched them on (rvMorePictureTypes).
bool IsMorePictureName(const std::string& fileName);

// The MAPI properties that tell a picture the message shows in its own text, as
// Attachment.PropertyAccessor names them: PR_ATTACH_CONTENT_ID (the id the text refers to),
// PR_ATTACHMENT_HIDDEN (kept out of the attachment well) and PR_ATTACH_FLAGS, whose
// kAttachFlagReferencedByText (ATT_MHTML_REF) says the text refers to it.
inline constexpr const char* kPrAttachContentId =
    "http://schemas.microsoft.com/mapi/proptag/0x3712001F";
inline constexpr const char* kPrAttachmentHidden =
    "http://schemas.microsoft.com/mapi/proptag/0x7FFE000B";
inline constexpr const char* kPrAttachFlags =
    "http://schemas.microsoft.com/mapi/proptag/0x37140003";
inline constexpr int32_t kAttachFlagReferencedByText = 4;

// The name an attachment is saved under inside a working folder, or nullopt when its file name
// gives nothing that can be saved there. Attachment names come from the sender, so only the
// last component counts ("..\..\x.jpg", "a/b.jpg", "C:\x.jpg" and "\\host\share\x.jpg" are
// saved as "x.jpg" or "b.jpg"), and a component that Windows would not keep as an ordinary
// file name is refused: empty, "." or "..", ending in a dot or blank, a device name (CON,
// PRN, AUX, NUL, COM0-9, LPT0-9, CONIN$, CONOUT$, CLOCK$, with or without an extension), or
// holding one of <>:"|?* or a control character.
std::optional<std::string> SafeSaveName(const std::string& fileName);

// The name a picture is saved under when the names in `taken` are already held by other
// pictures of the same message: the name itself when it is free, else the first free of
// "<stem> (2)<extension>", "<stem> (3)<extension>" ... (the extension from the last dot on;
// a name without a dot gets the number at its end). Names are compared as Windows compares
// them, without regard to case (FoldedName). The name returned is added to `taken`.
std::string DistinctSaveName(const std::string& saveName, std::set<std::string>& taken);

// A name with its letters in one case, as Windows compares file names: ASCII, Latin-1,
// Latin Extended-A, Greek and Cyrillic letters (UTF-8) fold together; anything else stays.
std::string FoldedName(const std::string& name);

// Reads a selected-attachment index list ("2,3"): the text is split at every ","; each piece
// that is a decimal whole number (digits only, fitting 32 bits) gives a position, in list
// order; empty pieces and pieces that are not numbers are dropped.
std::vector<int32_t> ReadIndexList(const std::string& sSelAttachmentIndexes);

// The prefix every working folder's name starts with; the rest is the caller's suffix.
inline constexpr const char* kWorkingFolderPrefix = "ZORMINT$";

// True when a folder name starts with the working-folder prefix in any mix of cases.
bool IsWorkingFolderName(const std::string& folderName);

}  // namespace zormint
