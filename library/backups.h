#pragma once
// The backups an import leaves of the library file it replaces: prompts-backup-YYYYMMDD-HHMMSS.xml
// beside prompts.xml, named by local time, so that the names sort as the backups were made and
// the import dialog, which shows .xml files, offers them.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// The backup name for a moment of local time.
std::u16string backupFileName(int year, int month, int day, int hour, int minute, int second);

// Whether `name` has the form backupFileName gives.
bool isBackupFileName(std::u16string_view name);

// Of the names in a folder, the backups to remove so that the `keep` newest remain.
std::vector<std::u16string> backupsBeyond(std::vector<std::u16string> names, std::size_t keep);
