// Where an extracted entry goes: its name checked and joined to the destination, its folders
// created.
#pragma once

namespace tamrix {

// Removes every parent step, "..\" or "../", in place, anywhere in the name, until none is left
// (removing one may bring the text around it together into another). ..\..\a\..\b.txt gives
// a\b.txt.
void removeParentSteps(char* name);

// destination ends in a backslash; name is the entry's name (trailing blanks are trimmed in
// place); out holds 260 bytes. Returns 1 when out holds the file's full path, 0 to skip the entry
// (an invalid name, with a warning; or a folder entry, whose folders now exist), -1 to stop (a
// folder could not be created: error message, cancelRequested set to -1).
//
// A name is invalid when it is empty, holds one of : ; * ? " < > |, starts with a separator, has
// a step made only of dots and blanks with two dots or more (one that could climb out of the
// destination, whichever of / and \ separates it), or is too long for a path together with the
// destination.
int composeTargetPath(const char* destination, char* name, char* out);

// Shows the invalid-name warning (string 6) for the name; returns 0, the skip result.
int refuseName(const char* name);

}  // namespace tamrix
