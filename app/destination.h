// Settling the destination: the forms a typed or stored destination may take, resolved against the
// package's folder.
#pragma once

namespace tamrix {

enum class DestinationStep {
    Accepted,  // destination holds the folder, with a trailing backslash
    Retry,     // destination was replaced by the base folder; ask again
};

// Resolves destination (260 bytes) in place against baseFolder (260 bytes, the package's folder
// with a trailing backslash), which the ".." form and relative joins change for later passes.
DestinationStep resolveDestination(char* destination, char* baseFolder);

}  // namespace tamrix
