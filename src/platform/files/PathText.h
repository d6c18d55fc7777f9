#pragma once

#include <string>

// The parts of a path as text, without asking the disk. A path may end in
// separators (a folder); a lone "/" is the root and keeps its separator.
namespace ze6::FileSystem {

// "/a/b//" -> "/a/b"; "/" and "///" -> "/"; "" -> "".
std::string WithoutTrailingSeparators(std::string path);

// Appends one separator when the path does not end in one; "" -> "/".
std::string WithTrailingSeparator(std::string path);

// Up to and including the last separator: "/a/b" -> "/a/", "/a/b/" -> "/a/b/",
// "b" -> "".
std::string FolderPart(const std::string& path);

// After the last separator: "/a/b" -> "b", "/a/b/" -> "", "b" -> "b".
std::string NamePart(const std::string& path);

} // namespace ze6::FileSystem
