// Where a registry value lives inside its key's folder. A value is the file named by its
// encoded name (name_encoding.h). A name whose encoding is longer than one file name may be is
// cut into parts: every part but the last names a continuation folder "<part>+", the last part
// names the file inside the innermost one. Continuation folders end in '+', which no encoded
// name contains, so they are never mistaken for subkeys, and listing the key walks into them.
//
// A key's values and subkeys share its folder, so a value cannot have the name of a subkey of
// the same key here (Windows keeps them apart); writing such a value fails.
#pragma once

#include <string>
#include <vector>

namespace twinlink::platform::posix {

struct ValuePlace {
    std::vector<std::string> folders;  // continuation folders, outermost first, full paths
    std::string folder;                // the folder holding the file (the key's, or the innermost)
    std::string leaf;                  // the file's name in `folder`
    std::string Path() const { return folder + "/" + leaf; }
};

ValuePlace PlaceOfValue(const std::string& keyFolder, const std::string& encodedName);

// The encoded names of all values of a key, in no particular order.
std::vector<std::string> ListValueNames(const std::string& keyFolder);

// The names of a key's subkey folders (encoded), in no particular order.
std::vector<std::string> ListSubkeyFolders(const std::string& keyFolder);

}  // namespace twinlink::platform::posix
