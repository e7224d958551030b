// The destination dialog's check box "Create folder as the archive name to extract".
#pragma once

namespace tamrix {

// Applies one click to the destination text (260 bytes). Ticked: a backslash unless there is one,
// archiveName and a backslash are appended (D:\Out -> D:\Out\Setup1\). Cleared: the trailing
// backslash goes, the text is cut at the first occurrence of archiveName when no backslash
// follows it, and a backslash is appended (D:\Out\Setup1\ -> D:\Out\). Returns false, with the
// text unchanged, when the ticked result would not fit; the box should then be cleared again.
bool applyArchiveFolderBox(char* text, const char* archiveName, bool ticked);

}  // namespace tamrix
