// The fixed texts of the uninstaller: its two message boxes and the shortcut-removal script.
#pragma once

namespace uninstall_texts {

// Title of both message boxes.
inline constexpr const char* kTitle = "Zordeló eltávolítása";

// The question before anything is touched; it tells the user that the saved game state stays.
inline constexpr const char* kConfirm =
    "Biztosan eltávolítod a Zordelót?\n\nA mentett játékállásod megmarad, ha újra feltelepíted, onnan folytathatod.";

// Shown after the entry and the shortcuts are gone and before the files are deleted.
inline constexpr const char* kDone = "A Zordeló el lett távolítva.";

// Deletes "Zordeló.lnk" from the user's desktop and Start menu Programs folder; a missing or
// undeletable shortcut is passed over silently.
inline constexpr const char* kShortcutRemovalScript =
    "foreach($d in 'Desktop','Programs'){ Remove-Item -Force -ErrorAction SilentlyContinue (Join-Path "
    "([Environment]::GetFolderPath($d)) 'Zordeló.lnk') }";

}  // namespace uninstall_texts
