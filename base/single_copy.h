#pragma once
// The mutex that the running program holds, named in the Local namespace, that is for the user's
// logon session: one copy runs at a time, and vbxtool writes no library while it does, since the
// program writes the library it holds over the file at its next change.

inline constexpr wchar_t kSingleCopyMutex[] = L"Local\\Verbarix.OneCopy";
