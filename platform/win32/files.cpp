// The runtime library's low-level file calls, straight through.
#include "platform/files.h"

#include <fcntl.h>
#include <io.h>

namespace tamrix::platform {

int32_t fileOpen(const char* path, int32_t flags, int32_t mode) {
    return _open(path, flags, mode);
}
int32_t fileRead(int32_t handle, void* buffer, uint32_t count) {
    return _read(handle, buffer, count);
}
int32_t fileWrite(int32_t handle, const void* buffer, uint32_t count) {
    return _write(handle, buffer, count);
}
int32_t fileSeek(int32_t handle, int32_t offset, int32_t origin) {
    return _lseek(handle, offset, origin);
}
int32_t fileClose(int32_t handle) {
    return _close(handle);
}
int32_t fileTell(int32_t handle) {
    return _tell(handle);
}
int32_t fileLength(int32_t handle) {
    return _filelength(handle);
}

}  // namespace tamrix::platform
