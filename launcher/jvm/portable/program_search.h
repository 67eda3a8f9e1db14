// Finding and starting a runtime's program by name: the folders searched and the "-version" command line.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace drx::launcher {

// The folders a program named without a path is looked for in, in the system's standard order
// without its first two places: the system directory, the 16-bit system directory, the Windows
// directory, then every absolute entry of PATH (surrounding quotes removed). The folder of the
// setup program and the current directory are left out, and so are relative PATH entries and
// entries naming the setup program's folder: a download folder holds whatever was put there.
// Empty system or Windows directories are skipped.
std::vector<std::string> programSearchFolders(const std::string& systemDirectory,
                                              const std::string& windowsDirectory, std::string_view pathValue,
                                              const std::string& launcherDirectory);

// "<path> -version" with the short form of the program's path (the program's path itself when
// shortForm is empty) in double quotes. Quoted always: without 8.3 names the short form of a path
// is its long form, spaces included, and an unquoted "D:\Java Tools\..." would start D:\Java.exe.
std::string versionCommandLine(const std::string& shortForm, const std::string& program);

}  // namespace drx::launcher
