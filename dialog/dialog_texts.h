// The texts the dialog's behaviour shows, exactly as the user sees them.
#pragma once

namespace kelvarin {

// Title of both folder choosers.
inline constexpr char kChooseFolderTitle[] = "选定目录";
// What a name typed into the save dialog without a suffix gets.
inline constexpr char kListSuffix[] = "xml";
inline constexpr char kListCompletedText[] = "Generate file list completed!";
inline constexpr char kStopImportQuestion[] =
    "An import is running. Stop it and close Kelvarin? Each worker finishes the file it is on, "
    "so that no stored file is left half-written.";
inline constexpr char kStopListQuestion[] =
    "The file list is being generated. Stop it and close Kelvarin? The list and its .bin file "
    "stay as they were.";
inline constexpr char kStoppingLine[] =
    "Stopping: each worker finishes the file it is on, then Kelvarin closes.";
inline constexpr char kListClosingLine[] =
    "Stopping: the file list is not written, then Kelvarin closes.";

}  // namespace kelvarin
