// Writes uninstall manifests in the layout the uninstaller reads: the
// installer's side of the format, for tests, the demo and the benchmark.
#pragma once

#include "uninstall/manifest.h"

#include <string>
#include <vector>

tagUninstallHeader MakeManifestHeader(const std::wstring& key, const std::wstring& product,
                                      const std::wstring& group, const std::wstring& installDir);
tagUninstallItem MakeManifestItem(int kind, const std::wstring& path);

// Header, then (entry-list mode only) the entry count and records, then the
// shortcut count and records.
std::vector<unsigned char> BuildManifest(const tagUninstallHeader& header,
                                         const std::vector<tagUninstallItem>& entries,
                                         const std::vector<tagUninstallItem>& shortcuts);

bool WriteManifest(const std::wstring& path, const std::vector<unsigned char>& bytes);
