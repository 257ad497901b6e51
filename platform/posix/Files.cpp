// Files, handles and the last-error value of the stand-in layer.
// A HANDLE is a file descriptor plus one, so neither 0 (null) nor -1
// (INVALID_HANDLE_VALUE) is ever a valid handle. Every system call goes
// through a seam that tests can make fail (FaultInjection.h), and every errno
// becomes a Windows error code through the one table below.
#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <string>
#include <unordered_set>

#include "FaultInjection.h"
#include "tansy_harness.h"
#include "tansy_windows.h"

namespace {

thread_local DWORD tLastError = ERROR_SUCCESS;

struct ErrnoCode {
    int error;
    DWORD code;
};

// ENOENT is refined by the path (file or folder missing) where a path is known.
const ErrnoCode kErrnoCodes[] = {
    {ENOENT, ERROR_FILE_NOT_FOUND},
    {ENOTDIR, ERROR_PATH_NOT_FOUND},
    {EACCES, ERROR_ACCESS_DENIED},
    {EPERM, ERROR_ACCESS_DENIED},
    {EISDIR, ERROR_ACCESS_DENIED},
    {EROFS, ERROR_WRITE_PROTECT},
    {EMFILE, ERROR_TOO_MANY_OPEN_FILES},
    {ENFILE, ERROR_TOO_MANY_OPEN_FILES},
    {ENAMETOOLONG, ERROR_FILENAME_EXCED_RANGE},
    {ENOMEM, ERROR_NOT_ENOUGH_MEMORY},
    {EBADF, ERROR_INVALID_HANDLE},
    {EIO, ERROR_READ_FAULT},
    {ELOOP, ERROR_CANT_RESOLVE_FILENAME},
    {EINVAL, ERROR_INVALID_PARAMETER},
    {EFAULT, ERROR_NOACCESS},
    {EAGAIN, ERROR_NO_DATA},
    {EWOULDBLOCK, ERROR_NO_DATA},
    {EPIPE, ERROR_BROKEN_PIPE},
    {ETXTBSY, ERROR_SHARING_VIOLATION},
    {ENOLCK, ERROR_SHARING_BUFFER_EXCEEDED},
    {EBUSY, ERROR_BUSY},
    {EEXIST, ERROR_FILE_EXISTS},
    {ENOSPC, ERROR_DISK_FULL},
    {EFBIG, ERROR_FILE_TOO_LARGE},
    {EOVERFLOW, ERROR_FILE_TOO_LARGE},
    {ENXIO, ERROR_NOT_READY},
    {ENODEV, ERROR_NOT_READY},
    {ENOTSUP, ERROR_NOT_SUPPORTED},
    {EOPNOTSUPP, ERROR_NOT_SUPPORTED},
    {ENOSYS, ERROR_NOT_SUPPORTED},
    {ETIMEDOUT, ERROR_TIMEOUT},
};

DWORD CodeFromErrno(int error)
{
    for (const ErrnoCode& entry : kErrnoCodes)
        if (entry.error == error) return entry.code;
    return ERROR_GEN_FAILURE;
}

// ---- The seam: counters and planned failures -------------------------------

struct CallPlan {
    unsigned calls = 0;
    unsigned failAt = 0;  // call number that fails; 0 = none planned
    DWORD code = 0;       // Windows code or errno value
};

constexpr size_t kCallKinds = 4;
constexpr size_t kSystemCallKinds = 8;

std::mutex gSeamMutex;
CallPlan gCalls[kCallKinds];
CallPlan gSystemCalls[kSystemCallKinds];
unsigned gFaultsStruck = 0;
// Built on first use: the library's start-up opens its configuration file
// before the library's own static objects are constructed.
std::unordered_set<int>& OpenDescriptors()
{
    static std::unordered_set<int> descriptors;
    return descriptors;
}

// Counts one call; true, with the planned code, when this call is to fail.
bool Strikes(CallPlan& plan, DWORD& code)
{
    std::lock_guard<std::mutex> lock(gSeamMutex);
    ++plan.calls;
    if (plan.failAt == 0 || plan.calls != plan.failAt) return false;
    plan.failAt = 0;
    code = plan.code;
    ++gFaultsStruck;
    return true;
}

bool CallStrikes(TansyCall call, DWORD& code)
{
    return Strikes(gCalls[static_cast<size_t>(call)], code);
}

bool SystemCallStrikes(TansySystemCall call)
{
    DWORD error = 0;
    if (!Strikes(gSystemCalls[static_cast<size_t>(call)], error)) return false;
    errno = static_cast<int>(error);
    return true;
}

int SysStat(const char* path, struct stat* info)
{
    if (SystemCallStrikes(TansySystemCall::Stat)) return -1;
    return ::stat(path, info);
}

int SysOpen(const char* path, int flags)
{
    if (SystemCallStrikes(TansySystemCall::Open)) return -1;
    return ::open(path, flags);
}

int SysFstat(int fd, struct stat* info)
{
    if (SystemCallStrikes(TansySystemCall::Fstat)) return -1;
    return ::fstat(fd, info);
}

int SysFcntl(int fd, int command, int argument)
{
    if (SystemCallStrikes(TansySystemCall::Fcntl)) return -1;
    return ::fcntl(fd, command, argument);
}

int SysFlock(int fd, int operation)
{
    if (SystemCallStrikes(TansySystemCall::Flock)) return -1;
    return ::flock(fd, operation);
}

ssize_t SysRead(int fd, void* buffer, size_t size)
{
    if (SystemCallStrikes(TansySystemCall::Read)) return -1;
    return ::read(fd, buffer, size);
}

off_t SysSeek(int fd, off_t offset)
{
    if (SystemCallStrikes(TansySystemCall::Seek)) return -1;
    return ::lseek(fd, offset, SEEK_SET);
}

// close(2) releases the descriptor even when it reports a failure; so does
// a planned failure.
int SysClose(int fd)
{
    const int saved = errno;
    const bool strikes = SystemCallStrikes(TansySystemCall::Close);
    const int planned = errno;
    errno = saved;
    const int result = ::close(fd);
    if (!strikes) return result;
    errno = planned;
    return -1;
}

// ---- Handles ---------------------------------------------------------------

HANDLE HandleFromFd(int fd)
{
    return reinterpret_cast<HANDLE>(static_cast<intptr_t>(fd) + 1);
}

// The descriptor of a handle, or -1 for null, INVALID_HANDLE_VALUE and values
// that cannot be one.
int FdFromHandle(HANDLE handle)
{
    const intptr_t value = reinterpret_cast<intptr_t>(handle);
    if (value <= 0 || value - 1 > INT_MAX) return -1;
    return static_cast<int>(value - 1);
}

void Remember(int fd)
{
    std::lock_guard<std::mutex> lock(gSeamMutex);
    OpenDescriptors().insert(fd);
}

void Forget(int fd)
{
    std::lock_guard<std::mutex> lock(gSeamMutex);
    OpenDescriptors().erase(fd);
}

HANDLE FailOpen(DWORD code)
{
    tLastError = code;
    return INVALID_HANDLE_VALUE;
}

BOOL Fail(DWORD code)
{
    tLastError = code;
    return FALSE;
}

// ENOENT means "file not found" when the file's folder exists and "path not
// found" when a folder on the way is missing, as Windows tells the two apart.
DWORD CodeForMissingPath(const char* name)
{
    std::string folder(name);
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    const size_t slash = folder.rfind('/');
    if (slash == std::string::npos) return ERROR_FILE_NOT_FOUND;
    folder.resize(slash == 0 ? 1 : slash);
    struct stat info;
    if (SysStat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return ERROR_PATH_NOT_FOUND;
    return ERROR_FILE_NOT_FOUND;
}

DWORD CodeForPath(int error, const char* name)
{
    if (error == ENOENT) return CodeForMissingPath(name);
    return CodeFromErrno(error);
}

// The ANSI calls of Windows take names of at most MAX_PATH characters, as
// the code page decodes them, and refuse longer ones before anything else.
bool LongerThanWindowsTakes(const char* name)
{
    const size_t bytes = std::strlen(name);
    if (bytes <= MAX_PATH) return false;
    const int units = MultiByteToWideChar(CP_ACP, 0, name, static_cast<int>(std::min<size_t>(bytes, INT_MAX)),
                                          nullptr, 0);
    return units <= 0 || units > MAX_PATH;
}

// Windows refuses these characters anywhere in a file name, before it looks
// for the file; POSIX would take them as ordinary bytes.
bool HasCharacterWindowsRefuses(const char* name)
{
    for (const char* p = name; *p != '\0'; ++p) {
        const unsigned char c = static_cast<unsigned char>(*p);
        if (c < 0x20 || std::strchr("*?<>|\"", c) != nullptr) return true;
    }
    return false;
}

HANDLE CloseAndFail(int fd, DWORD code)
{
    SysClose(fd);
    return FailOpen(code);
}

// Takes the advisory lock that stands for the Windows share mode: readers
// that allow other readers share it; a writer holding it exclusively makes
// the open fail as a sharing violation. File systems without such locks open
// without one rather than not at all.
DWORD LockForShareMode(int fd, DWORD share)
{
    if (share & FILE_SHARE_WRITE) return ERROR_SUCCESS;
    const int operation = ((share & FILE_SHARE_READ) ? LOCK_SH : LOCK_EX) | LOCK_NB;
    int result;
    do result = SysFlock(fd, operation);
    while (result != 0 && errno == EINTR);
    if (result == 0) return ERROR_SUCCESS;
    if (errno == EWOULDBLOCK) return ERROR_SHARING_VIOLATION;
    if (errno == ENOLCK || errno == EOPNOTSUPP || errno == ENOSYS || errno == EINVAL)
        return ERROR_SUCCESS;
    return CodeFromErrno(errno);
}

}  // namespace

// ---- The seam's test controls ----------------------------------------------

void TansyFailNthCall(TansyCall call, unsigned n, DWORD code)
{
    std::lock_guard<std::mutex> lock(gSeamMutex);
    CallPlan& plan = gCalls[static_cast<size_t>(call)];
    plan.failAt = n == 0 ? 0 : plan.calls + n;
    plan.code = code;
}

void TansyFailNthSystemCall(TansySystemCall call, unsigned n, int error)
{
    std::lock_guard<std::mutex> lock(gSeamMutex);
    CallPlan& plan = gSystemCalls[static_cast<size_t>(call)];
    plan.failAt = n == 0 ? 0 : plan.calls + n;
    plan.code = static_cast<DWORD>(error);
}

void TansyClearFaults()
{
    std::lock_guard<std::mutex> lock(gSeamMutex);
    for (CallPlan& plan : gCalls) plan = CallPlan{};
    for (CallPlan& plan : gSystemCalls) plan = CallPlan{};
    gFaultsStruck = 0;
}

unsigned TansyCallCount(TansyCall call)
{
    std::lock_guard<std::mutex> lock(gSeamMutex);
    return gCalls[static_cast<size_t>(call)].calls;
}

unsigned TansyFaultsStruck()
{
    std::lock_guard<std::mutex> lock(gSeamMutex);
    return gFaultsStruck;
}

unsigned TansyOpenHandleCount()
{
    std::lock_guard<std::mutex> lock(gSeamMutex);
    return static_cast<unsigned>(OpenDescriptors().size());
}

// ---- kernel32 --------------------------------------------------------------

DWORD GetLastError()
{
    return tLastError;
}

void SetLastError(DWORD code)
{
    tLastError = code;
}

DWORD TansyGetLastError(void)
{
    return tLastError;
}

void TansySetLastError(DWORD code)
{
    tLastError = code;
}

// Opens an existing regular file for reading. Folders, FIFOs, devices and
// sockets are refused with ERROR_ACCESS_DENIED (Windows answers so for a
// folder), and the open never waits: O_NONBLOCK keeps a FIFO that slipped in
// between the checks from blocking.
HANDLE CreateFileA(LPCSTR name, DWORD access, DWORD share, void* /*security*/, DWORD disposition,
                   DWORD /*attributes*/, HANDLE /*templateFile*/)
{
    DWORD planned = 0;
    if (CallStrikes(TansyCall::CreateFileA, planned)) return FailOpen(planned);
    if (name == nullptr || name[0] == '\0') return FailOpen(ERROR_PATH_NOT_FOUND);
    if (LongerThanWindowsTakes(name)) return FailOpen(ERROR_FILENAME_EXCED_RANGE);
    if (HasCharacterWindowsRefuses(name)) return FailOpen(ERROR_INVALID_NAME);
    // This layer only reads.
    if (access != GENERIC_READ || disposition != OPEN_EXISTING)
        return FailOpen(ERROR_INVALID_PARAMETER);

    struct stat info;
    if (SysStat(name, &info) != 0) return FailOpen(CodeForPath(errno, name));
    if (!S_ISREG(info.st_mode)) return FailOpen(ERROR_ACCESS_DENIED);

    int fd;
    do fd = SysOpen(name, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    while (fd < 0 && errno == EINTR);
    if (fd < 0) return FailOpen(CodeForPath(errno, name));

    if (SysFstat(fd, &info) != 0) return CloseAndFail(fd, CodeFromErrno(errno));
    if (!S_ISREG(info.st_mode)) return CloseAndFail(fd, ERROR_ACCESS_DENIED);
    const int flags = SysFcntl(fd, F_GETFL, 0);
    if (flags < 0 || SysFcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0)
        return CloseAndFail(fd, CodeFromErrno(errno));
    const DWORD lock = LockForShareMode(fd, share);
    if (lock != ERROR_SUCCESS) return CloseAndFail(fd, lock);

    Remember(fd);
    tLastError = ERROR_SUCCESS;
    return HandleFromFd(fd);
}

BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD toRead, LPDWORD read, void* overlapped)
{
    if (read != nullptr) *read = 0;
    DWORD planned = 0;
    if (CallStrikes(TansyCall::ReadFile, planned)) return Fail(planned);
    // Overlapped reads are not offered; without them the count is required.
    if (overlapped != nullptr || read == nullptr) return Fail(ERROR_INVALID_PARAMETER);
    const int fd = FdFromHandle(file);
    if (fd < 0) return Fail(ERROR_INVALID_HANDLE);
    if (toRead == 0) return TRUE;
    if (buffer == nullptr) return Fail(ERROR_NOACCESS);

    const size_t wanted = std::min<size_t>(toRead, 0x7FFFF000u);
    ssize_t got;
    do got = SysRead(fd, buffer, wanted);
    while (got < 0 && errno == EINTR);
    if (got < 0) return Fail(CodeFromErrno(errno));
    *read = static_cast<DWORD>(got);
    return TRUE;
}

BOOL CloseHandle(HANDLE handle)
{
    DWORD planned = 0;
    const bool strikes = CallStrikes(TansyCall::CloseHandle, planned);
    const int fd = FdFromHandle(handle);
    if (fd < 0) return Fail(strikes ? planned : ERROR_INVALID_HANDLE);
    Forget(fd);
    const int result = SysClose(fd);
    if (strikes) return Fail(planned);
    // The descriptor is gone after EINTR too; only other failures are reported.
    if (result != 0 && errno != EINTR) return Fail(CodeFromErrno(errno));
    return TRUE;
}

// Only moves from the file's start are offered: the library resumes a read
// where it left off.
BOOL SetFilePointerEx(HANDLE file, LARGE_INTEGER distance, PLARGE_INTEGER newPosition, DWORD method)
{
    DWORD planned = 0;
    if (CallStrikes(TansyCall::SetFilePointerEx, planned)) return Fail(planned);
    const int fd = FdFromHandle(file);
    if (fd < 0) return Fail(ERROR_INVALID_HANDLE);
    if (method != FILE_BEGIN || distance.QuadPart < 0) return Fail(ERROR_INVALID_PARAMETER);
    const off_t at = SysSeek(fd, static_cast<off_t>(distance.QuadPart));
    if (at < 0) return Fail(CodeFromErrno(errno));
    if (newPosition != nullptr) newPosition->QuadPart = at;
    tLastError = ERROR_SUCCESS;
    return TRUE;
}

// The standard handles are descriptors 0, 1 and 2. A process started without
// one gets a null handle, as on Windows.
HANDLE GetStdHandle(DWORD which)
{
    int fd;
    switch (which) {
    case STD_INPUT_HANDLE: fd = 0; break;
    case STD_OUTPUT_HANDLE: fd = 1; break;
    case STD_ERROR_HANDLE: fd = 2; break;
    default: return FailOpen(ERROR_INVALID_HANDLE);
    }
    if (::fcntl(fd, F_GETFD) < 0) return nullptr;
    return HandleFromFd(fd);
}
