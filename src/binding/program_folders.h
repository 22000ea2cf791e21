// Where the program finds its own files, and where it may write files of its own. A build tree
// keeps everything beside the programs; an installed program reads from its prefix and writes
// only into the user's folders, so that a package's files stay as the package manager put them.
#pragma once

#include <string>

namespace mirelk {

// The folder of the running program, with no trailing "/".
std::string ProgramFolder();
// The folder that holds the library folder "LibAV" and the hook modules' folder "vhook": the
// program's own folder when "LibAV" is beside the program (the build tree), else the installed
// "lib/mirelk" next to the program's "bin" folder when that exists, else the program's folder.
std::string SupportFolder();
// The library folder "LibAV" in the support folder.
std::string DefaultLibraryFolder();
// The folder of the files that are the same on every machine (the help pages, the hook
// modules' pictures): "<prefix>/share/mirelk" beside an installed "<prefix>/lib/mirelk" support
// folder, else the support folder itself.
std::string DataFolderFor(const std::string& supportFolder);
std::string DataFolder();
// Whether folder is the programs' folder of a build tree: "LibAV" in it and CMake's cache in
// the folder above.
bool IsBuildTreeFolder(const std::string& folder);
// Where a run puts files no option placed (the statistics of "vstats"): the program's folder in
// a build tree, else "$XDG_STATE_HOME/mirelk" ("~/.local/state/mirelk" by default), made when
// missing. Empty when no such folder can be made: the caller then writes to the working folder.
std::string RunFilesFolder();

}  // namespace mirelk
