#pragma once

#include <string>
#include <vector>

// Build-tree files that the builder's tests use, as Windows paths.
std::string PlaceholderDir();  // the five placeholder runtime libraries
std::string StandInStubPath(); // a program with icon group 105 listing icons 1 and 2
std::string SampleMsiPath();   // a real MSI package made by wixl
std::string ArtifactsDir();    // files left for the checks that run on Linux

// A Unix path of the build machine as Wine's Z: drive sees it.
std::string WindowsPathOf(const std::string& unixPath);

// The five runtime library names, in their archive order.
extern const std::vector<std::string> kRuntimeLibraries;

// Fills folder (without final backslash; created if missing) with what a
// builder folder holds: the stub as "Runlet.exe" unless the folder already
// has one, a stand-in "VelumoDll.dll" unless it has one, and the five
// placeholder runtime libraries.
bool FillBuilderFolder(const std::string& folder);

// An .ico file with the given images, each announced with its true size.
std::string IconFileBytes(const std::vector<std::string>& images);

bool CopyFileTo(const std::string& from, const std::string& to);
