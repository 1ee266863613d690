#pragma once
// The copies kept beside prompts.xml, named by local time, so that the names sort as the copies
// were made and the import dialog, which shows .xml files, offers them: the backups an import
// leaves of the library it replaces, prompts-backup-YYYYMMDD-HHMMSS.xml, of which the newest
// few stay, and a prompts.xml that could not be read whole, prompts-unreadable-YYYYMMDD-HHMMSS.xml,
// which stays.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

inline constexpr std::u16string_view kBackupPrefix = u"prompts-backup-";
inline constexpr std::u16string_view kUnreadablePrefix = u"prompts-unreadable-";
// How many backups an import leaves (the program's and vbxtool's alike).
inline constexpr std::size_t kKeptBackups = 5;

// The name for a moment of local time.
std::u16string datedFileName(std::u16string_view prefix, int year, int month, int day, int hour, int minute,
                             int second);

// Of the names in a folder, the backups, oldest first.
std::vector<std::u16string> backupsByAge(std::vector<std::u16string> names);

// Of the names in a folder, the backups to remove so that the `keep` newest remain; never
// `justMade`, even when its time is not the newest (a clock set back).
std::vector<std::u16string> backupsBeyond(std::vector<std::u16string> names, std::size_t keep,
                                          std::u16string_view justMade);
