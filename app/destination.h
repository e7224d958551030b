// Settling the destination: the forms a typed or stored destination may take, resolved against the
// package's folder.
#pragma once

namespace tamrix {

enum class DestinationStep {
    Accepted,  // destination holds the folder, with a trailing backslash
    Retry,     // destination was replaced by the base folder; ask again
};

// Resolves destination (260 bytes) in place against baseFolder (the package's folder with a
// trailing backslash), which stays as it is: a refused or failed pass never changes the base of
// the next one.
DestinationStep resolveDestination(char* destination, const char* baseFolder);

}  // namespace tamrix
